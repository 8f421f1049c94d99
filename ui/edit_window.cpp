#include "ui/edit_window.h"

#include "jobs/job_operations.h"
#include "ui/folder_picker.h"
#include "ui/frequency_row.h"
#include "ui/image_button.h"
#include "ui/skin.h"
#include "ui/skin_combo_box.h"
#include "ui/yes_no_dialog.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace vantorel {

EditWindow::EditWindow(FolderPicker& picker, GreyOverlay& overlays, QWidget* parent)
    : SkinnedWindow(QStringLiteral("FormModifierSauvegarde"), 610, 300, parent), picker_(picker), overlays_(overlays) {
    QLabel* title = MakeTitle(this, QStringLiteral("LbTitre"), QStringLiteral("MODIFIER LA SAUVEGARDE"), 0, 9);
    title->move((width() - title->width()) / 2, 9);
    auto* close = ImageButton::Small(this, QStringLiteral("Fermer"), QStringLiteral("close"), 582, 8);
    BuildControls(MakePanel(this, QStringLiteral("PanelModifier"), 8, 52, 594, 202));
    auto* cancel = ImageButton::Large(this, QStringLiteral("Annuler"), QStringLiteral("annuler"), 20, 264);
    auto* validate = ImageButton::Large(this, QStringLiteral("Valider"), QStringLiteral("valider"), 483, 264);
    connect(close, &ImageButton::clicked, this, &EditWindow::Cancel);
    connect(cancel, &ImageButton::clicked, this, &EditWindow::Cancel);
    connect(validate, &ImageButton::clicked, this, &EditWindow::Validate);
    // The keyboard starts in the source field; Tab goes through the window
    // from the top, VALIDER, then the close button last.
    sourceField_->setFocus();
    setTabOrder(validate, close);
}

EditWindow::~EditWindow() = default;

void EditWindow::BuildControls(QWidget* panel) {
    const QFont normal = SkinFont(11);
    MakeLabel(panel, QStringLiteral("LbExpliqueSource"),
              QStringLiteral("Sélectionnez le répertoire que vous désirez sauvegarder en cliquant sur 'SOURCE'"), 8, 8,
              normal);
    auto* source = ImageButton::Large(panel, QStringLiteral("Source"), QStringLiteral("source"), 8, 24);
    sourceField_ = MakeFolderField(panel, QStringLiteral("EdSource"), 122, 26, 462);
    MakeLabel(panel, QStringLiteral("LbExpliqueDestination"),
              QStringLiteral("Sélectionnez le répertoire ou sera stockée la sauvegarde 'DESTINATION'."), 8, 56, normal);
    auto* destination = ImageButton::Large(panel, QStringLiteral("Destination"), QStringLiteral("destination"), 8, 72);
    destinationField_ = MakeFolderField(panel, QStringLiteral("EdDestination"), 122, 74, 462);
    MakeLabel(panel, QStringLiteral("LbConseil"),
              QStringLiteral("Effectuez votre sauvegarde sur un autre Disque Dur ou sur un autre PC par le Réseau."), 8,
              104, normal, kSkinMaroon);
    MakeLabel(panel, QStringLiteral("LbLancer"), QStringLiteral("Lancer la sauvegarde :"), 8, 134, normal);

    // The day list is filled from the main window's at every opening (Preload).
    frequencyRow_ = new FrequencyRow(panel, 151, normal);
    connect(source, &ImageButton::clicked, this,
            [this] { OpenFolderPicker(picker_, overlays_, this, PickerMode::EditSource, sourceField_); });
    connect(destination, &ImageButton::clicked, this,
            [this] { OpenFolderPicker(picker_, overlays_, this, PickerMode::EditDestination, destinationField_); });
}

void EditWindow::Preload(const JobSettings& settings, const QStringList& dayLabels) {
    frequencyRow_->SetDayLabels(dayLabels);
    sourceField_->setText(QString::fromStdString(settings.source));
    destinationField_->setText(QString::fromStdString(settings.destination));
    frequencyRow_->Select(settings.schedule.positions().value_or(SchedulePositions{-1, -1, -1, -1}));
}

JobSettings EditWindow::settings() const {
    JobSettings settings;
    settings.source = sourceField_->text().toStdString();
    settings.destination = destinationField_->text().toStdString();
    settings.schedule = Schedule::FromPositions(frequencyRow_->positions());
    return settings;
}

void EditWindow::Validate() {
    // A stored position outside its list leaves a list the frequency needs
    // without a selection: say so, and keep the window and its edits.
    if (const QString missing = frequencyRow_->MissingChoice(); !missing.isEmpty()) {
        ShowNotice(overlays_, this, missing);
        return;
    }
    if (validator_ && validator_(settings())) {
        accept();
    }
}

void EditWindow::Cancel() {
    reject();
}

void EditWindow::Dismiss() {
    Cancel();
}

SkinComboBox* EditWindow::ListOfPopup(const QObject* watched) const {
    for (SkinComboBox* list : frequencyRow_->lists()) {
        if (watched == list->view()) {
            return list;
        }
    }
    return nullptr;
}

bool EditWindow::ChooseInOpenList(SkinComboBox* list, QEvent* event) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) {
        // The open list handles its other keys.
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Asked for as an ordinary key press, which the lines below take.
        event->accept();
        return true;
    }
    if (!key->isAutoRepeat()) {
        const QModelIndex highlighted = list->view()->currentIndex();
        if (highlighted.isValid() && highlighted.flags().testFlag(Qt::ItemIsEnabled)) {
            list->setCurrentIndex(highlighted.row());
        }
        list->hidePopup();
        // The release comes to the list itself, which has the focus again.
        TakePress(list, key->key());
    }
    return true;
}

bool EditWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool keyEvent = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (SkinComboBox* list = ListOfPopup(watched); list != nullptr && keyEvent && ChooseInOpenList(list, event)) {
        return true;
    }
    return SkinnedWindow::eventFilter(watched, event);
}

bool EditWindow::KeyReleased(const QObject* on, int key, bool pressedHere) {
    // Enter in the fields and the lists validates; on a button it presses the button.
    const auto lists = frequencyRow_->lists();
    const bool inField =
        on == sourceField_ || on == destinationField_ || std::find(lists.begin(), lists.end(), on) != lists.end();
    if (inField && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        if (pressedHere) {
            Validate();
        }
        return true;
    }
    return SkinnedWindow::KeyReleased(on, key, pressedHere);
}

} // namespace vantorel
