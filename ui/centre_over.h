#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace vantorel {

// The screen (one of `screens`, the primary first) that holds a window of
// bounds `window`: the one holding its centre, else the one it overlaps most,
// else the primary. An empty rectangle when there is no screen at all.
QRect ScreenHolding(const QRect& window, const QList<QRect>& screens);

// The geometry of the screen that holds `widget`'s window now.
QRect ScreenOf(const QWidget* widget);

// Where a child window of `child` size goes to sit centred over `parent`
// (a window's left, top, width and height) on `screen`, the parent's screen
// with its place among the others. Only the screen's right and bottom edges
// pull the child back; a child may end up left of or above the screen.
QPoint CentreOverPosition(const QRect& parent, QSize child, const QRect& screen);

// Moves `child` centred over `parent` on the parent's screen, from where the
// window system really shows the parent, and makes sure the child opens there
// (OpenWhereItIsPlaced).
void CentreOver(QWidget* parent, QWidget* child);

// Keeps a modeless window shown over `parent` above it, so that a window
// manager giving the parent the focus later (or a move of the parent at
// start-up) never hides it behind.
void KeepAbove(QWidget* parent, QWidget* child);

} // namespace vantorel
