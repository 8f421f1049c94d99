#include "ui/options_window.h"

#include "platform/autostart.h"
#include "platform/errors.h"
#include "ui/image_button.h"
#include "ui/skin.h"
#include "ui/texts.h"
#include "ui/window_placement.h"

#include <QCheckBox>
#include <QLabel>
#include <QShowEvent>

namespace vantorel {

namespace {

QCheckBox* MakeCheckBox(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setFont(SkinFont(13, true));
    box->setCursor(Qt::PointingHandCursor);
    box->adjustSize();
    box->move(x, y);
    return box;
}

} // namespace

OptionsWindow::OptionsWindow(std::filesystem::path settingsFolder, std::filesystem::path configHome,
                             std::filesystem::path executable)
    : SkinnedWindow(QStringLiteral("FormOptions"), 426, 188), options_(std::move(settingsFolder)),
      configHome_(std::move(configHome)), executable_(std::move(executable)) {
    auto* title = MakeTitle(this, QStringLiteral("LbTitre"), QStringLiteral("OPTIONS"), 0, 9);
    title->move((width() - title->width()) / 2, 9);
    auto* close = ImageButton::Small(this, QStringLiteral("Fermer"), QStringLiteral("close"), 398, 8);

    QFrame* panel = MakePanel(this, QStringLiteral("PanelOptions"), 12, 56, 402, 88);
    startWithSessionBox_ = MakeCheckBox(panel, QStringLiteral("CbLance"),
                                        QStringLiteral("Lancer Vantorel au démarrage de la session"), 16, 16);
    minimiseAtStartBox_ = MakeCheckBox(panel, QStringLiteral("CbReduire"),
                                       QStringLiteral("Réduire Vantorel au démarrage de la session"), 16, 50);

    // The bottom button carries the word FERMER.
    auto* bottom = ImageButton::Large(this, QStringLiteral("Annuler"), QStringLiteral("fermer"), 159, 154);
    // FERMER, the cross and Escape close (hide) the window; nothing is written.
    connect(close, &ImageButton::clicked, this, &SkinnedWindow::Dismiss);
    connect(bottom, &ImageButton::clicked, this, &SkinnedWindow::Dismiss);
    // The keyboard starts on the first box; the close button comes last.
    startWithSessionBox_->setFocus();
    setTabOrder(bottom, close);
    // Only the user's clicks: the showing steps call the handlers themselves.
    connect(startWithSessionBox_, &QCheckBox::clicked, this, &OptionsWindow::ApplyStartWithSession);
    connect(minimiseAtStartBox_, &QCheckBox::clicked, this, &OptionsWindow::ApplyMinimiseAtStart);
}

void OptionsWindow::SetMainWindow(QWidget* mainWindow, const QRect& grip) {
    mainWindow_ = mainWindow;
    mainGrip_ = grip;
}

void OptionsWindow::ApplyStartWithSession() {
    const bool on = startWithSessionBox_->isChecked();
    try {
        if (on) {
            SetRunAtLogon(configHome_, executable_);
        } else {
            ClearRunAtLogon(configHome_);
        }
        options_.WriteLanceProg(on);
    } catch (const Error& error) {
        // The box goes back to what is in effect, so it never shows a choice
        // that was not stored.
        startWithSessionBox_->setChecked(!on);
        ShowFailure(this, error);
    }
}

void OptionsWindow::ApplyMinimiseAtStart() {
    const bool on = minimiseAtStartBox_->isChecked();
    try {
        options_.WriteReduireProg(on);
    } catch (const Error& error) {
        minimiseAtStartBox_->setChecked(!on);
        ShowFailure(this, error);
    }
}

void OptionsWindow::showEvent(QShowEvent* event) {
    SkinnedWindow::showEvent(event);
    if (!event->spontaneous()) {
        ShowStoredChoices();
    }
}

void OptionsWindow::ShowStoredChoices() {
    try {
        const WindowPosition position = options_.ReadWindowPosition();
        if (mainWindow_ != nullptr) {
            PlaceOnScreen(mainWindow_, QPoint(position.left, position.top), mainGrip_);
        }
    } catch (const Error& error) {
        // The boxes keep the state they had.
        ShowFailure(this, error);
        return;
    }
    const bool minimiseAtStart = options_.ReadReduireProg() == kOptionTrue;
    const bool startWithSession = options_.ReadLanceProg() == kOptionTrue;
    SyncBox(minimiseAtStartBox_, minimiseAtStart, &OptionsWindow::ApplyMinimiseAtStart);
    SyncBox(startWithSessionBox_, startWithSession, &OptionsWindow::ApplyStartWithSession);
}

void OptionsWindow::SyncBox(QCheckBox* box, bool checked, void (OptionsWindow::*click)()) {
    if (box->isChecked() == checked) {
        return;
    }
    box->setChecked(checked);
    (this->*click)();
}

} // namespace vantorel
