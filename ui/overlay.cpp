#include "ui/overlay.h"

#include "ui/skin.h"

#include <QCoreApplication>

namespace vantorel {

namespace {

std::size_t Index(OverlaySlot slot) {
    return static_cast<std::size_t>(slot);
}

} // namespace

TFormGrisTransparent::TFormGrisTransparent() {
    setObjectName(QStringLiteral("FormGrisTransparent"));
}

TFormGrisTransparent::~TFormGrisTransparent() = default;

void TFormGrisTransparent::ShowOverlay(const QWidget* covered, OverlaySlot slot) {
    // Not owned by any other window, so it never moves or hides with one.
    auto layer = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    layer->setObjectName(QStringLiteral("FormGris%1").arg(static_cast<int>(slot)));
    layer->setAttribute(Qt::WA_ShowWithoutActivating);
    PaintBackground(layer.get(), kOverlayGrey);
    layer->setGeometry(covered->geometry());
    QWidget* shown = layer.get();
    slots_[Index(slot)] = std::move(layer);

    QCoreApplication::processEvents();
    // The event processing may have replaced the slot's layer meanwhile.
    if (slots_[Index(slot)].get() != shown) {
        return;
    }
    shown->setWindowOpacity(kOverlayOpacity / 255.0);
    shown->show();
    shown->raise();
    QCoreApplication::processEvents();
}

void TFormGrisTransparent::HideOverlay(OverlaySlot slot) {
    QCoreApplication::processEvents();
    std::unique_ptr<QWidget> layer = std::move(slots_[Index(slot)]);
    if (layer) {
        layer->close();
    }
}

QWidget* TFormGrisTransparent::overlay(OverlaySlot slot) const {
    return slots_[Index(slot)].get();
}

} // namespace vantorel
