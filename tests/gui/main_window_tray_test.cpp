// The main window's start (stored place, first-start defaults, minimise at
// start, all before it is first shown) and the notification area: the icon's
// menu, the two ways back, and the task bar when there is no notification area.
#include "app/program.h"
#include "platform/autostart.h"
#include "ui/texts.h"
#include "ui/tray_icon.h"
#include "ui/window_placement.h"

// moc cannot parse the C++20 standard headers the core pulls in.
#ifndef Q_MOC_RUN
#include "support/gui_support.h"
#endif

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <memory>

namespace vantorel {

using test::ReadTextFile;
using test::WriteTextFile;

class MainWindowTrayTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startupCheck_data();
    void startupCheck();
    void placedBeforeTheFirstShowAndMinimisedStartNeverShows();
    void storedPositionOffEveryScreenIsPulledBack();
    void visiblePosition();
    void iconMenuAndTheTwoWaysBack();
    void quitterClosesTheMainWindow();
    void noNotificationAreaMinimisesToTheTaskBarAndLooksAgain();
    void failureAtAMinimisedStartIsToldUntilSeen();

private:
    void Start(const std::string& ini) {
        WriteTextFile(folder_->path() / "Vantorel.ini", ini);
        Start();
    }
    void Start() {
        program_ = test::MakeProgram(folder_->path());
        test::ShowMainWindow(program_->mainWindow());
    }
    template <typename T = QWidget> T* Child(const char* name) const {
        return test::Child<T>(program_->mainWindow(), name);
    }
    MainWindow& window() const { return program_->mainWindow(); }
    // One tick of the timer that looks for a notification area again.
    void RetryTick() const { QVERIFY(QMetaObject::invokeMethod(Child<QTimer>("TimerCherchePanneau"), "timeout")); }

    std::unique_ptr<test::GuiTempDir> folder_;
    std::unique_ptr<Program> program_;
};

void MainWindowTrayTest::init() {
    folder_ = std::make_unique<test::GuiTempDir>();
    CollectFailuresForTesting();
    TrayIcon::SetAvailableForTesting(true);
    TrayIcon::SetNotifierItemForTesting(false);
}

void MainWindowTrayTest::cleanup() {
    program_.reset();
    folder_.reset();
    QCOMPARE(TakeShownFailuresForTesting(), QStringList());
}

void MainWindowTrayTest::startupCheck_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<QPoint>("position");  // (-1, -1): wherever the window system put it
    QTest::addColumn<QString>("iniAfter"); // empty: as before
    QTest::addColumn<bool>("entryWritten");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("failure");

    const QString place = QStringLiteral("[PositionFenetre]\nNormalTop=40\nNormalLeft=-20\n");
    const QString defaults = QStringLiteral("[Prog]\nReduireProg=FALSE\nLanceProg=TRUE\n");
    QTest::newRow("first start") << QString() << false << QPoint(0, 0) << defaults << true << "shown" << QString();
    QTest::newRow("lower-case true is no choice")
        << "[Prog]\nReduireProg=true\n" + place << false << QPoint(0, 40)
        << "[Prog]\nReduireProg=FALSE\nLanceProg=TRUE\n" + place << true << "shown" << QString();
    QTest::newRow("FALSE") << "[Prog]\nReduireProg=FALSE\n" + place << false << QPoint(0, 40) << QString() << false
                           << "shown" << QString();
    QTest::newRow("TRUE, notification area")
        << "[Prog]\nReduireProg=TRUE\n" + place << true << QPoint(0, 40) << QString() << false << "tray" << QString();
    // Hiding the window with nowhere to show the icon would lose the program.
    QTest::newRow("TRUE, no notification area") << "[Prog]\nReduireProg=TRUE\n" + place << false << QPoint(0, 40)
                                                << QString() << false << "task bar" << QString();
    QTest::newRow("bad top stops the check")
        << QStringLiteral("[Prog]\nReduireProg=TRUE\n[PositionFenetre]\nNormalTop=haut\n") << true << QPoint(-1, -1)
        << QString() << false << "shown" << QStringLiteral("'haut' n'est pas une valeur entière correcte");
}

void MainWindowTrayTest::startupCheck() {
    QFETCH(QString, ini);
    QFETCH(bool, trayAvailable);
    QFETCH(QPoint, position);
    QFETCH(QString, iniAfter);
    QFETCH(bool, entryWritten);
    QFETCH(QString, state);
    QFETCH(QString, failure);
    const std::filesystem::path file = folder_->path() / "Vantorel.ini";
    if (!ini.isNull()) {
        WriteTextFile(file, ini.toStdString());
    }
    TrayIcon::SetAvailableForTesting(trayAvailable);
    Start();
    MainWindow& window = program_->mainWindow();
    // The check ran at the start, once: calling it again does nothing.
    window.StartupMinimiseCheck();

    if (position != QPoint(-1, -1)) {
        QCOMPARE(window.pos(), position);
    }
    QCOMPARE(QString::fromStdString(ReadTextFile(file)), iniAfter.isEmpty() ? ini : iniAfter);
    const std::filesystem::path entry = LogonEntryPath(folder_->path() / "config");
    QCOMPARE(std::filesystem::exists(entry), entryWritten);
    if (entryWritten) {
        const std::string exec = "\nExec=" + LogonExecValue(QCoreApplication::applicationFilePath().toStdString());
        QVERIFY(ReadTextFile(entry).find(exec) != std::string::npos);
    }
    const QString seen = !window.isVisible()    ? QStringLiteral("tray")
                         : window.isMinimized() ? QStringLiteral("task bar")
                                                : QStringLiteral("shown");
    QCOMPARE(seen, state);
    QCOMPARE(window.life(), state == QStringLiteral("tray") ? MainWindow::Life::InTray : MainWindow::Life::Shown);
    QCOMPARE(window.trayIcon().shown(), state == QStringLiteral("tray"));
    if (window.trayIcon().shown()) {
        QCOMPARE(window.trayIcon().icon()->toolTip(), QStringLiteral("Vantorel : sauvegarde auto."));
    }
    QCOMPARE(Child<QTimer>("TimerCherchePanneau")->isActive(), state == QStringLiteral("task bar"));
    QCOMPARE(TakeShownFailuresForTesting(), failure.isEmpty() ? QStringList() : QStringList{failure});
}

void MainWindowTrayTest::placedBeforeTheFirstShowAndMinimisedStartNeverShows() {
    // Where the window is at each of its shows, and the pass seen from it.
    struct Watcher : QObject {
        QList<QPoint> shownAt;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show) {
                shownAt.append(static_cast<QWidget*>(watched)->pos());
            }
            return false;
        }
    };
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        std::string ini;
        QList<QPoint> shownAt;
    } rows[] = {
        // A first start: the top-left of the usable area.
        {"", {area.topLeft()}},
        {"[Prog]\nReduireProg=FALSE\n[PositionFenetre]\nNormalTop=50\nNormalLeft=100\n", {QPoint(100, 50)}},
        // Minimised at the start: never on screen, not even for a moment.
        {"[Prog]\nReduireProg=TRUE\n[PositionFenetre]\nNormalTop=50\nNormalLeft=100\n", {}},
    };
    for (const auto& row : rows) {
        program_.reset();
        folder_ = std::make_unique<test::GuiTempDir>();
        if (!row.ini.empty()) {
            WriteTextFile(folder_->path() / "Vantorel.ini", row.ini);
        }
        // A due job: the pass runs after the window found its place.
        WriteTextFile(folder_->path() / "src" / "a.txt", "a");
        WriteTextFile(folder_->path() / "ListeSave.ini",
                      test::ListeSaveText({{(folder_->path() / "src").string() + "/",
                                            (folder_->path() / "dst").string() + "/", "07/12/2026 10:00:00"}}));
        program_ = test::MakeProgram(folder_->path());
        Watcher watcher;
        window().installEventFilter(&watcher);
        test::ShowMainWindow(window());
        window().removeEventFilter(&watcher);
        QCOMPARE(watcher.shownAt, row.shownAt);
        QCOMPARE(window().isVisible(), !row.shownAt.isEmpty());
        QVERIFY(std::filesystem::exists(folder_->path() / "dst" / "Vantorel" / "save_1_1.zip"));
    }
}

void MainWindowTrayTest::storedPositionOffEveryScreenIsPulledBack() {
    // The window was last dropped on a screen that is gone.
    const std::string ini = "[Prog]\nReduireProg=FALSE\n[PositionFenetre]\nNormalTop=5000\nNormalLeft=-4000\n";
    WriteTextFile(folder_->path() / "Vantorel.ini", ini);
    Start();
    MainWindow& window = program_->mainWindow();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(window.pos(), QPoint(screen.left(), std::max(screen.top(), screen.bottom() + 1 - window.height())));
    // The stored place is kept for when that screen comes back.
    QCOMPARE(ReadTextFile(folder_->path() / "Vantorel.ini"), ini);
}

void MainWindowTrayTest::visiblePosition() {
    const QSize window(628, 491);
    const QRect grip(10, 12, 24, 24);
    const QList<QRect> twoScreens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const struct {
        QPoint stored;
        QList<QRect> screens;
        QPoint placed;
    } rows[] = {
        {{100, 50}, twoScreens, {100, 50}},
        // Partly off a screen, or under a panel: wholly into the usable area.
        {{-33, -30}, twoScreens, {0, 0}},
        {{2500, 600}, twoScreens, {2500, 1024 - 491}},
        {{100, 800}, {QRect(0, 0, 1920, 1040)}, {100, 1040 - 491}},
        {{100, 10}, {QRect(0, 28, 1920, 1052)}, {100, 28}},
        // Across two screens: onto the one under the grip.
        {{1900, 100}, twoScreens, {1920, 100}},
        // Off every screen: into the nearest one, wholly.
        {{5000, 300}, twoScreens, {3200 - 628, 300}},
        {{-3000, 2000}, twoScreens, {0, 1080 - 491}},
        {{1000, -900}, twoScreens, {1000, 0}},
        // A screen smaller than the window: its top-left part, with the grip.
        {{900, 900}, {QRect(0, 0, 600, 400)}, {0, 0}},
        {{7000, 7000}, {}, {7000, 7000}},
    };
    for (const auto& row : rows) {
        QCOMPARE(VisiblePosition(row.stored, window, grip, row.screens), row.placed);
    }
}

void MainWindowTrayTest::iconMenuAndTheTwoWaysBack() {
    Start("[Prog]\nReduireProg=TRUE\n");
    QVERIFY(!window().isVisible());
    TrayIcon& tray = window().trayIcon();
    QVERIFY(tray.shown());
    QVERIFY(tray.icon()->isVisible());
    QCOMPARE(tray.icon()->toolTip(), QStringLiteral("Vantorel : sauvegarde auto."));

    QMenu* menu = tray.icon()->contextMenu();
    QCOMPARE(menu->objectName(), QStringLiteral("PopUpDroit"));
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->text(), QStringLiteral("Quitter"));
    QCOMPARE(items[1]->text(), QStringLiteral("Restaurer"));
    QCOMPARE(menu->defaultAction(), items[1]);
    QVERIFY(items[1]->font().bold());

    // A single click does nothing where a double click may follow.
    auto* days = Child<QComboBox>("CbDateMois");
    days->setCurrentIndex(14);
    emit tray.icon()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!window().isVisible());
    QVERIFY(tray.shown());

    // A double click brings the window back as it was: no show steps.
    emit tray.icon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(window().isVisible());
    QVERIFY(!window().isMinimized());
    QVERIFY(!tray.shown());
    QCOMPARE(days->currentIndex(), 14);

    // Minimising again shows a fresh icon and takes the open options window
    // along; "Restaurer" runs the show steps and brings both back.
    QWidget* options = program_->windows()[4];
    options->show();
    QTest::mouseClick(Child("ImageReduire"), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!window().isVisible());
    QVERIFY(!options->isVisible());
    QVERIFY(tray.shown());
    tray.menu()->actions()[1]->trigger();
    test::FinishRuns(window()); // the show steps' due pass
    QVERIFY(window().isVisible());
    QVERIFY(options->isVisible());
    QVERIFY(!program_->windows()[3]->isVisible()); // closed before: stays closed
    QVERIFY(!tray.shown());
    QCOMPARE(days->currentIndex(), 0);
    // The start-up check after a later showing leaves the window with the user.
    window().StartupMinimiseCheck();
    QVERIFY(window().isVisible());
    QVERIFY(!tray.shown());

    // A StatusNotifierItem tray sends no double click: its activation brings
    // the window back, and asking for the menu does not.
    TrayIcon::SetNotifierItemForTesting(true);
    QTest::mouseClick(Child("ImageReduire"), Qt::LeftButton, {}, QPoint(5, 5));
    emit tray.icon()->activated(QSystemTrayIcon::Context);
    QVERIFY(!window().isVisible());
    emit tray.icon()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(window().isVisible());
    QVERIFY(!tray.shown());
}

void MainWindowTrayTest::quitterClosesTheMainWindow() {
    Start("[Prog]\nReduireProg=TRUE\n");
    QSignalSpy closed(&window(), &MainWindow::Closed);
    window().trayIcon().menu()->actions()[0]->trigger();
    QCOMPARE(closed.count(), 1);
}

void MainWindowTrayTest::noNotificationAreaMinimisesToTheTaskBarAndLooksAgain() {
    TrayIcon::SetAvailableForTesting(false);
    Start("[Prog]\nReduireProg=TRUE\n");
    auto* retry = Child<QTimer>("TimerCherchePanneau");
    QVERIFY(window().isVisible());
    QVERIFY(window().isMinimized());
    QVERIFY(!window().trayIcon().shown());
    QVERIFY(retry->isActive());

    // The panel comes up a little later: the window moves to it.
    RetryTick();
    QVERIFY(window().isMinimized());
    TrayIcon::SetAvailableForTesting(true);
    RetryTick();
    QVERIFY(!retry->isActive());
    QVERIFY(!window().isVisible());
    QVERIFY(window().trayIcon().shown());

    // Brought back from the task bar before a panel came: left alone.
    window().ShowFromTray(false);
    TrayIcon::SetAvailableForTesting(false);
    window().MinimiseToTray();
    window().showNormal();
    TrayIcon::SetAvailableForTesting(true);
    RetryTick();
    QVERIFY(!retry->isActive());
    QVERIFY(window().isVisible());
    QVERIFY(!window().trayIcon().shown());
}

void MainWindowTrayTest::failureAtAMinimisedStartIsToldUntilSeen() {
    // An overdue job whose share is not mounted yet at log-in.
    WriteTextFile(
        folder_->path() / "ListeSave.ini",
        test::ListeSaveText({{"/nowhere/share/", (folder_->path() / "dst/").string(), "07/12/2026 10:00:00"}}));
    Start("[Prog]\nReduireProg=TRUE\n");
    window().StartupMinimiseCheck();
    auto* errors = qobject_cast<QWidget*>(program_->windows()[3]);
    TrayIcon& tray = window().trayIcon();
    QVERIFY(!window().isVisible());
    QVERIFY(!errors->isVisible());
    QCOMPARE(tray.lastNotification(), QStringLiteral("1 sauvegarde(s) en échec"));
    QCOMPARE(tray.icon()->toolTip(), QStringLiteral("Vantorel : sauvegarde auto.\n1 sauvegarde(s) en échec"));

    // The next minute's pass has nothing due: the failure is still to be seen.
    window().RunDuePass();
    QCOMPARE(tray.icon()->toolTip(), QStringLiteral("Vantorel : sauvegarde auto.\n1 sauvegarde(s) en échec"));

    // Back from the icon, the error window shows it over the main window,
    // and the pass of the show steps does not empty it.
    tray.menu()->actions()[1]->trigger();
    QCoreApplication::processEvents();
    QVERIFY(window().isVisible());
    QVERIFY(errors->isVisible());
    auto* lines = errors->findChild<QListWidget*>(QStringLiteral("LbDesignationAjout"));
    QCOMPARE(lines->count(), 2);
    QVERIFY(lines->item(1)->text().contains(QStringLiteral("/nowhere/share/")));

    // Seen and closed: the next icon says all is well again.
    errors->close();
    window().MinimiseToTray();
    QCOMPARE(tray.icon()->toolTip(), QStringLiteral("Vantorel : sauvegarde auto."));
}

} // namespace vantorel

QTEST_MAIN(vantorel::MainWindowTrayTest)
#include "main_window_tray_test.moc"
