#pragma once

#include <QPoint>

#include <functional>
#include <optional>

class QWidget;

namespace vantorel {

// Where the window system really shows a window: the top-left corner of its
// contents in screen coordinates, or nullopt when it cannot tell.
using ShownPositionSource = std::function<std::optional<QPoint>(const QWidget* window)>;

// The X server's answer under X11 (XWayland included); nullopt elsewhere,
// where Qt's own idea is kept up to date by the window system.
std::optional<QPoint> AskWindowSystem(const QWidget* window);

// Some compositors (weston's XWayland) place a window where they please and
// never tell the program, which then believes the window is where it asked:
// every popup and child window placed from that belief opens far from the
// window. Makes Qt's idea of where `window` (a top-level window) is match
// where the window system shows it; nothing when they agree or when it cannot
// tell. Call before placing anything from the window's position.
void FollowShownPosition(QWidget* window);

// True once FollowShownPosition found a window shown elsewhere than asked:
// this window system places windows itself, and ignores where a new window
// asks to be.
bool WindowSystemPlacesWindows();

// Prepares `child`, about to be shown over `parent`, to open where it is
// placed: after FollowShownPosition on the parent, a window system that places
// windows itself gets a window it must leave where the program puts it (one
// it does not manage, as it leaves a menu). Call before showing the child.
void OpenWhereItIsPlaced(QWidget* parent, QWidget* child);

// Gives the keyboard to `window`, a window the window manager leaves alone
// and so never activates. Such a compositor also takes the focus back from
// any program that sets it: under X11 the keyboard is then held for the
// window (grabbed) until ReleaseKeyboard, as a menu holds it.
void GiveKeyboard(QWidget* window);
void ReleaseKeyboard();

// Tests only: where windows are shown, instead of asking the window system;
// an empty source asks the window system again.
void SetShownPositionSourceForTesting(ShownPositionSource source);

} // namespace vantorel
