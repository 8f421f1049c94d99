#include "ui/skinned_window.h"

#include "ui/shown_position.h"
#include "ui/skin.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <utility>

namespace vantorel {

SkinnedWindow::SkinnedWindow(const QString& objectName, int width, int height, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(objectName);
    setPalette(SkinPalette(kSkinBackground));
    setAutoFillBackground(true);
    setFont(SkinFont(11));
    AddFrameLines(this);
    SetFixedWindowSize(width, height);
}

void SkinnedWindow::SetFixedWindowSize(int width, int height) {
    setFixedSize(width, height);
    PlaceFrameLines(this);
}

void SkinnedWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SkinnedWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && windowFlags().testFlag(Qt::X11BypassWindowManagerHint)) {
        activeBefore_ = QApplication::activeWindow();
        // Once the window is on screen: the show event comes before it is.
        // Only a modal window holds the keyboard: a modeless one must leave
        // it to the window beneath.
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && isModal()) {
                GiveKeyboard(this);
            }
        });
    }
}

void SkinnedWindow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (event->spontaneous() || !windowFlags().testFlag(Qt::X11BypassWindowManagerHint)) {
        return;
    }
    ReleaseKeyboard();
    // Once this window is gone: the modal window beneath it (the edit window
    // under the folder picker) holds the keyboard again, else the window
    // that was active before gets it back.
    QTimer::singleShot(0, qApp, [before = std::exchange(activeBefore_, nullptr)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->windowFlags().testFlag(Qt::X11BypassWindowManagerHint)) {
            GiveKeyboard(modal);
        } else if (before != nullptr && before->isVisible()) {
            before->activateWindow();
        }
    });
}

bool SkinnedWindow::event(QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
                     event->type() == QEvent::ShortcutOverride;
    if (!key || forwardingKey_ || QWidget::keyboardGrabber() != this) {
        return QDialog::event(event);
    }
    // The keyboard is held for the window (GiveKeyboard), so every key comes
    // to the window itself: hand it on to the open list, else to the
    // focused control, as the window system would have.
    QWidget* target = QApplication::activePopupWidget();
    if (target != nullptr) {
        target = target->focusWidget() != nullptr ? target->focusWidget() : target;
    } else if (focusWidget() != nullptr && focusWidget() != this) {
        target = focusWidget();
    }
    if (target == nullptr) {
        return QDialog::event(event);
    }
    forwardingKey_ = true;
    QApplication::sendEvent(target, event);
    forwardingKey_ = false;
    return true;
}

} // namespace vantorel
