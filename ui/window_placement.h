#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace vantorel {

// Where a window of `window` size goes when its stored top-left corner is
// `stored`. `grip` is the part of the window (in its own coordinates) the user
// needs to reach to move it. `screens` are the usable areas of the screens
// (without their panels). The window goes wholly into the area under the
// grip's centre, or the nearest one when that screen is gone, so it never
// comes back under a panel, invisible or out of reach; an area smaller than
// the window shows its top-left part, with the grip. No screens at all: the
// stored place.
QPoint VisiblePosition(QPoint stored, QSize window, const QRect& grip, const QList<QRect>& screens);

// Moves `window` to VisiblePosition over the usable areas of the screens that exist now.
void PlaceOnScreen(QWidget* window, QPoint stored, const QRect& grip);

} // namespace vantorel
