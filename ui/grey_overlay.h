#pragma once

#include <QPointer>
#include <QWidget>

#include <array>

namespace vantorel {

// The slots of the grey layer. Each modal window that dims the window behind
// it has its own, so two can be on screen at once.
enum class OverlaySlot {
    Unused0 = 0,
    YesNoDialog = 1,
    FolderPicker = 2,
    EditWindow = 3,
    Unused4 = 4,
};
inline constexpr int kOverlaySlotCount = 5;
// The layer's opacity, out of 255.
inline constexpr int kOverlayOpacity = 130;

// The grey overlay manager: created once at start-up, never shown itself. It
// lays a translucent grey layer exactly over a window while a modal window is
// open above it. The layer is painted inside the covered window, over all its
// content, rather than being a translucent window of its own: a window's
// opacity needs a compositor, which many X11 desktops run without (an opaque
// grey window would hide the window beneath), and Wayland lets no client
// stack a window of its own exactly over another.
class GreyOverlay : public QWidget {
    Q_OBJECT

public:
    GreyOverlay();
    ~GreyOverlay() override;

    // Covers `covered` with a new grey layer named "FormGris<slot>", replacing
    // whatever the slot held. Lets pending events run before and after, so the
    // layer is painted before the caller opens its modal window. The layer
    // lives in the covered window: it goes with it, and moves with it.
    void ShowOverlay(const QWidget* covered, OverlaySlot slot);
    // Lets pending events run once, then closes the slot's layer, if any.
    void HideOverlay(OverlaySlot slot);

    // The layer in a slot (a child of the covered window), or null.
    QWidget* overlay(OverlaySlot slot) const;

private:
    std::array<QPointer<QWidget>, kOverlaySlotCount> slots_;
};

} // namespace vantorel
