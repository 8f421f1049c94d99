// The error window: its list in failure order, Escape on release, and the
// hint of a line tied to the job it names.
#include "ui/error_window.h"

#ifndef Q_MOC_RUN
#include "support/gui_support.h"
#endif

#include <QListWidget>
#include <QTest>

namespace vantorel {

class ErrorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void listsFailuresInOrderAndKeepsThemWhenClosed();
    void hintShowsTheNamedJobsNextRun();
};

void ErrorWindowTest::listsFailuresInOrderAndKeepsThemWhenClosed() {
    ErrorWindow window;
    window.SetErrors({{"Sauvegarder (/a/) sur (/x/) tous les jours à 01h00", 7},
                      {"Sauvegarder (/b/) sur (/y/) toutes les heures", 9}});
    window.show();
    QCOMPARE(window.list()->count(), 2);
    QCOMPARE(window.list()->item(1)->text(), QStringLiteral("Sauvegarder (/b/) sur (/y/) toutes les heures"));
    window.list()->setFocus();
    QTest::keyPress(window.list(), Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QTest::keyRelease(window.list(), Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.list()->count(), 2);

    // The bottom button closes too.
    window.show();
    QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("ImageAnnuler")), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!window.isVisible());
}

void ErrorWindowTest::hintShowsTheNamedJobsNextRun() {
    // Job 9 is gone from the job list; job 7 now sits elsewhere.
    ErrorWindow window([](std::uint64_t id) -> std::optional<std::string> {
        if (id == 7) {
            return "09/12/2026 01:00:00";
        }
        return std::nullopt;
    });
    window.SetErrors({{"Ligne de la tâche 9", 9}, {"Ligne de la tâche 7", 7}});
    window.show();
    QWidget* viewport = window.list()->viewport();
    test::SendMouseMove(viewport, QPoint(5, 13 + 2));
    QCOMPARE(window.list()->toolTip(),
             QStringLiteral("Ligne de la tâche 7\nProchaine sauvegarde prévue pour le 09/12/2026 à 01h00"));
    test::SendMouseMove(viewport, QPoint(5, 2));
    QVERIFY(window.list()->toolTip().isEmpty());
    test::SendMouseMove(viewport, QPoint(5, 5 * 13));
    QVERIFY(window.list()->toolTip().isEmpty());
}

} // namespace vantorel

QTEST_MAIN(vantorel::ErrorWindowTest)
#include "error_window_test.moc"
