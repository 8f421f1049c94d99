#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace vantorel {

// Where a child window of `child` size goes to sit centred over `parent`
// (a window's left, top, width and height) on a screen of `screen` size.
// Only the right and bottom screen edges pull the child back; a child may end
// up left of or above the screen's origin.
QPoint CentreOverPosition(const QRect& parent, QSize child, QSize screen);

// Moves `child` centred over `parent` on the parent's screen.
void CentreOver(const QWidget* parent, QWidget* child);

// Keeps a modeless window shown over `parent` above it, so that a window
// manager giving the parent the focus later (or a move of the parent at
// start-up) never hides it behind.
void KeepAbove(QWidget* parent, QWidget* child);

} // namespace vantorel
