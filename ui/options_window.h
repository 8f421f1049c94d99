#pragma once

#include "ui/skinned_window.h"

namespace vantorel {

// The options window. Its two choices (start with the session, minimise at
// start) come with the notification-area work; for now it shows its frame,
// its title and its two ways to close.
class TFormOptions : public SkinnedWindow {
    Q_OBJECT

public:
    TFormOptions();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
};

} // namespace vantorel
