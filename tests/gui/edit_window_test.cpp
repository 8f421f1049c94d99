// The edit window: preloaded from the selected job, its keys, and validating
// through the main window (question, failures).
#include "app/program.h"
#include "ui/edit_window.h"
#include "ui/folder_picker.h"
#include "ui/grey_overlay.h"
#include "ui/texts.h"
#include "ui/yes_no_dialog.h"

#ifndef Q_MOC_RUN
#include "jobs/job_operations.h"
#include "support/gui_support.h"
#endif

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace vantorel {

using test::At;
using test::Child;
using test::ListeSaveText;
using test::WriteTextFile;

class EditWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void preloadShowsTheJob();
    void escapeCancelsAndEnterValidatesFromTheFields();
    void aNeededListWithoutSelectionIsNamed();
    void validatingShowsTheEditedJob();
    void anotherJobsSourceIsAskedAboutOnce();
    void unreadableLastRunShowsTheDateError();

private:
    // Opens the edit window of `row` through the main window, runs `act` on it
    // once it shows, and returns when the window has closed.
    void Edit(Program& program, int row, const std::function<void(EditWindow&)>& act);
};

namespace {

QStringList Days() {
    QStringList days;
    for (int day = 1; day <= 31; ++day) {
        days.append(QStringLiteral("%1").arg(day, 2, 10, QLatin1Char('0')));
    }
    return days;
}

} // namespace

void EditWindowTest::initTestCase() {
    CollectFailuresForTesting();
}

void EditWindowTest::preloadShowsTheJob() {
    FolderPicker picker;
    GreyOverlay overlays;
    EditWindow edit(picker, overlays);
    JobSettings weekly;
    weekly.source = "/data/a/";
    weekly.destination = "/backup/A/";
    weekly.schedule = Schedule::FromPositions({.frequency = 5, .weekday = 2, .day = 30, .hour = 9});
    edit.Preload(weekly, Days());
    edit.show();
    QCOMPARE(Child<QLineEdit>(edit, "EdSource")->text(), QStringLiteral("/data/a/"));
    QCOMPARE(Child<QComboBox>(edit, "CbJoursSemaine")->currentText(), QStringLiteral("Mercredi"));
    QCOMPARE(Child<QComboBox>(edit, "CbDateMois")->currentText(), QStringLiteral("31"));
    QCOMPARE(Child<QComboBox>(edit, "CbHeures")->currentText(), QStringLiteral("10h00"));
    const JobSettings shown = edit.settings();
    QCOMPARE(shown.schedule, weekly.schedule);
}

void EditWindowTest::escapeCancelsAndEnterValidatesFromTheFields() {
    FolderPicker picker;
    GreyOverlay overlays;
    int validations = 0;
    JobSettings validated;
    bool saves = false;
    EditWindow edit(picker, overlays);
    edit.Preload(JobSettings{"/a/", "/b/", Schedule::FromPositions({4, 0, 0, 0})}, Days());
    edit.SetValidator([&](const JobSettings& settings) {
        ++validations;
        validated = settings;
        return saves;
    });

    edit.show();
    Child(edit, "EdSource")->setFocus();
    QTest::keyClick(Child(edit, "EdSource"), Qt::Key_Escape);
    QVERIFY(!edit.isVisible());
    QCOMPARE(validations, 0);

    // A refused validation keeps the window open; an accepted one closes it.
    edit.show();
    auto* hours = Child<QComboBox>(edit, "CbHeures");
    hours->setFocus();
    // Escape in an open list closes only the list.
    hours->showPopup();
    QTest::keyPress(hours->view(), Qt::Key_Escape);
    QVERIFY(!hours->view()->isVisible());
    QTest::keyRelease(hours, Qt::Key_Escape);
    QVERIFY(edit.isVisible());
    // Enter in an open list takes the highlighted hour, closes the list, and
    // its release validates with that hour.
    hours->showPopup();
    hours->view()->setCurrentIndex(hours->model()->index(7, 0));
    QTest::keyPress(hours->view(), Qt::Key_Return);
    QVERIFY(!hours->view()->isVisible());
    QCOMPARE(hours->currentIndex(), 7);
    QCOMPARE(validations, 0);
    QTest::keyRelease(hours, Qt::Key_Return);
    QCOMPARE(validations, 1);
    QCOMPARE(validated.schedule.positions()->hour, 7);
    // A release whose press was elsewhere does nothing.
    QTest::keyRelease(hours, Qt::Key_Return);
    QCOMPARE(validations, 1);
    QTest::keyClick(hours, Qt::Key_Return);
    QCOMPARE(validations, 2);
    QVERIFY(edit.isVisible());
    saves = true;
    QTest::mouseClick(Child(edit, "ImageValider"), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(validations, 3);
    QVERIFY(!edit.isVisible());
}

void EditWindowTest::aNeededListWithoutSelectionIsNamed() {
    FolderPicker picker;
    GreyOverlay overlays;
    int validations = 0;
    EditWindow edit(picker, overlays);
    // A daily job whose stored hour lies outside the hour list.
    edit.Preload(JobSettings{"/a/", "/b/", Schedule::FromPositions({4, 0, 0, 40})}, Days());
    edit.SetValidator([&](const JobSettings&) { return ++validations > 0; });
    edit.show();
    (void)TakeAskedQuestionsForTesting();
    QueueAnswerForTesting(true);
    edit.Validate();
    QCOMPARE(TakeAskedQuestionsForTesting(), QStringList({QStringLiteral("Choisissez une heure.")}));
    QCOMPARE(validations, 0);
    QVERIFY(edit.isVisible());
}

void EditWindowTest::Edit(Program& program, int row, const std::function<void(EditWindow&)>& act) {
    auto* list = Child<QListWidget>(program.mainWindow(), "LbDesignationAjout");
    list->setCurrentRow(row);
    QTimer driver;
    bool acted = false;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* edit = program.mainWindow().findChild<EditWindow*>();
        if (edit == nullptr || !edit->isVisible()) {
            return;
        }
        if (!acted) {
            acted = true;
            act(*edit);
        }
        // Whatever `act` left open is cancelled, so the test always ends.
        driver.stop();
        if (edit->isVisible()) {
            edit->Cancel();
        }
    });
    driver.start(0);
    // Enter on the job opens its edit window.
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(acted);
    QVERIFY(program.mainWindow().findChild<EditWindow*>() == nullptr);
}

void EditWindowTest::validatingShowsTheEditedJob() {
    test::GuiTempDir folder;
    WriteTextFile(folder / "ListeSave.ini", ListeSaveText({{"/data/a/", "/backup/A/"}, {"/data/b/", "/backup/B/"}}));
    const std::unique_ptr<Program> program = test::MakeProgram(folder.path(), At(2026, 12, 7, 12, 0));
    test::ShowMainWindow(program->mainWindow());

    Edit(*program, 0, [](EditWindow& edit) {
        Child<QComboBox>(edit, "CbHeures")->setCurrentIndex(20);
        QTest::mouseClick(Child(edit, "ImageValider"), Qt::LeftButton, {}, QPoint(5, 5));
    });
    QCOMPARE(Child<QListWidget>(program->mainWindow(), "LbDesignationAjout")->item(0)->text(),
             QStringLiteral("Sauvegarder (/data/a/) sur (/backup/A/) tous les jours à 21h00"));
}

void EditWindowTest::anotherJobsSourceIsAskedAboutOnce() {
    test::GuiTempDir folder;
    WriteTextFile(folder / "ListeSave.ini", ListeSaveText({{"/data/a/", "/backup/A/"}, {"/data/b/", "/backup/B/"}}));
    const std::unique_ptr<Program> program = test::MakeProgram(folder.path(), At(2026, 12, 7, 12, 0));
    test::ShowMainWindow(program->mainWindow());
    (void)TakeAskedQuestionsForTesting();

    bool stayedOpen = false;
    Edit(*program, 1, [&](EditWindow& edit) {
        Child<QLineEdit>(edit, "EdSource")->setText(QStringLiteral("/data/a/"));
        QueueAnswerForTesting(false);
        edit.Validate();
        stayedOpen = edit.isVisible();
    });
    QVERIFY(stayedOpen);
    QCOMPARE(TakeAskedQuestionsForTesting().size(), 1);

    Edit(*program, 1, [&](EditWindow& edit) {
        Child<QLineEdit>(edit, "EdSource")->setText(QStringLiteral("/data/a/"));
        QueueAnswerForTesting(true);
        edit.Validate();
    });
    QCOMPARE(TakeAskedQuestionsForTesting().size(), 1);
    QCOMPARE(program->mainWindow().store().at(1).source, std::string("/data/a/"));
}

void EditWindowTest::unreadableLastRunShowsTheDateError() {
    test::GuiTempDir folder;
    std::string text = ListeSaveText({{"/data/a/", "/backup/A/"}});
    text.replace(text.find("CbDerniereDateMaj=01/12/2026 08:00:00"), 37, "CbDerniereDateMaj=");
    WriteTextFile(folder / "ListeSave.ini", text);
    const std::unique_ptr<Program> program = test::MakeProgram(folder.path(), At(2026, 12, 7, 12, 0));
    test::ShowMainWindow(program->mainWindow());
    (void)TakeShownFailuresForTesting();

    bool stayedOpen = false;
    Edit(*program, 0, [&](EditWindow& edit) {
        edit.Validate();
        stayedOpen = edit.isVisible();
    });
    QVERIFY(stayedOpen);
    QCOMPARE(TakeShownFailuresForTesting(),
             QStringList({QStringLiteral("'' ne correspond pas à une date et une heure correctes")}));
}

} // namespace vantorel

QTEST_MAIN(vantorel::EditWindowTest)
#include "edit_window_test.moc"
