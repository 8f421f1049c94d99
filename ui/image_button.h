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
class ImageButton : public QLabel {
    Q_OBJECT

public:
    // `word` names the pictures: button_<word>.jpg and button_<word>_pressed.jpg,
    // or small_<word>.jpg for the 20 x 20 buttons.
    ImageButton(QWidget* parent, const QString& suffix, const QString& pictureName, const QString& pressedName,
                QSize size);

    // A large 107 x 25 button carrying `word` (button_<word>.jpg).
    static ImageButton* Large(QWidget* parent, const QString& suffix, const QString& word, int x, int y);
    // A small 20 x 20 title-bar button (small_<word>.jpg).
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
    void moveEvent(QMoveEvent* event) override;

private:
    QPointer<QLabel> twin_;
    bool leftPressed_ = false;
};

} // namespace vantorel
