// The pieces every window shares: picture buttons, centring, the grey layer,
// the skin's colours and pictures.
#include "app/program.h"
#include "ui/centre_over.h"
#include "ui/edit_window.h"
#include "ui/error_window.h"
#include "ui/folder_picker.h"
#include "ui/frequency_row.h"
#include "ui/grey_overlay.h"
#include "ui/help_window.h"
#include "ui/image_button.h"
#include "ui/options_window.h"
#include "ui/shown_position.h"
#include "ui/skin.h"
#include "ui/skin_combo_box.h"
#include "ui/skin_image.h"
#include "ui/yes_no_dialog.h"

#ifndef Q_MOC_RUN
#include "jobs/job_operations.h"
#include "support/gui_support.h"
#endif

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>

#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <utility>

namespace vantorel {

class SharedPiecesTest : public QObject {
    Q_OBJECT

private slots:
    void rightButtonDoesNotPressAndAnyReleaseRaises();
    void releaseOutsideRaisesWithoutAction();
    void actionRunsWhilePressedLookShows();
    void actionMayDestroyTheButton();
    void keysPressAndReleaseLikeTheLeftButton_data();
    void keysPressAndReleaseLikeTheLeftButton();
    void tabReachesEveryPictureButton_data();
    void tabReachesEveryPictureButton();
    void frequencyRowShowsWhatTheFrequencyNeeds_data();
    void frequencyRowShowsWhatTheFrequencyNeeds();
    void escapeClosesWhereItWasPressed();
    void popupsOpenWhereTheWindowReallyIs();
    void centreOverClampsOnlyRightAndBottom_data();
    void centreOverClampsOnlyRightAndBottom();
    void screenHoldingTheWindow_data();
    void screenHoldingTheWindow();
    void overlayGreysTheWholeWindowTranslucently();
    void overlaySlotsAreIndependentAndReplaced();
    void darkDesktopPaletteLeavesTheSkinColours();
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

void SharedPiecesTest::rightButtonDoesNotPressAndAnyReleaseRaises() {
    ButtonFixture f;
    QCOMPARE(f.button->objectName(), QStringLiteral("ImageOui"));
    QCOMPARE(f.button->twin()->objectName(), QStringLiteral("ImageClicOui"));
    QCOMPARE(f.button->twin()->geometry(), f.button->geometry());
    QVERIFY(!f.button->showsPressed());

    QTest::mousePress(f.button, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(!f.button->showsPressed());
    // A left press, then a right release: any release shows the button raised again.
    QTest::mousePress(f.button, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(f.button->showsPressed());
    QTest::mouseRelease(f.button, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(!f.button->showsPressed());
    QCOMPARE(f.clicks, 0);
}

void SharedPiecesTest::releaseOutsideRaisesWithoutAction() {
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

void SharedPiecesTest::keysPressAndReleaseLikeTheLeftButton_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("space") << int{Qt::Key_Space};
    QTest::newRow("return") << int{Qt::Key_Return};
    QTest::newRow("keypad enter") << int{Qt::Key_Enter};
}

void SharedPiecesTest::keysPressAndReleaseLikeTheLeftButton() {
    QFETCH(int, key);
    ButtonFixture f;
    bool pressedDuringAction = false;
    QObject::connect(f.button, &ImageButton::clicked, [&] { pressedDuringAction = f.button->showsPressed(); });
    QTest::keyPress(f.button, Qt::Key(key));
    QVERIFY(f.button->showsPressed());
    QCOMPARE(f.clicks, 0);
    QTest::keyRelease(f.button, Qt::Key(key));
    QCOMPARE(f.clicks, 1);
    QVERIFY(pressedDuringAction);
    QVERIFY(!f.button->showsPressed());
    // A release whose press went elsewhere is no click.
    QTest::keyRelease(f.button, Qt::Key(key));
    QCOMPARE(f.clicks, 1);

    // A screen reader sees a button named by its caption, and can press it.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(f.button);
    QVERIFY(accessible != nullptr);
    QCOMPARE(accessible->role(), QAccessible::Button);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("OUI"));
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(f.clicks, 2);
}

void SharedPiecesTest::tabReachesEveryPictureButton_data() {
    QTest::addColumn<int>("window");
    QTest::addColumn<QStringList>("captions");
    // Program::windows(): main window, picker, overlays, errors, options, help.
    QTest::newRow("main window") << 0 << QStringList{QStringLiteral("Aide"),        QStringLiteral("Réduire"),
                                                     QStringLiteral("Fermer"),      QStringLiteral("SOURCE"),
                                                     QStringLiteral("DESTINATION"), QStringLiteral("AJOUTER"),
                                                     QStringLiteral("OPTIONS"),     QStringLiteral("MODIFIER"),
                                                     QStringLiteral("SUPPRIMER")};
    QTest::newRow("folder picker") << 1
                                   << QStringList{QStringLiteral("Fermer"), QStringLiteral("VALIDER"),
                                                  QStringLiteral("ANNULER")};
    QTest::newRow("options") << 4 << QStringList{QStringLiteral("Fermer"), QStringLiteral("FERMER")};
    QTest::newRow("help") << 5 << QStringList{QStringLiteral("FERMER")};
    QTest::newRow("edit window") << -1
                                 << QStringList{QStringLiteral("Fermer"), QStringLiteral("SOURCE"),
                                                QStringLiteral("DESTINATION"), QStringLiteral("ANNULER"),
                                                QStringLiteral("VALIDER")};
}

void SharedPiecesTest::tabReachesEveryPictureButton() {
    QFETCH(int, window);
    QFETCH(QStringList, captions);
    test::GuiTempDir folder;
    const std::unique_ptr<Program> program = test::MakeProgram(folder.path());
    auto* picker = static_cast<FolderPicker*>(program->windows()[1]);
    auto* overlays = static_cast<GreyOverlay*>(program->windows()[2]);
    std::unique_ptr<EditWindow> edit;
    QWidget* shown = nullptr;
    if (window < 0) {
        edit = std::make_unique<EditWindow>(*picker, *overlays);
        edit->Preload(JobSettings{"/a/", "/b/", Schedule::FromPositions({4, 0, 0, 0})}, {QStringLiteral("01")});
        shown = edit.get();
    } else {
        shown = program->windows()[static_cast<std::size_t>(window)];
    }
    shown->show();
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown));

    // Every picture button is announced by its caption.
    QStringList named;
    for (const ImageButton* button : shown->findChildren<ImageButton*>()) {
        named.append(button->accessibleName());
    }
    named.sort();
    captions.sort();
    QCOMPARE(named, captions);

    // Tab goes round the window once and stops on each of them.
    QWidget* first = QApplication::focusWidget();
    QVERIFY(first != nullptr);
    QVERIFY(qobject_cast<ImageButton*>(first) == nullptr);
    QStringList reached;
    for (int step = 0; step < 40; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == first) {
            break;
        }
        if (auto* button = qobject_cast<ImageButton*>(now)) {
            reached.append(button->accessibleName());
        }
    }
    QCOMPARE(QApplication::focusWidget(), first);
    reached.sort();
    QCOMPARE(reached, captions);
    shown->hide();
}

void SharedPiecesTest::frequencyRowShowsWhatTheFrequencyNeeds_data() {
    // Visible: le, weekday list, day list, à, hour list; then whether the hour
    // pair takes the place of "le :" and the day list.
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("visible");
    QTest::addColumn<bool>("hourInDayPlace");
    QTest::newRow("hourly keeps the last place") << 0 << "-----" << false;
    QTest::newRow("every 12 hours") << 3 << "-----" << false;
    QTest::newRow("daily") << 4 << "---AH" << true;
    QTest::newRow("weekly") << 5 << "LW-AH" << false;
    QTest::newRow("monthly") << 6 << "L-DAH" << false;
}

void SharedPiecesTest::frequencyRowShowsWhatTheFrequencyNeeds() {
    QFETCH(int, code);
    QFETCH(QString, visible);
    QFETCH(bool, hourInDayPlace);
    QWidget panel;
    panel.resize(604, 190);
    FrequencyRow row(&panel, 157, SkinFont(11));
    row.SetDayLabels({QStringLiteral("01"), QStringLiteral("02")});
    panel.show();
    const auto child = [&row](const char* name) { return row.findChild<QWidget*>(QLatin1String(name)); };
    // Coming from monthly, so that the hourly rows show the positions are left alone.
    row.Select({.frequency = 6, .weekday = 3, .day = 1, .hour = 5});
    row.frequencyList()->setCurrentIndex(code);
    const char* names[] = {"LbLe", "CbJoursSemaine", "CbDateMois", "LbA", "CbHeures"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(child(names[i])->isVisible(), visible[i] != QLatin1Char('-'));
    }
    // The two day lists share one place; the hour pair sits in it or after it.
    const QRect dayList = child("CbJoursSemaine")->geometry();
    QCOMPARE(child("CbDateMois")->geometry(), dayList);
    if (hourInDayPlace) {
        QCOMPARE(child("LbA")->x(), child("LbLe")->x());
        QCOMPARE(child("CbHeures")->x(), dayList.x());
    } else {
        QVERIFY(child("LbA")->x() > dayList.right());
        QVERIFY(child("CbHeures")->x() > child("LbA")->geometry().right());
    }
    // Hiding a list keeps its selection.
    const SchedulePositions shown = row.positions();
    QCOMPARE(shown.weekday, 3);
    QCOMPARE(shown.day, 1);
    QCOMPARE(shown.hour, 5);
}

void SharedPiecesTest::escapeClosesWhereItWasPressed() {
    // On the bare window, in a list, in a tree.
    HelpWindow help;
    ErrorWindow errors;
    FolderPicker picker;
    const std::pair<QWidget*, const char*> places[] = {
        {&help, nullptr}, {&errors, "LbDesignationAjout"}, {&picker, "TreeRepertoires"}};
    for (const auto& [window, control] : places) {
        window->show();
        QWidget* target = control == nullptr ? window : window->findChild<QWidget*>(QLatin1String(control));
        target->setFocus();
        // The release of a press made before the window showed does nothing.
        QTest::keyRelease(target, Qt::Key_Escape);
        QVERIFY(window->isVisible());
        QTest::keyPress(target, Qt::Key_Escape);
        QVERIFY2(window->isVisible(), "the press alone must not close");
        QTest::keyRelease(target, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    }
}

void SharedPiecesTest::popupsOpenWhereTheWindowReallyIs() {
    // The window asked for (0, 0); the compositor put it at (300, 200) and
    // told nobody but the window system.
    QWidget window;
    window.setGeometry(0, 0, 628, 491);
    auto* list =
        new SkinComboBox(&window, QStringLiteral("CbHeures"), {QStringLiteral("01h00"), QStringLiteral("02h00")});
    list->setGeometry(250, 157, 70, 21);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint shown(300, 200);
    SetShownPositionSourceForTesting([&](const QWidget* asked) -> std::optional<QPoint> {
        if (asked == &window) {
            return shown;
        }
        return std::nullopt;
    });
    QVERIFY(!WindowSystemPlacesWindows());

    QWidget child;
    child.resize(400, 82);
    CentreOver(&window, &child);
    QCOMPARE(child.pos(), CentreOverPosition(QRect(shown, window.size()), child.size(), ScreenOf(&window)));
    QVERIFY(child.pos().x() > 200);
    QVERIFY(WindowSystemPlacesWindows());
    // The child must open where it is put, which that window system only
    // does for a window it does not manage.
    QVERIFY(child.windowFlags().testFlag(Qt::X11BypassWindowManagerHint));

    // The drop-down list opens under its box, over the window where it is.
    window.move(0, 0);
    list->showPopup();
    const QRect popup = list->view()->window()->geometry();
    list->hidePopup();
    QVERIFY2(QRect(shown, window.size()).contains(popup.topLeft()),
             qPrintable(QStringLiteral("%1,%2").arg(popup.x()).arg(popup.y())));
    SetShownPositionSourceForTesting({});
}

namespace {
// Two screens side by side, the primary on the left.
const QRect kLeftScreen(0, 0, 1920, 1080);
const QRect kRightScreen(1920, 0, 1280, 1024);
} // namespace

void SharedPiecesTest::centreOverClampsOnlyRightAndBottom_data() {
    QTest::addColumn<QRect>("parent");
    QTest::addColumn<QSize>("child");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("expected");
    const QSize dialog(400, 82);
    const QSize errors(610, 300);
    const QRect laptop(0, 0, 1280, 800);
    QTest::newRow("centred") << QRect(100, 100, 628, 491) << dialog << laptop << QPoint(214, 304);
    QTest::newRow("odd sizes use integer halves") << QRect(0, 0, 101, 51) << QSize(11, 7) << laptop << QPoint(45, 22);
    QTest::newRow("pulled back from the right edge")
        << QRect(1000, 100, 628, 491) << errors << laptop << QPoint(670, 195);
    QTest::newRow("pulled up from the bottom edge")
        << QRect(100, 600, 628, 491) << errors << laptop << QPoint(109, 500);
    QTest::newRow("left of the origin stays") << QRect(-500, 100, 628, 491) << errors << laptop << QPoint(-491, 195);
    QTest::newRow("above the origin stays") << QRect(100, -400, 628, 491) << errors << laptop << QPoint(109, -305);
    QTest::newRow("larger than the screen")
        << QRect(0, 0, 628, 491) << QSize(1400, 900) << laptop << QPoint(-386, -205);
    QTest::newRow("on the right screen, left there")
        << QRect(2000, 100, 628, 491) << errors << kRightScreen << QPoint(2009, 195);
    QTest::newRow("pulled back from the right screen's right edge")
        << QRect(2700, 600, 628, 491) << errors << kRightScreen << QPoint(2590, 695);
    QTest::newRow("pulled up from a lower screen's bottom edge")
        << QRect(100, 1900, 628, 491) << errors << QRect(0, 1080, 1920, 1080) << QPoint(109, 1860);
}

void SharedPiecesTest::centreOverClampsOnlyRightAndBottom() {
    QFETCH(QRect, parent);
    QFETCH(QSize, child);
    QFETCH(QRect, screen);
    QFETCH(QPoint, expected);
    QCOMPARE(CentreOverPosition(parent, child, screen), expected);
}

void SharedPiecesTest::screenHoldingTheWindow_data() {
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("on the left screen") << QRect(100, 100, 628, 491) << kLeftScreen;
    QTest::newRow("on the right screen") << QRect(2100, 100, 628, 491) << kRightScreen;
    QTest::newRow("straddling, centre on the right") << QRect(1700, 100, 628, 491) << kRightScreen;
    QTest::newRow("straddling, centre on the left") << QRect(1500, 100, 628, 491) << kLeftScreen;
    QTest::newRow("centre below the right screen") << QRect(2100, 900, 628, 491) << kRightScreen;
    QTest::newRow("off every screen") << QRect(5000, 5000, 628, 491) << kLeftScreen;
}

void SharedPiecesTest::screenHoldingTheWindow() {
    QFETCH(QRect, window);
    QFETCH(QRect, expected);
    QCOMPARE(ScreenHolding(window, {kLeftScreen, kRightScreen}), expected);
}

void SharedPiecesTest::overlayGreysTheWholeWindowTranslucently() {
    QWidget covered;
    covered.setGeometry(50, 60, 300, 200);
    PaintBackground(&covered, Qt::white);
    auto* control = new QWidget(&covered);
    control->setGeometry(10, 10, 50, 50);
    covered.show();
    GreyOverlay overlays;
    overlays.ShowOverlay(&covered, OverlaySlot::YesNoDialog);
    QWidget* layer = overlays.overlay(OverlaySlot::YesNoDialog);
    QVERIFY(layer != nullptr);
    QCOMPARE(layer->objectName(), QStringLiteral("FormGris1"));
    QVERIFY(layer->isVisible());
    QVERIFY(!overlays.isVisible());

    // Painted in the window, over its controls, with or without a compositor:
    // #808080 at 130/255 over white gives 190.
    for (const QPoint at : {QPoint(150, 100), QPoint(20, 20), QPoint(0, 0), QPoint(299, 199)}) {
        const QColor seen = covered.grab().toImage().pixelColor(at);
        QVERIFY2(qAbs(seen.red() - 190) <= 2 && seen.red() == seen.green() && seen.green() == seen.blue(),
                 qPrintable(seen.name()));
    }
    // It goes with the window when the window moves.
    covered.move(400, 300);
    QCOMPARE(layer->geometry(), covered.rect());

    QPointer<QWidget> watched(layer);
    overlays.HideOverlay(OverlaySlot::YesNoDialog);
    QVERIFY(overlays.overlay(OverlaySlot::YesNoDialog) == nullptr);
    QVERIFY(watched.isNull());
    QCOMPARE(covered.grab().toImage().pixelColor(150, 100), QColor(Qt::white));
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
    QCOMPARE(overlays.overlay(OverlaySlot::FolderPicker)->parentWidget(), &edit);
    QCOMPARE(overlays.overlay(OverlaySlot::EditWindow)->parentWidget(), &main);

    // Showing again in a slot replaces its layer; the old one does not linger.
    QPointer<QWidget> first(overlays.overlay(OverlaySlot::FolderPicker));
    overlays.ShowOverlay(&main, OverlaySlot::FolderPicker);
    QVERIFY(first.isNull());
    QCOMPARE(overlays.overlay(OverlaySlot::FolderPicker)->parentWidget(), &main);

    overlays.HideOverlay(OverlaySlot::FolderPicker);
    QVERIFY(overlays.overlay(OverlaySlot::EditWindow) != nullptr);
    overlays.HideOverlay(OverlaySlot::EditWindow);
}

void SharedPiecesTest::darkDesktopPaletteLeavesTheSkinColours() {
    // One window made before the desktop turns dark, the others after.
    YesNoDialog dialog;
    const QPalette desktop = QApplication::palette();
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2B, 0x2B, 0x2B));
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    dark.setColor(QPalette::Text, QColor(0xDD, 0xDD, 0xDD));
    dark.setColor(QPalette::WindowText, QColor(0xDD, 0xDD, 0xDD));
    dark.setColor(QPalette::ButtonText, QColor(0xDD, 0xDD, 0xDD));
    QApplication::setPalette(dark);
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    OptionsWindow options(folder, folder, folder / "vantorel");
    FolderPicker picker;
    GreyOverlay overlays;
    EditWindow edit(picker, overlays);
    const struct {
        QWidget* widget;
        QPalette::ColorRole text;
        QPalette::ColorRole background;
        QColor expected;
    } rows[] = {
        {dialog.findChild<QWidget*>(QStringLiteral("LbAlert")), QPalette::WindowText, QPalette::Window,
         kSkinBackground},
        {options.findChild<QWidget*>(QStringLiteral("CbLance")), QPalette::WindowText, QPalette::Base, kSkinField},
        {picker.findChild<QWidget*>(QStringLiteral("TreeRepertoires")), QPalette::Text, QPalette::Base, kSkinField},
        {edit.findChild<QWidget*>(QStringLiteral("EdSource")), QPalette::Text, QPalette::Base, kSkinField},
    };
    for (const auto& row : rows) {
        QVERIFY(row.widget != nullptr);
        QCOMPARE(row.widget->palette().color(row.text), QColor(Qt::black));
        QCOMPARE(row.widget->palette().color(row.background), row.expected);
    }
    QApplication::setPalette(desktop);
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
