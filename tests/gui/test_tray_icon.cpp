// The main window in the notification area: minimising, the icon's menu, the
// two ways back, and the task bar when there is no notification area.
#include "app/program.h"
#include "ui/texts.h"
#include "ui/tray_icon.h"

// moc cannot parse the C++20 standard headers the core pulls in.
#ifndef Q_MOC_RUN
#include "support/gui_support.h"
#endif

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <memory>

namespace vantorel {

class TrayIconTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void iconMenuAndTheTwoWaysBack();
    void quitterClosesTheMainWindow();
    void noNotificationAreaMinimisesToTheTaskBarAndLooksAgain();

private:
    void Start(const std::string& ini) {
        test::WriteTextFile(folder_->path() / "Vantorel.ini", ini);
        program_ = std::make_unique<Program>(folder_->path(), folder_->path() / "config",
                                             [] { return test::At(2026, 12, 8, 10, 0); });
        program_->mainWindow().show();
    }
    template <typename T = QWidget> T* Child(const char* name) const {
        T* child = program_->mainWindow().findChild<T*>(QLatin1String(name));
        if (child == nullptr) {
            qFatal("no child %s", name);
        }
        return child;
    }
    TFormMain& window() const { return program_->mainWindow(); }
    // One tick of the timer that looks for a notification area again.
    void RetryTick() const { QVERIFY(QMetaObject::invokeMethod(Child<QTimer>("TimerCherchePanneau"), "timeout")); }

    std::unique_ptr<test::GuiTempDir> folder_;
    std::unique_ptr<Program> program_;
};

void TrayIconTest::init() {
    folder_ = std::make_unique<test::GuiTempDir>();
    CollectFailuresForTesting();
    TrayIcon::SetAvailableForTesting(true);
}

void TrayIconTest::cleanup() {
    program_.reset();
    folder_.reset();
    QCOMPARE(TakeShownFailuresForTesting(), QStringList());
}

void TrayIconTest::iconMenuAndTheTwoWaysBack() {
    Start("[Prog]\nReduireProg=TRUE\n");
    window().StartupMinimiseCheck();
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

    // A single click does nothing.
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

    // Minimising again shows a fresh icon; "Restaurer" runs the show steps.
    QTest::mouseClick(Child("ImageReduire"), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!window().isVisible());
    QVERIFY(tray.shown());
    tray.menu()->actions()[1]->trigger();
    QVERIFY(window().isVisible());
    QVERIFY(!tray.shown());
    QCOMPARE(days->currentIndex(), 0);
    // The check after a later showing leaves the window with the user.
    auto* timer = Child<QTimer>("TimerReduireProg");
    QVERIFY(timer->isActive());
    window().StartupMinimiseCheck();
    QVERIFY(!timer->isActive());
    QVERIFY(window().isVisible());
    QVERIFY(!tray.shown());
}

void TrayIconTest::quitterClosesTheMainWindow() {
    Start("[Prog]\nReduireProg=TRUE\n");
    window().StartupMinimiseCheck();
    QSignalSpy closed(&window(), &TFormMain::Closed);
    window().trayIcon().menu()->actions()[0]->trigger();
    QCOMPARE(closed.count(), 1);
}

void TrayIconTest::noNotificationAreaMinimisesToTheTaskBarAndLooksAgain() {
    TrayIcon::SetAvailableForTesting(false);
    Start("[Prog]\nReduireProg=TRUE\n");
    window().StartupMinimiseCheck();
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
    window().RestoreFromTray(false);
    TrayIcon::SetAvailableForTesting(false);
    window().MinimiseToTray();
    window().showNormal();
    TrayIcon::SetAvailableForTesting(true);
    RetryTick();
    QVERIFY(!retry->isActive());
    QVERIFY(window().isVisible());
    QVERIFY(!window().trayIcon().shown());

    // Never a panel: the looking stops, the window stays in the task bar.
    TrayIcon::SetAvailableForTesting(false);
    window().MinimiseToTray();
    for (int tick = 0; tick < 10 && retry->isActive(); ++tick) {
        RetryTick();
    }
    QVERIFY(!retry->isActive());
    QVERIFY(window().isMinimized());
}

} // namespace vantorel

QTEST_MAIN(vantorel::TrayIconTest)
#include "test_tray_icon.moc"
