#include "ui/shown_position.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace vantorel {

namespace {

ShownPositionSource& Source() {
    static ShownPositionSource source;
    return source;
}

bool& PlacesWindows() {
    static bool places = false;
    return places;
}

// The X server of the program's windows, or null on another platform (the
// offscreen one answers as an X11 platform without a connection).
xcb_connection_t* XConnection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};

} // namespace

std::optional<QPoint> AskWindowSystem(const QWidget* window) {
    xcb_connection_t* connection = XConnection();
    if (connection == nullptr || window->windowHandle() == nullptr || !window->isVisible()) {
        return std::nullopt;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    const std::unique_ptr<xcb_query_tree_reply_t, FreeReply> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, id), nullptr));
    if (!tree) {
        return std::nullopt;
    }
    const std::unique_ptr<xcb_translate_coordinates_reply_t, FreeReply> origin(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, id, tree->root, 0, 0), nullptr));
    if (!origin) {
        return std::nullopt;
    }
    // X11 counts in device pixels, Qt in logical ones.
    const qreal ratio = window->devicePixelRatioF();
    return QPoint(qRound(origin->dst_x / ratio), qRound(origin->dst_y / ratio));
}

void FollowShownPosition(QWidget* window) {
    const ShownPositionSource& source = Source();
    const std::optional<QPoint> shown = source ? source(window) : AskWindowSystem(window);
    const QPoint believed = window->geometry().topLeft();
    if (!shown || *shown == believed) {
        return;
    }
    PlacesWindows() = true;
    // A move to where the window already is: the compositor leaves it there
    // (it ignores a client's moves), and Qt takes the place as the window's.
    window->move(window->pos() + (*shown - believed));
}

bool WindowSystemPlacesWindows() {
    return PlacesWindows();
}

void OpenWhereItIsPlaced(QWidget* parent, QWidget* child) {
    FollowShownPosition(parent->window());
    if (WindowSystemPlacesWindows() && !child->windowFlags().testFlag(Qt::X11BypassWindowManagerHint)) {
        const bool visible = child->isVisible();
        child->setWindowFlags(child->windowFlags() | Qt::X11BypassWindowManagerHint);
        if (visible) {
            child->show();
        }
    }
}

void GiveKeyboard(QWidget* window) {
    window->activateWindow();
    window->grabKeyboard();
}

void ReleaseKeyboard() {
    if (QWidget* grabber = QWidget::keyboardGrabber()) {
        grabber->releaseKeyboard();
    }
}

void SetShownPositionSourceForTesting(ShownPositionSource source) {
    Source() = std::move(source);
    PlacesWindows() = false;
}

} // namespace vantorel
