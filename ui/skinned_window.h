#pragma once

#include <QDialog>
#include <QPointer>

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
    // A window the window manager leaves alone (OpenWhereItIsPlaced) gets the
    // keyboard from the program itself, and hands it back when it hides.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    QPointer<QWidget> activeBefore_;
    // A key event held for the window is being handed to its focused control.
    bool forwardingKey_ = false;
};

} // namespace vantorel
