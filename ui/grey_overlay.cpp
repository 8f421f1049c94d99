#include "ui/grey_overlay.h"

#include "ui/skin.h"

#include <QCoreApplication>
#include <QPainter>

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

// The grey, drawn at kOverlayOpacity over whatever the covered window shows.
class GreyLayer : public QWidget {
public:
    explicit GreyLayer(QWidget* covered) : QWidget(covered) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QColor grey = kOverlayGrey;
        grey.setAlpha(kOverlayOpacity);
        QPainter(this).fillRect(rect(), grey);
    }
};

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
    // The whole of the covered window, above every control in it, and below
    // the modal window opened next.
    QWidget* window = const_cast<QWidget*>(covered->window());
    auto* layer = new GreyLayer(window);
    layer->setObjectName(QStringLiteral("FormGris%1").arg(static_cast<int>(slot)));
    layer->setGeometry(window->rect());
    slots_[Index(slot)] = layer;

    QCoreApplication::processEvents();
    // The event processing may have replaced the layer, or closed its window.
    QWidget* shown = slots_[Index(slot)].data();
    if (shown != layer) {
        return;
    }
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
