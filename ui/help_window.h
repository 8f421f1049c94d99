#pragma once

#include "ui/skinned_window.h"

class QScrollArea;

namespace vantorel {

// The help window: a fixed French text in a scroll box, created at start-up
// and kept; every showing starts at the top of the text.
class HelpWindow : public SkinnedWindow {
    Q_OBJECT

public:
    HelpWindow();

    // The scroll step of one wheel notch, in pixels.
    static constexpr int kWheelStep = 20;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildText(QWidget* panel);

    QScrollArea* scrollBox_;
    // The wheel's turn not yet worth a whole pixel, in eighths of a degree.
    int wheelAngle_ = 0;
};

} // namespace vantorel
