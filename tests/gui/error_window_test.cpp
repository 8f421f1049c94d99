// The error window: its list in failure order with each cause, and the hint
// of a line tied to the job it names.
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
    void heldFailuresStayUntilClosed();
};

void ErrorWindowTest::listsFailuresInOrderAndKeepsThemWhenClosed() {
    ErrorWindow window;
    window.SetErrors(
        {{"Sauvegarder (/a/) sur (/x/) tous les jours à 01h00",
          7,
          {FailureKind::SourceMissing, "/a/", "No such file or directory"}},
         {"Sauvegarder (/b/) sur (/y/) toutes les heures", 9, {FailureKind::NoRoom, "/y/Vantorel/", "Disk full"}}});
    window.show();
    QCOMPARE(window.list()->count(), 4);
    QCOMPARE(window.list()->item(2)->text(), QStringLiteral("Sauvegarder (/b/) sur (/y/) toutes les heures"));
    QCOMPARE(window.list()->item(3)->text(),
             QStringLiteral("    Plus de place sur le disque : /y/Vantorel/ (Disk full)"));
    window.close();
    QCOMPARE(window.list()->count(), 4);

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
    window.SetErrors({{"Ligne de la tâche 9", 9, {}}, {"Ligne de la tâche 7", 7, {}}});
    window.show();
    QWidget* viewport = window.list()->viewport();
    test::SendMouseMove(viewport, QPoint(5, 2 * 13 + 2));
    QCOMPARE(window.list()->toolTip(),
             QStringLiteral("Ligne de la tâche 7\nProchaine sauvegarde prévue pour le 09/12/2026 à 01h00"));
    test::SendMouseMove(viewport, QPoint(5, 2));
    QVERIFY(window.list()->toolTip().isEmpty());
    test::SendMouseMove(viewport, QPoint(5, 5 * 13));
    QVERIFY(window.list()->toolTip().isEmpty());
}

void ErrorWindowTest::heldFailuresStayUntilClosed() {
    ErrorWindow window;
    const std::vector<ErrorEntry> unseen{{"Ligne de la tâche 7", 7, {}}};
    window.Hold(unseen);
    window.show();
    window.FollowRun({}); // a clean run while the user looks
    QCOMPARE(window.list()->count(), 2);
    window.close();
    window.FollowRun({});
    QCOMPARE(window.list()->count(), 0);
}

} // namespace vantorel

QTEST_MAIN(vantorel::ErrorWindowTest)
#include "error_window_test.moc"
