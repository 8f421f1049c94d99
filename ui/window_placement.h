#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace vantorel {

// Where a window of `window` size goes when its stored top-left corner is
// `stored`. `grip` is the part of the window (in its own coordinates) the user
// needs to reach to move it. The stored place is kept while some of the grip
// is on one of `screens`; otherwise (the screen it was on is gone) the window
// is pulled into the screen nearest to the grip, wholly when it fits, so it
// can never come back invisible or out of reach. No screens at all: the stored place.
QPoint VisiblePosition(QPoint stored, QSize window, const QRect& grip, const QList<QRect>& screens);

// Moves `window` to VisiblePosition over the screens that exist now.
void PlaceOnScreen(QWidget* window, QPoint stored, const QRect& grip);

} // namespace vantorel
