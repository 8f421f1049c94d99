#include "ui/image_button.h"

#include "ui/skin.h"
#include "ui/skin_image.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace vantorel {

namespace {

constexpr QSize kLargeSize(107, 25);
constexpr QSize kSmallSize(20, 20);

// What the small title-bar pictures do, as a screen reader says it.
QString SmallCaption(const QString& word) {
    if (word == QLatin1String("help")) {
        return QStringLiteral("Aide");
    }
    if (word == QLatin1String("minimise")) {
        return QStringLiteral("Réduire");
    }
    if (word == QLatin1String("close")) {
        return QStringLiteral("Fermer");
    }
    return word;
}

bool IsPressKey(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

// What a screen reader learns of a picture button: a button, named by its
// caption, that can be pressed. A plain picture would be read as text.
class ImageButtonAccessible : public QAccessibleWidget {
public:
    explicit ImageButtonAccessible(ImageButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            emit static_cast<ImageButton*>(widget())->clicked();
        }
    }
};

QAccessibleInterface* MakeAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(ImageButton::staticMetaObject.className())) {
        return new ImageButtonAccessible(static_cast<ImageButton*>(object));
    }
    return nullptr;
}

} // namespace

ImageButton::ImageButton(QWidget* parent, const QString& suffix, const QString& pictureName, const QString& pressedName,
                         QSize size, const QString& caption)
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
    // Tab reaches the button; a click leaves the focus where it was, as before.
    setFocusPolicy(Qt::TabFocus);
    static const bool accessibleAsButton = [] {
        QAccessible::installFactory(MakeAccessible);
        return true;
    }();
    (void)accessibleAsButton;
    setAccessibleName(caption);
    raise();
}

ImageButton* ImageButton::Large(QWidget* parent, const QString& suffix, const QString& word, int x, int y) {
    auto* button = new ImageButton(parent, suffix, QStringLiteral("button_%1.jpg").arg(word),
                                   QStringLiteral("button_%1_pressed.jpg").arg(word), kLargeSize, word.toUpper());
    button->Place(x, y);
    return button;
}

ImageButton* ImageButton::Small(QWidget* parent, const QString& suffix, const QString& word, int x, int y) {
    auto* button = new ImageButton(parent, suffix, QStringLiteral("small_%1.jpg").arg(word),
                                   QStringLiteral("small_%1_pressed.jpg").arg(word), kSmallSize, SmallCaption(word));
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

void ImageButton::ShowPressed(bool pressed) {
    if (pressed) {
        if (twin_) {
            twin_->raise();
        }
        return;
    }
    raise();
    update();
}

void ImageButton::ClickAndRelease() {
    QPointer<ImageButton> self(this);
    emit clicked();
    // The action may have closed and deleted the window that held this button.
    if (self) {
        ShowPressed(false);
    }
}

void ImageButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        // Only the left button presses; the other buttons leave the look alone.
        return;
    }
    leftPressed_ = true;
    ShowPressed(true);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        leftPressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = false;
    }
    if (click) {
        ClickAndRelease();
    } else {
        ShowPressed(false);
    }
}

void ImageButton::keyPressEvent(QKeyEvent* event) {
    if (!IsPressKey(event->key())) {
        QLabel::keyPressEvent(event);
        return;
    }
    // Taken here, so that no window around the button acts on the press of
    // Enter; a held key repeats nothing.
    event->accept();
    if (pressedKey_ == 0 && !event->isAutoRepeat()) {
        pressedKey_ = event->key();
        ShowPressed(true);
    }
}

void ImageButton::keyReleaseEvent(QKeyEvent* event) {
    if (!IsPressKey(event->key())) {
        QLabel::keyReleaseEvent(event);
        return;
    }
    event->accept();
    // Only the release of the key that pressed the button clicks it: an
    // Enter released here after its press chose something elsewhere does not.
    if (event->isAutoRepeat() || event->key() != pressedKey_) {
        return;
    }
    pressedKey_ = 0;
    ClickAndRelease();
}

void ImageButton::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    // A key held while the focus leaves never comes back up here.
    if (pressedKey_ != 0) {
        pressedKey_ = 0;
        ShowPressed(false);
    }
}

void ImageButton::moveEvent(QMoveEvent* event) {
    QLabel::moveEvent(event);
    if (twin_) {
        twin_->move(pos());
    }
}

void ImageButton::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    // The focus ring: gold inside a dark grey line, seen on the maroon
    // picture and on the beige around it alike.
    QPainter painter(this);
    painter.setPen(QPen(kSkinDarkGrey, 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(QPen(kSkinGold, 2));
    painter.drawRect(QRectF(rect()).adjusted(2, 2, -2, -2));
}

} // namespace vantorel
