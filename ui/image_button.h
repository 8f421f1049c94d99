#pragma once

#include <QLabel>
#include <QPointer>

namespace vantorel {

// A picture button: the picture "Image<suffix>" with its pressed twin
// "ImageClic<suffix>" stacked beneath it, with the same bounds, in the same
// parent. Pressing the left button brings the twin to the front; releasing
// any button brings the picture back. A release of the left button over the
// picture that was pressed emits clicked() first, so the pressed look stays
// while the action (perhaps a modal window) runs.
//
// The keyboard reaches it too: Tab gives it the focus, shown as a ring in the
// skin's gold, and Space or Enter press and release it as the left button
// would. Its accessible name is its caption, for screen readers.
class ImageButton : public QLabel {
    Q_OBJECT

public:
    // `word` names the pictures: button_<word>.jpg and button_<word>_pressed.jpg,
    // or small_<word>.jpg for the 20 x 20 buttons.
    ImageButton(QWidget* parent, const QString& suffix, const QString& pictureName, const QString& pressedName,
                QSize size, const QString& caption);

    // A large 107 x 25 button carrying `word` (button_<word>.jpg); its
    // caption is the word in capitals, as the picture reads.
    static ImageButton* Large(QWidget* parent, const QString& suffix, const QString& word, int x, int y);
    // A small 20 x 20 title-bar button (small_<word>.jpg): help, minimise or
    // close, with the caption of what it does.
    static ImageButton* Small(QWidget* parent, const QString& suffix, const QString& word, int x, int y);

    // Moves the picture and its twin together.
    void Place(int x, int y);
    QLabel* twin() const { return twin_; }
    // True while the pressed twin is in front of the picture.
    bool showsPressed() const;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Brings the twin (pressed) or the picture (released) to the front.
    void ShowPressed(bool pressed);
    // Emits clicked(), then shows the picture again unless the action
    // destroyed the button.
    void ClickAndRelease();

    QPointer<QLabel> twin_;
    bool leftPressed_ = false;
    // The key (Space or Enter) whose press is holding the button down, or 0.
    int pressedKey_ = 0;
};

} // namespace vantorel
