#include "ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace vantorel {

namespace {

// Squared distance from `point` to the nearest point of `area`.
long long DistanceSquared(QPoint point, const QRect& area) {
    const long long dx = point.x() < area.left()    ? area.left() - point.x()
                         : point.x() > area.right() ? point.x() - area.right()
                                                    : 0;
    const long long dy = point.y() < area.top()      ? area.top() - point.y()
                         : point.y() > area.bottom() ? point.y() - area.bottom()
                                                     : 0;
    return dx * dx + dy * dy;
}

// `value` moved into [low, high]; `low` wins when the range is empty (a
// window larger than the screen shows its top-left part, where its grip is).
int Clamp(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

} // namespace

QPoint VisiblePosition(QPoint stored, QSize window, const QRect& grip, const QList<QRect>& screens) {
    // The screen the window was dropped on is the one under its grip, else
    // (that screen is gone) the nearest one.
    const QPoint gripCentre = grip.translated(stored).center();
    const QRect* nearest = nullptr;
    long long best = std::numeric_limits<long long>::max();
    for (const QRect& screen : screens) {
        const long long distance = DistanceSquared(gripCentre, screen);
        if (distance < best) {
            best = distance;
            nearest = &screen;
        }
    }
    if (nearest == nullptr) {
        return stored;
    }
    // Wholly inside the usable part of that screen, never under a panel.
    return {Clamp(stored.x(), nearest->left(), nearest->right() + 1 - window.width()),
            Clamp(stored.y(), nearest->top(), nearest->bottom() + 1 - window.height())};
}

void PlaceOnScreen(QWidget* window, QPoint stored, const QRect& grip) {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        areas.append(screen->availableGeometry());
    }
    window->move(VisiblePosition(stored, window->size(), grip, areas));
}

} // namespace vantorel
