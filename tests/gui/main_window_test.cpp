// The main window: start-up, every show, the commands
// and the job list's hint, drawing and drop-down width.
#include "app/program.h"
#include "ui/folder_picker.h"
#include "ui/image_button.h"
#include "ui/list_rows.h"
#include "ui/next_run_hint.h"
#include "ui/skin.h"
#include "ui/skin_combo_box.h"
#include "ui/texts.h"
#include "ui/tray_icon.h"
#include "ui/yes_no_dialog.h"

// moc cannot parse the C++20 standard headers the core pulls in.
#ifndef Q_MOC_RUN
#include "support/gui_support.h"
#endif

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace vantorel {

using test::JobSection;
using test::ListeSaveText;
using test::ReadTextFile;
using test::WriteTextFile;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void windowsAreCreatedHiddenInOrder();
    void firstStartWithoutJobFile();
    void showLoadsJobsAndShowsLastDestination();
    void dueJobRunsOnceTheWindowIsUp();
    void showingAgainReloadsJobs();
    void deleteKeyOnEmptyListOrNoSelectionDoesNothing();
    void deleteKeyAsksThenRemovesTheSelectedJob();
    void addingAJobPicksFoldersStoresAndRunsIt();
    void dragHandleMovesTheWindowWithThePointer();
    void menuRunsAllAndRestoresTheSelectedJob();
    void failedPassShowsTheErrorWindowCentred();
    void closingDuringAFirstRunEndsTheProgramSoon();
    void newJobsFirstRunAddsToTheOpenErrorWindow();
    void hintFollowsTheScrolledList();
    void hintText_data();
    void hintText();
    void dropDownWidth();
    void selectedRowIsGoldOnGrey();
    void restoreThatLostFilesNamesTheFirstOnes();

private:
    void Start();
    template <typename T = QWidget> T* Child(const char* name) const {
        return test::Child<T>(program_->mainWindow(), name);
    }
    void WriteJobs(const std::vector<JobSection>& jobs) const {
        WriteTextFile(folder_->path() / "ListeSave.ini", ListeSaveText(jobs));
    }
    std::string Folder(const char* name) const {
        std::filesystem::create_directories(folder_->path() / name);
        return (folder_->path() / name).string() + "/";
    }

    std::unique_ptr<test::GuiTempDir> folder_;
    std::unique_ptr<Program> program_;
};

void MainWindowTest::init() {
    folder_ = std::make_unique<test::GuiTempDir>();
    (void)TakeAskedQuestionsForTesting();
    CollectFailuresForTesting();
    (void)TakeShownFailuresForTesting();
}

void MainWindowTest::cleanup() {
    program_.reset();
    folder_.reset();
}

void MainWindowTest::Start() {
    program_ = test::MakeProgram(folder_->path());
    test::ShowMainWindow(program_->mainWindow());
}

void MainWindowTest::windowsAreCreatedHiddenInOrder() {
    program_ = test::MakeProgram(folder_->path());
    const std::vector<QWidget*> windows = program_->windows();
    const char* classes[] = {"vantorel::MainWindow",  "vantorel::FolderPicker",  "vantorel::GreyOverlay",
                             "vantorel::ErrorWindow", "vantorel::OptionsWindow", "vantorel::HelpWindow"};
    QCOMPARE(windows.size(), std::size(classes));
    for (std::size_t i = 0; i < windows.size(); ++i) {
        QCOMPARE(windows[i]->metaObject()->className(), classes[i]);
        QVERIFY(!windows[i]->isVisible());
    }
    // The due timer counts from the window's creation, not from its first show.
    QVERIFY(program_->mainWindow().findChild<QTimer*>(QStringLiteral("TimerLanceSave"))->isActive());
    QCOMPARE(program_->mainWindow().life(), MainWindow::Life::Starting);
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Vantorel"));
}

void MainWindowTest::firstStartWithoutJobFile() {
    Start();
    QCOMPARE(Child<QListWidget>("LbDesignationAjout")->count(), 0);
    QVERIFY(Child<QLineEdit>("EdDestination")->text().isEmpty());
    QCOMPARE(Child<QComboBox>("CbDelaiSave")->currentText(), QStringLiteral("Tous les jours"));
    QCOMPARE(Child<QComboBox>("CbJoursSemaine")->currentText(), QStringLiteral("Lundi"));
    QCOMPARE(Child<QComboBox>("CbHeures")->currentText(), QStringLiteral("01h00"));
    QVERIFY(!std::filesystem::exists(folder_->path() / "ListeSave.ini"));
    QCOMPARE(program_->mainWindow().life(), MainWindow::Life::Shown);
    QVERIFY(!Child<QLabel>("LbTraitement")->isVisible());
}

void MainWindowTest::showLoadsJobsAndShowsLastDestination() {
    WriteJobs({{"/data/a/", "/backup/A/"}, {"/data/b/", "/backup/B/"}, {"/data/c/", "/backup/C/"}});
    Start();
    auto* list = Child<QListWidget>("LbDesignationAjout");
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->item(2)->text(), QStringLiteral("Sauvegarder (/data/c/) sur (/backup/C/) tous les jours à 01h00"));
    QCOMPARE(Child<QLineEdit>("EdDestination")->text(), QStringLiteral("/backup/C/"));
    QVERIFY(Child<QLineEdit>("EdSource")->text().isEmpty());
}

void MainWindowTest::dueJobRunsOnceTheWindowIsUp() {
    const std::string source = Folder("src");
    WriteTextFile(folder_->path() / "src" / "lettre.txt", "Bonjour");
    const std::string destination = Folder("dst");
    WriteJobs({{source, destination, "07/12/2026 10:00:00"}});

    program_ = test::MakeProgram(folder_->path());
    auto* processing = Child<QLabel>("LbTraitement");
    auto* folderName = Child<QLabel>("LbTraitementDossier");
    struct Watcher : QObject {
        QWidget* window = nullptr;
        QLabel* processing = nullptr;
        int runs = 0;
        bool windowShownDuringRun = true;
        QString progress;
        QString folder;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show && watched == processing) {
                ++runs;
                windowShownDuringRun = windowShownDuringRun && window->isVisible();
            } else if (event->type() == QEvent::Show) {
                // The progress and the job's folder show while its archive is written.
                progress = processing->text();
                folder = static_cast<QLabel*>(watched)->text();
            }
            return false;
        }
    } watcher;
    watcher.window = &program_->mainWindow();
    watcher.processing = processing;
    processing->installEventFilter(&watcher);
    folderName->installEventFilter(&watcher);

    // The window is up before the pass: it does not run inside the start.
    program_->mainWindow().Start();
    QCOMPARE(watcher.runs, 0);
    test::FinishRuns(program_->mainWindow());
    QCOMPARE(watcher.runs, 1);
    QVERIFY(watcher.windowShownDuringRun);
    QCOMPARE(watcher.progress, QStringLiteral("Traitement en cours — 0 %"));
    QCOMPARE(watcher.folder, QStringLiteral("src"));
    QCOMPARE(program_->mainWindow().store().at(0).lastRun, std::string("08/12/2026 10:00:00"));
    QVERIFY(!processing->isVisible());
    QCOMPARE(processing->text(), QStringLiteral("Traitement en cours"));
    processing->removeEventFilter(&watcher);
    folderName->removeEventFilter(&watcher);
}

void MainWindowTest::showingAgainReloadsJobs() {
    WriteJobs({{"/data/a/", "/backup/A/"}});
    Start();
    // The file changes while the window is in the notification area.
    TrayIcon::SetAvailableForTesting(true);
    program_->mainWindow().MinimiseToTray();
    WriteJobs({{"/data/a/", "/backup/A/"}, {"/data/z/", "/backup/Z/"}});
    program_->mainWindow().ShowFromTray(true);
    test::FinishRuns(program_->mainWindow());
    QCOMPARE(Child<QListWidget>("LbDesignationAjout")->count(), 2);
    QCOMPARE(Child<QLineEdit>("EdDestination")->text(), QStringLiteral("/backup/Z/"));
}

void MainWindowTest::deleteKeyOnEmptyListOrNoSelectionDoesNothing() {
    Start();
    auto* list = Child<QListWidget>("LbDesignationAjout");
    QTest::keyClick(list, Qt::Key_Delete);
    QVERIFY(TakeAskedQuestionsForTesting().isEmpty());

    program_.reset();
    WriteJobs({{"/data/a/", "/backup/A/"}});
    Start();
    list = Child<QListWidget>("LbDesignationAjout");
    QCOMPARE(list->count(), 1);
    QTest::keyClick(list, Qt::Key_Delete);
    QVERIFY(TakeAskedQuestionsForTesting().isEmpty());
    QCOMPARE(list->count(), 1);
}

void MainWindowTest::deleteKeyAsksThenRemovesTheSelectedJob() {
    WriteJobs({{"/data/a/", "/backup/A/"}, {"/data/b/", "/backup/B/"}});
    Start();
    auto* list = Child<QListWidget>("LbDesignationAjout");
    list->setCurrentRow(0);
    QueueAnswerForTesting(false);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->count(), 2);

    QueueAnswerForTesting(true);
    QTest::keyClick(list, Qt::Key_Delete);
    const QStringList asked = TakeAskedQuestionsForTesting();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked.front(), QStringLiteral("Etes-vous sûr de vouloir supprimer cette sauvegarde ?\r\n"
                                           "!! Cela supprimera les sauvegardes effectuées !! "));
    QCOMPARE(list->count(), 1);
    QVERIFY(list->selectedItems().isEmpty());
    QCOMPARE(program_->mainWindow().store().at(0).source, std::string("/data/b/"));
}

void MainWindowTest::restoreThatLostFilesNamesTheFirstOnes() {
    Start();
    QueueAnswerForTesting(true);
    program_->mainWindow().ShowRestoreProblems(RestoreProblems{std::nullopt, 7, {"a.txt", "sub/été.txt"}});
    QCOMPARE(
        TakeAskedQuestionsForTesting(),
        QStringList{QStringLiteral("La restauration n'a pas pu rétablir 7 fichier(s) :\r\na.txt\r\nsub/été.txt\r\n…")});
    // An archive that is not there restored nothing, and says why.
    QueueAnswerForTesting(true);
    program_->mainWindow().ShowRestoreProblems(
        RestoreProblems{FailureCause{FailureKind::ArchiveMissing, "/d/Vantorel/save_1_1.zip", "No such file"}, 0, {}});
    QCOMPARE(TakeAskedQuestionsForTesting(),
             QStringList{QStringLiteral("La restauration n'a rien rétabli :\r\n"
                                        "Aucune sauvegarde à restaurer : /d/Vantorel/save_1_1.zip (No such file)")});
}

void MainWindowTest::addingAJobPicksFoldersStoresAndRunsIt() {
    Start();
    program_->mainWindow().SetRunLogFolder(folder_->path() / "state");
    const std::string source = Folder("docs");
    WriteTextFile(folder_->path() / "docs" / "note.txt", "à garder");
    const std::string destination = Folder("disque");
    // The picker answers without a trailing separator; the field gets one.
    QueuePickedFolderForTesting(QString::fromStdString(source).chopped(1));
    QTest::mouseClick(Child("ImageSource"), Qt::LeftButton, {}, QPoint(10, 10));
    QueuePickedFolderForTesting(QString::fromStdString(destination));
    QTest::mouseClick(Child("ImageDestination"), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(Child<QLineEdit>("EdSource")->text(), QString::fromStdString(source));
    // A cancelled choice leaves the field as it was.
    QueuePickedFolderForTesting(std::nullopt);
    QTest::mouseClick(Child("ImageDestination"), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(Child<QLineEdit>("EdDestination")->text(), QString::fromStdString(destination));

    QTest::mouseClick(Child("ImageAjouter"), Qt::LeftButton, {}, QPoint(10, 10));
    test::FinishRuns(program_->mainWindow());
    auto* list = Child<QListWidget>("LbDesignationAjout");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->currentRow(), 0);
    QVERIFY(ReadTextFile(folder_->path() / "ListeSave.ini").find("EdSource=" + source) != std::string::npos);
    QVERIFY(TakeAskedQuestionsForTesting().isEmpty());
    // Its hint tells of the run that just succeeded.
    test::SendMouseMove(list->viewport(), QPoint(20, 3));
    QVERIFY(list->toolTip().endsWith(QStringLiteral("\nDernière sauvegarde réussie le 08/12/2026 à 10h00")));

    // The same panel again: the repeated source is asked about; no adds nothing.
    QueueAnswerForTesting(false);
    QTest::mouseClick(Child("ImageAjouter"), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(TakeAskedQuestionsForTesting().size(), 1);
    QCOMPARE(list->count(), 1);

    // A job list that refuses the write: the reason is told, and the job that
    // was never saved is not shown as if it were.
    const std::filesystem::path file = folder_->path() / "ListeSave.ini";
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    Child<QLineEdit>("EdSource")->setText(QString::fromStdString(Folder("autre")));
    QTest::mouseClick(Child("ImageAjouter"), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(TakeShownFailuresForTesting(), QStringList{QStringLiteral("Impossible d'écrire dans %1\nPermission denied")
                                                            .arg(QString::fromStdString(file.string()))});
    QCOMPARE(list->count(), 1);
    QCOMPARE(program_->mainWindow().store().size(), 1u);
}

void MainWindowTest::dragHandleMovesTheWindowWithThePointer() {
    Start();
    QWidget& window = program_->mainWindow();
    window.move(100, 100);
    QWidget* handle = Child("ImageDeplaceFenetre");
    // Any button starts the drag; the grabbed point stays under the pointer.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(handle->mapToGlobal(QPoint(5, 5))),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    test::SendMouseMove(handle, QPoint(25, 15), Qt::RightButton);
    QCOMPARE(window.pos(), QPoint(120, 110));
    test::SendMouseMove(handle, QPoint(5, 5), Qt::RightButton);
    QCOMPARE(window.pos(), QPoint(120, 110));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(handle->mapToGlobal(QPoint(5, 5))),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &release);
    test::SendMouseMove(handle, QPoint(50, 50), Qt::LeftButton);
    QCOMPARE(window.pos(), QPoint(120, 110));
    // The drop stores the place; moving the window otherwise does not.
    const std::string stored = ReadTextFile(folder_->path() / "Vantorel.ini");
    QVERIFY(stored.find("[PositionFenetre]\nNormalTop=110\nNormalLeft=120\n") != std::string::npos);
    window.move(300, 300);
    QCOMPARE(ReadTextFile(folder_->path() / "Vantorel.ini"), stored);
}

void MainWindowTest::menuRunsAllAndRestoresTheSelectedJob() {
    const std::string source = Folder("src");
    WriteTextFile(folder_->path() / "src" / "a.txt", "version 1");
    WriteJobs({{source, Folder("dst")}});
    Start();
    const auto trigger = [this](const char* name) {
        Child<QMenu>("PopupMenuSave")->findChild<QAction*>(QLatin1String(name))->trigger();
        test::FinishRuns(program_->mainWindow());
    };
    trigger("LancerToutesSauvegardes");
    QCOMPARE(program_->mainWindow().store().at(0).lastRun, std::string("08/12/2026 10:00:00"));

    WriteTextFile(folder_->path() / "src" / "a.txt", "version 2");
    // No selection: nothing is asked.
    trigger("RestaurerSauvegardeSelectionne");
    QVERIFY(TakeAskedQuestionsForTesting().isEmpty());
    Child<QListWidget>("LbDesignationAjout")->setCurrentRow(0);
    QueueAnswerForTesting(false);
    trigger("RestaurerSauvegardeSelectionne");
    QCOMPARE(ReadTextFile(folder_->path() / "src" / "a.txt"), std::string("version 2"));
    QueueAnswerForTesting(true);
    trigger("RestaurerSauvegardeSelectionne");
    QCOMPARE(ReadTextFile(folder_->path() / "src" / "a.txt"), std::string("version 1"));
    QCOMPARE(TakeAskedQuestionsForTesting().back(),
             QStringLiteral("Etes-vous sûr de vouloir restaurer cette sauvegarde ?\r\n"
                            "Cela effacera votre répertoire d'origine si il est encore existant"));
    QVERIFY(!Child<QLabel>("LbTraitement")->isVisible());
}

void MainWindowTest::failedPassShowsTheErrorWindowCentred() {
    WriteTextFile(folder_->path() / "src" / "a.txt", "a");
    WriteJobs({{"/nowhere/a/", Folder("dst"), "07/12/2026 10:00:00"},
               {"/nowhere/b/", Folder("dst")},
               {Folder("src"), Folder("dst")}});
    Start();
    auto* errors = qobject_cast<QWidget*>(program_->windows()[3]);
    QVERIFY(errors->isVisible());
    auto* lines = errors->findChild<QListWidget*>(QStringLiteral("LbDesignationAjout"));
    QCOMPARE(lines->count(), 2);
    QCOMPARE(lines->item(0)->text(), Child<QListWidget>("LbDesignationAjout")->item(0)->text());
    QCOMPARE(lines->item(1)->text(),
             QStringLiteral("    Dossier source introuvable : /nowhere/a/ (No such file or directory)"));
    QVERIFY(qAbs(errors->geometry().center().x() - program_->mainWindow().geometry().center().x()) <= 1);
    // A modeless window: it must stay above the main window, never behind it.
    QCOMPARE(errors->windowHandle()->transientParent(), program_->mainWindow().windowHandle());
    // The next minute's pass finds the job no longer due and empties the open
    // window; so does any other run without a failure.
    program_->mainWindow().RunDuePass();
    test::FinishRuns(program_->mainWindow());
    QCOMPARE(lines->count(), 0);
    QVERIFY(errors->isVisible());
    program_->mainWindow().RunAll();
    test::FinishRuns(program_->mainWindow());
    QCOMPARE(lines->count(), 4);
    Child<QListWidget>("LbDesignationAjout")->setCurrentRow(2);
    program_->mainWindow().RunSelected();
    test::FinishRuns(program_->mainWindow());
    QCOMPARE(lines->count(), 0);
}

void MainWindowTest::closingDuringAFirstRunEndsTheProgramSoon() {
    Start();
    MainWindow& window = program_->mainWindow();
    QObject::disconnect(&window, &MainWindow::Closed, nullptr, nullptr); // the test's application goes on
    QSignalSpy closed(&window, &MainWindow::Closed);
    // Enough random data for the archive step to last well beyond the click.
    const std::string source = Folder("big");
    QRandomGenerator random(18);
    for (int i = 0; i < 8; ++i) {
        std::string data(8 << 20, '\0');
        random.fillRange(reinterpret_cast<quint32*>(data.data()), static_cast<qsizetype>(data.size() / 4));
        WriteTextFile(folder_->path() / "big" / ("part" + std::to_string(i)), data);
    }
    QueuePickedFolderForTesting(QString::fromStdString(source));
    QTest::mouseClick(Child("ImageSource"), Qt::LeftButton, {}, QPoint(10, 10));
    QueuePickedFolderForTesting(QString::fromStdString(Folder("dst")));
    QTest::mouseClick(Child("ImageDestination"), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(Child("ImageAjouter"), Qt::LeftButton, {}, QPoint(10, 10));
    QTRY_VERIFY(Child<QLabel>("LbTraitement")->isVisible());

    QElapsedTimer sinceClick;
    sinceClick.start();
    QTest::mouseClick(Child("ImageFermer"), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(closed.count(), 0); // the run stops first
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 2000);
    qInfo("program ended %lld ms after the click", static_cast<long long>(sinceClick.elapsed()));
    QVERIFY(!window.runner().busy());
    // The run was given up: no archive, not even a temporary one.
    QVERIFY(std::filesystem::is_empty(folder_->path() / "dst" / "Vantorel"));
}

void MainWindowTest::newJobsFirstRunAddsToTheOpenErrorWindow() {
    WriteJobs({{"/nowhere/a/", Folder("dst"), "07/12/2026 10:00:00"}});
    Start();
    auto* errors = qobject_cast<QWidget*>(program_->windows()[3]);
    auto* lines = errors->findChild<QListWidget*>(QStringLiteral("LbDesignationAjout"));
    QVERIFY(errors->isVisible());
    QCOMPARE(lines->count(), 2); // each failure: its designation, then its cause

    // A destination where the archive folder cannot be made: the first run fails.
    WriteTextFile(folder_->path() / "blocked" / "Vantorel", "a file, not a folder");
    QueuePickedFolderForTesting(QString::fromStdString(Folder("src")));
    QTest::mouseClick(Child("ImageSource"), Qt::LeftButton, {}, QPoint(10, 10));
    QueuePickedFolderForTesting(QString::fromStdString(Folder("blocked")));
    QTest::mouseClick(Child("ImageDestination"), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(Child("ImageAjouter"), Qt::LeftButton, {}, QPoint(10, 10));
    test::FinishRuns(program_->mainWindow());

    QCOMPARE(lines->count(), 4);
    QCOMPARE(lines->item(0)->text(), Child<QListWidget>("LbDesignationAjout")->item(0)->text());
    QCOMPARE(lines->item(2)->text(), Child<QListWidget>("LbDesignationAjout")->item(1)->text());
}

void MainWindowTest::hintFollowsTheScrolledList() {
    std::vector<JobSection> jobs;
    for (int i = 0; i < 30; ++i) {
        jobs.emplace_back("/data/" + std::to_string(i) + "/", "/backup/",
                          "2" + std::to_string(i % 8) + "/12/2026 07:30:00", "0");
    }
    WriteJobs(jobs);
    Start();
    auto* list = Child<QListWidget>("LbDesignationAjout");
    list->verticalScrollBar()->setValue(5);
    QCOMPARE(list->indexAt(QPoint(1, 1)).row(), 5);

    test::SendMouseMove(list->viewport(), QPoint(20, kListRowHeight + 3));
    QCOMPARE(list->toolTip(), list->item(6)->text() + QStringLiteral("\nProchaine sauvegarde prévue pour le "
                                                                     "26/12/2026 à 07h30"));
    // Below the last visible row of a short list the hint is cleared.
    program_.reset();
    WriteJobs({jobs[0], jobs[1]});
    Start();
    list = Child<QListWidget>("LbDesignationAjout");
    test::SendMouseMove(list->viewport(), QPoint(20, 3));
    QVERIFY(list->toolTip().startsWith(QStringLiteral("Sauvegarder (/data/0/)")));
    test::SendMouseMove(list->viewport(), QPoint(20, 2 * kListRowHeight + 1));
    QVERIFY(list->toolTip().isEmpty());
}

void MainWindowTest::hintText_data() {
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("secondLine");
    QTest::newRow("evening") << "08/12/2026 21:00:00"
                             << "Prochaine sauvegarde prévue pour le 08/12/2026 à 21h00";
    QTest::newRow("morning") << "09/01/2027 07:30:15"
                             << "Prochaine sauvegarde prévue pour le 09/01/2027 à 07h30";
    QTest::newRow("midnight, date alone") << "10/12/2026"
                                          << "Prochaine sauvegarde prévue pour le 10/12/2026 à 00h00";
    QTest::newRow("missing key's default") << "0"
                                           << "Prochaine sauvegarde prévue pour le 0 à ";
    QTest::newRow("empty: no second line") << ""
                                           << "";
}

void MainWindowTest::hintText() {
    QFETCH(QString, next);
    QFETCH(QString, secondLine);
    QCOMPARE(NextRunHintText(QStringLiteral("Ligne"), next.toStdString()),
             secondLine.isEmpty() ? QStringLiteral("Ligne") : QStringLiteral("Ligne\r\n") + secondLine);
    QCOMPARE(NextRunHintText(QStringLiteral("Ligne"), next.toStdString(), "08/12/2026 16:05:00"),
             (secondLine.isEmpty() ? QStringLiteral("Ligne") : QStringLiteral("Ligne\r\n") + secondLine) +
                 QStringLiteral("\r\nDernière sauvegarde réussie le 08/12/2026 à 16h05"));
    QCOMPARE(HintRow(-1, 0, 3), std::nullopt);
    QCOMPARE(HintRow(38, 0, 3), std::optional<int>(2));
    QCOMPARE(HintRow(39, 0, 3), std::nullopt);
    QCOMPARE(HintRow(14, 5, 30), std::optional<int>(6));
}

void MainWindowTest::dropDownWidth() {
    QWidget window;
    SkinComboBox combo(&window, QStringLiteral("CbDelaiSave"),
                       {QStringLiteral("Tous les jours"), QStringLiteral("Toutes les 12 heures")});
    combo.setGeometry(0, 0, 40, 21);
    window.show();
    // A list narrower than its items opens wide enough to show the widest whole.
    const int widest = QFontMetrics(combo.font()).horizontalAdvance(QStringLiteral("Toutes les 12 heures"));
    combo.showPopup();
    QVERIFY(combo.view()->width() > widest);
    combo.hidePopup();

    // An empty list opens at the combo box's own width.
    SkinComboBox empty(&window, QStringLiteral("CbVide"), {});
    empty.setGeometry(0, 30, 90, 21);
    FitDropDownWidth(&empty);
    QCOMPARE(empty.view()->minimumWidth(), 90);
}

void MainWindowTest::selectedRowIsGoldOnGrey() {
    QListWidget list;
    SkinList(&list);
    list.addItems({QStringLiteral("WWWW"), QStringLiteral("WWWW")});
    list.resize(200, 60);
    list.setCurrentRow(1);
    list.show();
    const QImage shot = list.viewport()->grab().toImage();
    QCOMPARE(list.visualItemRect(list.item(0)).height(), kListRowHeight);
    const auto colours = [&shot](int top) {
        QSet<QRgb> seen;
        for (int y = top; y < top + kListRowHeight; ++y) {
            for (int x = 0; x < 60; ++x) {
                seen.insert(shot.pixel(x, y));
            }
        }
        return seen;
    };
    const QSet<QRgb> plain = colours(0);
    const QSet<QRgb> selected = colours(kListRowHeight);
    QVERIFY(plain.contains(kSkinField.rgb()));
    QVERIFY(plain.contains(QColor(Qt::black).rgb()));
    QVERIFY(selected.contains(kSkinDarkGrey.rgb()));
    QVERIFY(selected.contains(kSkinGold.rgb()));
    QVERIFY(!selected.contains(kSkinField.rgb()));
}

} // namespace vantorel

QTEST_MAIN(vantorel::MainWindowTest)
#include "main_window_test.moc"
