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

void SkinnedWindow::Dismiss() {
    close();
}

bool SkinnedWindow::KeyReleased(const QObject* /*on*/, int key, bool pressedHere) {
    if (key != Qt::Key_Escape) {
        return false;
    }
    if (pressedHere) {
        Dismiss();
    }
    return true;
}

void SkinnedWindow::TakePress(QObject* on, int key) {
    keyPressedOn_ = on;
    pressedKey_ = key;
}

void SkinnedWindow::NotePress(QObject* on, const QKeyEvent& key) {
    if (key.isAutoRepeat()) {
        return;
    }
    // A press the control leaves to the controls around it stays the control's.
    const auto* around = qobject_cast<const QWidget*>(on);
    const auto* pressed = qobject_cast<const QWidget*>(keyPressedOn_.data());
    if (key.key() == pressedKey_ && around != nullptr && pressed != nullptr && around->isAncestorOf(pressed)) {
        return;
    }
    TakePress(on, key.key());
}

bool SkinnedWindow::Release(QObject* on, const QKeyEvent& key) {
    bool pressedHere = false;
    if (!key.isAutoRepeat() && key.key() == pressedKey_) {
        pressedHere = keyPressedOn_ == on;
        TakePress(nullptr, 0);
    }
    return KeyReleased(on, key.key(), pressedHere);
}

bool SkinnedWindow::IsOwnControl(const QWidget* widget) const {
    for (const QWidget* up = widget->parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (qobject_cast<const SkinnedWindow*>(up) != nullptr) {
            return up == this;
        }
    }
    return false;
}

void SkinnedWindow::keyPressEvent(QKeyEvent* event) {
    NotePress(this, *event);
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SkinnedWindow::keyReleaseEvent(QKeyEvent* event) {
    if (!Release(this, *event)) {
        QDialog::keyReleaseEvent(event);
    }
}

bool SkinnedWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != this && event->type() == QEvent::KeyPress) {
        NotePress(watched, *static_cast<QKeyEvent*>(event));
    } else if (watched != this && event->type() == QEvent::KeyRelease &&
               Release(watched, *static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SkinnedWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A key pressed before the window showed is not for it.
    TakePress(nullptr, 0);
    // Every control, open lists included, whatever was added since the last
    // show; a filter installed again still runs once.
    for (QWidget* control : findChildren<QWidget*>()) {
        if (IsOwnControl(control)) {
            control->installEventFilter(this);
        }
    }
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
