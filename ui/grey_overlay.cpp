#include "ui/grey_overlay.h"

#include "ui/skin.h"

#include <QCoreApplication>

namespace vantorel {

namespace {

std::size_t Index(OverlaySlot slot) {
    return static_cast<std::size_t>(slot);
}

void Discard(QPointer<QWidget>& layer) {
    if (layer) {
        layer->close();
        delete layer.data();
    }
    layer = nullptr;
}

} // namespace

GreyOverlay::GreyOverlay() {
    setObjectName(QStringLiteral("FormGrisTransparent"));
}

GreyOverlay::~GreyOverlay() {
    for (QPointer<QWidget>& layer : slots_) {
        Discard(layer);
    }
}

void GreyOverlay::ShowOverlay(const QWidget* covered, OverlaySlot slot) {
    Discard(slots_[Index(slot)]);
    // A window of its own, kept above the covered window by the window system
    // (it is transient for it), and below the modal window opened next. It
    // keeps the covered window's bounds of this moment: it does not follow a move.
    auto* layer = new QWidget(const_cast<QWidget*>(covered->window()),
                              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    layer->setObjectName(QStringLiteral("FormGris%1").arg(static_cast<int>(slot)));
    layer->setAttribute(Qt::WA_ShowWithoutActivating);
    PaintBackground(layer, kOverlayGrey);
    layer->setGeometry(covered->geometry());
    slots_[Index(slot)] = layer;

    QCoreApplication::processEvents();
    // The event processing may have replaced the layer, or closed its window.
    QWidget* shown = slots_[Index(slot)].data();
    if (shown != layer) {
        return;
    }
    shown->setWindowOpacity(kOverlayOpacity / 255.0);
    shown->show();
    shown->raise();
    QCoreApplication::processEvents();
}

void GreyOverlay::HideOverlay(OverlaySlot slot) {
    QCoreApplication::processEvents();
    Discard(slots_[Index(slot)]);
}

QWidget* GreyOverlay::overlay(OverlaySlot slot) const {
    return slots_[Index(slot)].data();
}

} // namespace vantorel
