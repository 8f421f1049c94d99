#include "ui/centre_over.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace vantorel {

QPoint CentreOverPosition(const QRect& parent, QSize child, QSize screen) {
    int left = parent.width() / 2 + parent.left() - child.width() / 2;
    int top = parent.height() / 2 + parent.top() - child.height() / 2;
    if (top > screen.height() - child.height()) {
        top = screen.height() - child.height();
    }
    if (left > screen.width() - child.width()) {
        left = screen.width() - child.width();
    }
    return {left, top};
}

void CentreOver(const QWidget* parent, QWidget* child) {
    const QScreen* screen = parent->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QSize screenSize = screen != nullptr ? screen->geometry().size() : QSize(1 << 20, 1 << 20);
    child->move(CentreOverPosition(parent->geometry(), child->size(), screenSize));
}

void KeepAbove(QWidget* parent, QWidget* child) {
    // The windows stay separate objects with their own owners: only the
    // window system learns that the child belongs over the parent.
    parent->winId();
    child->winId();
    if (QWindow* window = child->windowHandle()) {
        window->setTransientParent(parent->windowHandle());
    }
}

} // namespace vantorel
