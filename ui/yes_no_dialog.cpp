#include "ui/yes_no_dialog.h"

#include "ui/centre_over.h"
#include "ui/grey_overlay.h"
#include "ui/image_button.h"
#include "ui/shown_position.h"
#include "ui/skin.h"
#include "ui/skin_image.h"

#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>
#include <deque>

namespace vantorel {

namespace {

constexpr int kDesignWidth = 392;
constexpr int kHeight = 82;
constexpr int kMinimumWidth = 400;
constexpr int kMaximumTextWidth = 750;
constexpr int kButtonTop = 49;
constexpr int kBottomLineTop = 78;
constexpr int kLineBreakGrowth = 24;
constexpr int kButtonMargin = 20;
constexpr int kPictureGap = 10;
constexpr int kCursorDelayMs = 10;

std::deque<bool>& QueuedAnswers() {
    static std::deque<bool> answers;
    return answers;
}

QStringList& AskedQuestions() {
    static QStringList asked;
    return asked;
}

} // namespace

YesNoDialog::YesNoDialog(QWidget* parent)
    : SkinnedWindow(QStringLiteral("FormMessageDialogInterne"), kDesignWidth, kHeight, parent) {
    setFocusPolicy(Qt::StrongFocus);

    alertPicture_ = new QLabel(this);
    alertPicture_->setObjectName(QStringLiteral("ImageAlert"));
    alertPicture_->setPixmap(SkinPixmap(QStringLiteral("alert.jpg"), QSize(28, 29), kSkinMaroon));
    alertPicture_->setGeometry(0, 9, 28, 29);

    messageLabel_ = new QLabel(this);
    messageLabel_->setObjectName(QStringLiteral("LbAlert"));
    messageLabel_->setFont(SkinFont(13, true));
    messageLabel_->move(0, 21);

    noButton_ = ImageButton::Large(this, QStringLiteral("Non"), QStringLiteral("non"), kButtonMargin, kButtonTop);
    yesButton_ = ImageButton::Large(this, QStringLiteral("Oui"), QStringLiteral("oui"), 0, kButtonTop);
    connect(yesButton_, &ImageButton::clicked, this, [this] { Answer(true); });
    connect(noButton_, &ImageButton::clicked, this, [this] { Answer(false); });
    // The window itself answers the keys (Enter and Space: yes), so no button
    // may take the focus and turn an Enter into its own answer.
    yesButton_->setFocusPolicy(Qt::NoFocus);
    noButton_->setFocusPolicy(Qt::NoFocus);

    pointerTimer_ = new QTimer(this);
    pointerTimer_->setObjectName(QStringLiteral("TimerCurseur"));
    pointerTimer_->setSingleShot(true);
    pointerTimer_->setInterval(kCursorDelayMs);
    connect(pointerTimer_, &QTimer::timeout, this, &YesNoDialog::MovePointerOntoYes);
}

void YesNoDialog::SetMessage(const QString& text) {
    message_ = text;
    messageLabel_->setText(DisplayText(text));
}

void YesNoDialog::showEvent(QShowEvent* event) {
    SkinnedWindow::showEvent(event);
    if (!event->spontaneous()) {
        LayOut();
    }
}

void YesNoDialog::LayOut() {
    // The label is as wide as its widest line, cut at 750 pixels.
    const QFontMetrics metrics(messageLabel_->font());
    const QStringList lines = messageLabel_->text().split(QLatin1Char('\n'));
    int textWidth = 0;
    for (const QString& line : lines) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    }
    textWidth = std::min(textWidth, kMaximumTextWidth);
    messageLabel_->resize(textWidth, metrics.lineSpacing() * static_cast<int>(lines.size()));

    int height = kHeight;
    int buttonTop = kButtonTop;
    int bottomLineTop = kBottomLineTop;
    const int width = std::max(alertPicture_->width() + textWidth + 70, kMinimumWidth);

    const int pictureLeft = width / 2 - (textWidth + alertPicture_->width() + kPictureGap) / 2;
    alertPicture_->move(pictureLeft, alertPicture_->y());
    messageLabel_->move(pictureLeft + alertPicture_->width() + kPictureGap, messageLabel_->y());

    // The window grows once for a line break, however many there are; a
    // notice, which lists names, grows by every line past the second.
    int growth = message_.contains(QStringLiteral("\r\n"), Qt::CaseInsensitive) ? kLineBreakGrowth : 0;
    if (closeButton_ != nullptr && lines.size() > 2) {
        growth += metrics.lineSpacing() * static_cast<int>(lines.size() - 2);
    }
    buttonTop += growth;
    bottomLineTop += growth;
    height += growth;
    noButton_->Place(kButtonMargin, buttonTop);
    yesButton_->Place(width - yesButton_->width() - noButton_->x(), buttonTop);
    if (closeButton_ != nullptr) {
        closeButton_->Place(width / 2 - closeButton_->width() / 2, buttonTop);
    }

    SetFixedWindowSize(width, height);
    if (auto* bottom = findChild<QLabel*>(QStringLiteral("ImageTraitBas"))) {
        bottom->move(0, bottomLineTop);
    }

    // Centred on the screen that holds the window asking, not on the first
    // screen, which may be another one.
    const QRect screen = parentWidget() != nullptr ? ScreenOf(parentWidget()) : ScreenOf(this);
    move(screen.left() + screen.width() / 2 - width / 2, screen.top() + screen.height() / 2 - height / 2);
    pointerTimer_->start();
}

void YesNoDialog::MovePointerOntoYes() {
    pointerTimer_->stop();
    const ImageButton* target = closeButton_ != nullptr ? closeButton_ : yesButton_;
    QCursor::setPos(x() + target->x() + target->width() / 2, y() + target->y() + target->height() / 2);
}

void YesNoDialog::MakeNotice() {
    // A notice has nothing to answer: one FERMER button in place of OUI and
    // NON, which every key that answers a question also presses.
    for (ImageButton* button : {yesButton_, noButton_}) {
        button->hide();
        if (QLabel* twin = button->twin()) {
            twin->hide();
        }
    }
    closeButton_ = ImageButton::Large(this, QStringLiteral("Fermer"), QStringLiteral("fermer"), 0, kButtonTop);
    closeButton_->setFocusPolicy(Qt::NoFocus);
    connect(closeButton_, &ImageButton::clicked, this, [this] { Answer(true); });
}

void YesNoDialog::Dismiss() {
    Answer(false);
}

bool YesNoDialog::KeyReleased(const QObject* on, int key, bool pressedHere) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        if (pressedHere) {
            Answer(true);
        }
        return true;
    }
    return SkinnedWindow::KeyReleased(on, key, pressedHere);
}

void YesNoDialog::Answer(bool yes) {
    answer_ = yes;
    if (yes) {
        accept();
    } else {
        reject();
    }
}

bool AskYesNo(GreyOverlay& overlays, QWidget* parent, const QString& text) {
    overlays.ShowOverlay(parent, OverlaySlot::YesNoDialog);
    bool yes = false;
    if (!QueuedAnswers().empty()) {
        yes = QueuedAnswers().front();
        QueuedAnswers().pop_front();
        AskedQuestions().append(text);
    } else {
        QPointer<YesNoDialog> dialog = new YesNoDialog(parent);
        OpenWhereItIsPlaced(parent, dialog);
        dialog->SetMessage(text);
        dialog->exec();
        // The window may have gone with its parent while its loop ran.
        if (dialog) {
            yes = dialog->answer();
            delete dialog.data();
        }
    }
    overlays.HideOverlay(OverlaySlot::YesNoDialog);
    return yes;
}

void ShowNotice(GreyOverlay& overlays, QWidget* parent, const QString& text) {
    overlays.ShowOverlay(parent, OverlaySlot::YesNoDialog);
    if (!QueuedAnswers().empty()) {
        QueuedAnswers().pop_front();
        AskedQuestions().append(text);
    } else {
        QPointer<YesNoDialog> dialog = new YesNoDialog(parent);
        OpenWhereItIsPlaced(parent, dialog);
        dialog->MakeNotice();
        dialog->SetMessage(text);
        dialog->exec();
        delete dialog.data(); // nothing when it went with its parent meanwhile
    }
    overlays.HideOverlay(OverlaySlot::YesNoDialog);
}

void QueueAnswerForTesting(bool yes) {
    QueuedAnswers().push_back(yes);
}

QStringList TakeAskedQuestionsForTesting() {
    QStringList asked;
    asked.swap(AskedQuestions());
    return asked;
}

} // namespace vantorel
