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

    // What the window's close button does, and Escape too: closes the window.
    virtual void Dismiss();

protected:
    // The release of `key` in `on`, a control of the window or the window
    // itself. pressedHere: the key's press came to the same place (an Escape
    // that closed an open list was pressed in the list, so its release in the
    // field does nothing); an auto-repeat never is. Returns true when the
    // window takes the key, which the control then does not see. The window
    // takes Escape, and dismisses on it.
    virtual bool KeyReleased(const QObject* on, int key, bool pressedHere);
    // Counts the press of `key` as made in `on` (an open list that closed on
    // it hands the release to its field).
    void TakePress(QObject* on, int key);

    // Keys act on release: the press of Escape must not close the window.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // The window's controls keep their key releases to themselves, so the
    // window watches every control of its own (from each show on) for them.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A window the window manager leaves alone (OpenWhereItIsPlaced) gets the
    // keyboard from the program itself, and hands it back when it hides.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Whether `widget` belongs to this window, open lists included, and not
    // to a window of its own within it.
    bool IsOwnControl(const QWidget* widget) const;
    void NotePress(QObject* on, const QKeyEvent& key);
    bool Release(QObject* on, const QKeyEvent& key);

    QPointer<QWidget> activeBefore_;
    // Where the latest key press went and its key, until that key's release.
    QPointer<QObject> keyPressedOn_;
    int pressedKey_ = 0;
    // A key event held for the window is being handed to its focused control.
    bool forwardingKey_ = false;
};

} // namespace vantorel
