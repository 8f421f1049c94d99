#include "ui/image_button.h"

#include "ui/skin.h"
#include "ui/skin_image.h"

#include <QMouseEvent>

namespace vantorel {

namespace {

constexpr QSize kLargeSize(107, 25);
constexpr QSize kSmallSize(20, 20);

} // namespace

ImageButton::ImageButton(QWidget* parent, const QString& suffix, const QString& pictureName, const QString& pressedName,
                         QSize size)
    : QLabel(parent) {
    // The twin is created first so that it starts beneath the picture.
    twin_ = new QLabel(parent);
    twin_->setObjectName(QStringLiteral("ImageClic") + suffix);
    twin_->setPixmap(SkinPixmap(pressedName, size, kSkinMaroon.darker()));
    twin_->resize(size);
    twin_->setCursor(Qt::PointingHandCursor);

    setObjectName(QStringLiteral("Image") + suffix);
    setPixmap(SkinPixmap(pictureName, size, kSkinMaroon));
    resize(size);
    setCursor(Qt::PointingHandCursor);
    raise();
}

ImageButton* ImageButton::Large(QWidget* parent, const QString& suffix, const QString& word, int x, int y) {
    auto* button = new ImageButton(parent, suffix, QStringLiteral("button_%1.jpg").arg(word),
                                   QStringLiteral("button_%1_pressed.jpg").arg(word), kLargeSize);
    button->Place(x, y);
    return button;
}

ImageButton* ImageButton::Small(QWidget* parent, const QString& suffix, const QString& word, int x, int y) {
    auto* button = new ImageButton(parent, suffix, QStringLiteral("small_%1.jpg").arg(word),
                                   QStringLiteral("small_%1_pressed.jpg").arg(word), kSmallSize);
    button->Place(x, y);
    return button;
}

void ImageButton::Place(int x, int y) {
    // A hidden widget hears of its moves only when it shows: move both now.
    move(x, y);
    if (twin_) {
        twin_->move(x, y);
    }
}

bool ImageButton::showsPressed() const {
    if (!twin_ || !parentWidget()) {
        return false;
    }
    const QObjectList& siblings = parentWidget()->children();
    // Later children are drawn above earlier ones.
    return siblings.indexOf(twin_.data()) > siblings.indexOf(this);
}

void ImageButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        // Only the left button presses; the other buttons leave the look alone.
        return;
    }
    leftPressed_ = true;
    if (twin_) {
        twin_->raise();
    }
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        leftPressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = false;
    }
    QPointer<ImageButton> self(this);
    if (click) {
        emit clicked();
    }
    // The action may have closed and deleted the window that held this button.
    if (!self) {
        return;
    }
    raise();
    update();
}

void ImageButton::moveEvent(QMoveEvent* event) {
    QLabel::moveEvent(event);
    if (twin_) {
        twin_->move(pos());
    }
}

} // namespace vantorel
