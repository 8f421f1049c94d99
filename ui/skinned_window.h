#pragma once

#include <QDialog>

namespace vantorel {

// A secondary window of the skin: borderless, fixed size, background #DAC8A9
// and the four frame lines. The modal ones run through exec().
class SkinnedWindow : public QDialog {
    Q_OBJECT

public:
    SkinnedWindow(const QString& objectName, int width, int height, QWidget* parent = nullptr);

    // Changes the fixed size and moves the bottom and right frame lines along.
    void SetFixedWindowSize(int width, int height);

protected:
    // Keys act on release: the press of Escape must not close the window.
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace vantorel
