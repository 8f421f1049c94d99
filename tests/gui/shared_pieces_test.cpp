// The pieces every window shares: picture buttons, centring, the grey layer
// and the skin pictures.
#include "ui/centre_over.h"
#include "ui/grey_overlay.h"
#include "ui/image_button.h"
#include "ui/skin_image.h"

#include <QTemporaryDir>
#include <QTest>

namespace vantorel {

class SharedPiecesTest : public QObject {
    Q_OBJECT

private slots:
    void rightButtonDoesNotPressAndItsReleaseRestores();
    void releaseOutsideRestoresWithoutAction();
    void actionRunsWhilePressedLookShows();
    void actionMayDestroyTheButton();
    void centreOverClampsOnlyRightAndBottom_data();
    void centreOverClampsOnlyRightAndBottom();
    void overlayCoversTheWindowAsItWasShown();
    void overlaySlotsAreIndependentAndReplaced();
    void skinPicturesDecodeAtTheirSize();
    void missingOrDamagedPictureGivesPlainRectangle();
};

namespace {

struct ButtonFixture {
    QWidget window;
    ImageButton* button;
    int clicks = 0;
    ButtonFixture() {
        window.resize(300, 100);
        button = ImageButton::Large(&window, QStringLiteral("Oui"), QStringLiteral("oui"), 20, 30);
        QObject::connect(button, &ImageButton::clicked, [this] { ++clicks; });
    }
};

} // namespace

void SharedPiecesTest::rightButtonDoesNotPressAndItsReleaseRestores() {
    ButtonFixture f;
    QCOMPARE(f.button->objectName(), QStringLiteral("ImageOui"));
    QCOMPARE(f.button->twin()->objectName(), QStringLiteral("ImageClicOui"));
    QCOMPARE(f.button->twin()->geometry(), f.button->geometry());
    QVERIFY(!f.button->showsPressed());

    QTest::mousePress(f.button, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(!f.button->showsPressed());
    // A left press, then a right release: any release restores the picture.
    QTest::mousePress(f.button, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(f.button->showsPressed());
    QTest::mouseRelease(f.button, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(!f.button->showsPressed());
    QCOMPARE(f.clicks, 0);
}

void SharedPiecesTest::releaseOutsideRestoresWithoutAction() {
    ButtonFixture f;
    QTest::mousePress(f.button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(f.button, Qt::LeftButton, {}, QPoint(150, 5));
    QVERIFY(!f.button->showsPressed());
    QCOMPARE(f.clicks, 0);
    // A release without a press over the picture is no click either.
    QTest::mouseRelease(f.button, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(f.clicks, 0);
}

void SharedPiecesTest::actionRunsWhilePressedLookShows() {
    ButtonFixture f;
    bool pressedDuringAction = false;
    QObject::connect(f.button, &ImageButton::clicked, [&] { pressedDuringAction = f.button->showsPressed(); });
    QTest::mousePress(f.button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(f.button, Qt::LeftButton, {}, QPoint(100, 20));
    QCOMPARE(f.clicks, 1);
    QVERIFY(pressedDuringAction);
    QVERIFY(!f.button->showsPressed());
}

void SharedPiecesTest::actionMayDestroyTheButton() {
    auto* window = new QWidget;
    auto* button = ImageButton::Large(window, QStringLiteral("Fermer"), QStringLiteral("fermer"), 0, 0);
    QObject::connect(button, &ImageButton::clicked, [window] { delete window; });
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    // Reaching this line without a crash (or a sanitizer report) is the test.
}

void SharedPiecesTest::centreOverClampsOnlyRightAndBottom_data() {
    QTest::addColumn<QRect>("parent");
    QTest::addColumn<QSize>("child");
    QTest::addColumn<QPoint>("expected");
    const QSize dialog(400, 82);
    const QSize errors(610, 300);
    QTest::newRow("centred") << QRect(100, 100, 628, 491) << dialog << QPoint(214, 304);
    QTest::newRow("odd sizes use integer halves") << QRect(0, 0, 101, 51) << QSize(11, 7) << QPoint(45, 22);
    QTest::newRow("pulled back from the right edge") << QRect(1000, 100, 628, 491) << errors << QPoint(670, 195);
    QTest::newRow("pulled up from the bottom edge") << QRect(100, 600, 628, 491) << errors << QPoint(109, 500);
    QTest::newRow("left of the origin stays") << QRect(-500, 100, 628, 491) << errors << QPoint(-491, 195);
    QTest::newRow("above the origin stays") << QRect(100, -400, 628, 491) << errors << QPoint(109, -305);
    QTest::newRow("larger than the screen") << QRect(0, 0, 628, 491) << QSize(1400, 900) << QPoint(-386, -205);
}

void SharedPiecesTest::centreOverClampsOnlyRightAndBottom() {
    QFETCH(QRect, parent);
    QFETCH(QSize, child);
    QFETCH(QPoint, expected);
    QCOMPARE(CentreOverPosition(parent, child, QSize(1280, 800)), expected);
}

void SharedPiecesTest::overlayCoversTheWindowAsItWasShown() {
    QWidget covered;
    covered.setGeometry(50, 60, 300, 200);
    covered.show();
    GreyOverlay overlays;
    overlays.ShowOverlay(&covered, OverlaySlot::YesNoDialog);
    QWidget* layer = overlays.overlay(OverlaySlot::YesNoDialog);
    QVERIFY(layer != nullptr);
    QCOMPARE(layer->objectName(), QStringLiteral("FormGris1"));
    QVERIFY(layer->isVisible());
    QVERIFY(layer->isWindow());
    QCOMPARE(layer->geometry(), covered.geometry());
    // Translucent: the window beneath shows through.
    QVERIFY(layer->windowOpacity() > 0 && layer->windowOpacity() < 1);
    QVERIFY(!overlays.isVisible());

    // The layer keeps the bounds of the moment it was shown.
    covered.move(400, 300);
    QCOMPARE(layer->geometry(), QRect(50, 60, 300, 200));

    QPointer<QWidget> watched(layer);
    overlays.HideOverlay(OverlaySlot::YesNoDialog);
    QVERIFY(overlays.overlay(OverlaySlot::YesNoDialog) == nullptr);
    QVERIFY(watched.isNull());
    // Hiding an empty slot is harmless.
    overlays.HideOverlay(OverlaySlot::YesNoDialog);
}

void SharedPiecesTest::overlaySlotsAreIndependentAndReplaced() {
    QWidget main;
    main.setGeometry(0, 0, 628, 491);
    QWidget edit;
    edit.setGeometry(10, 90, 610, 300);
    GreyOverlay overlays;
    overlays.ShowOverlay(&main, OverlaySlot::EditWindow);
    overlays.ShowOverlay(&edit, OverlaySlot::FolderPicker);
    QCOMPARE(overlays.overlay(OverlaySlot::EditWindow)->objectName(), QStringLiteral("FormGris3"));
    QCOMPARE(overlays.overlay(OverlaySlot::FolderPicker)->geometry(), edit.geometry());
    QCOMPARE(overlays.overlay(OverlaySlot::EditWindow)->geometry(), main.geometry());

    // Showing again in a slot replaces its layer; the old one does not linger.
    QPointer<QWidget> first(overlays.overlay(OverlaySlot::FolderPicker));
    overlays.ShowOverlay(&main, OverlaySlot::FolderPicker);
    QVERIFY(first.isNull());
    QCOMPARE(overlays.overlay(OverlaySlot::FolderPicker)->geometry(), main.geometry());

    overlays.HideOverlay(OverlaySlot::FolderPicker);
    QVERIFY(overlays.overlay(OverlaySlot::EditWindow) != nullptr);
    overlays.HideOverlay(OverlaySlot::EditWindow);
}

void SharedPiecesTest::skinPicturesDecodeAtTheirSize() {
    const struct {
        const char* name;
        QSize size;
    } pictures[] = {
        {"button_oui.jpg", {107, 25}},       {"button_non_pressed.jpg", {107, 25}}, {"small_close.jpg", {20, 20}},
        {"frame_horizontal.jpg", {1000, 4}}, {"background_main.jpg", {628, 491}},   {"alert.jpg", {28, 29}},
    };
    for (const auto& picture : pictures) {
        const QImage image = DecodeSkinJpeg(QStringLiteral(":/skin/") + QLatin1String(picture.name));
        QVERIFY2(!image.isNull(), picture.name);
        QCOMPARE(image.size(), picture.size);
    }
}

void SharedPiecesTest::missingOrDamagedPictureGivesPlainRectangle() {
    QTemporaryDir dir;
    const QString damaged = dir.filePath(QStringLiteral("damaged.jpg"));
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xFF\xD8\xFF\xE0 not really a picture");
    file.close();
    QVERIFY(DecodeSkinJpeg(damaged).isNull());
    QVERIFY(DecodeSkinJpeg(dir.filePath(QStringLiteral("missing.jpg"))).isNull());

    const QPixmap plain = SkinPixmap(QStringLiteral("missing.jpg"), QSize(5, 6), Qt::red);
    QCOMPARE(plain.size(), QSize(5, 6));
    QCOMPARE(plain.toImage().pixelColor(2, 3), QColor(Qt::red));
}

} // namespace vantorel

QTEST_MAIN(vantorel::SharedPiecesTest)
#include "shared_pieces_test.moc"
