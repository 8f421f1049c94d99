#include "ui/centre_over.h"

#include "ui/shown_position.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace vantorel {

QRect ScreenHolding(const QRect& window, const QList<QRect>& screens) {
    if (screens.isEmpty()) {
        return {};
    }
    const QPoint centre = window.center();
    for (const QRect& screen : screens) {
        if (screen.contains(centre)) {
            return screen;
        }
    }
    QRect best = screens.front();
    qint64 bestArea = 0;
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(window);
        const qint64 area = qint64{common.width()} * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

QRect ScreenOf(const QWidget* widget) {
    QList<QRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary != nullptr) {
        screens.append(primary->geometry());
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) {
            screens.append(screen->geometry());
        }
    }
    const QRect held = ScreenHolding(widget->window()->geometry(), screens);
    // No screen at all: nothing to keep the window on.
    return held.isEmpty() ? QRect(0, 0, 1 << 20, 1 << 20) : held;
}

QPoint CentreOverPosition(const QRect& parent, QSize child, const QRect& screen) {
    int left = parent.width() / 2 + parent.left() - child.width() / 2;
    int top = parent.height() / 2 + parent.top() - child.height() / 2;
    const int screenBottom = screen.top() + screen.height();
    const int screenRight = screen.left() + screen.width();
    if (top > screenBottom - child.height()) {
        top = screenBottom - child.height();
    }
    if (left > screenRight - child.width()) {
        left = screenRight - child.width();
    }
    return {left, top};
}

void CentreOver(QWidget* parent, QWidget* child) {
    OpenWhereItIsPlaced(parent, child);
    child->move(CentreOverPosition(parent->geometry(), child->size(), ScreenOf(parent)));
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
