// The options window: its two choices, what each click writes, and what a
// showing reads back (with the main window put back at its stored place).
#include "app/program.h"
#include "platform/autostart.h"
#include "ui/options_window.h"
#include "ui/texts.h"

// moc cannot parse the C++20 standard headers the core pulls in.
#ifndef Q_MOC_RUN
#include "support/gui_support.h"
#endif

#include <QCheckBox>
#include <QCoreApplication>
#include <QTest>

#include <sys/stat.h>

#include <memory>

namespace vantorel {

using test::Child;
using test::ReadTextFile;
using test::WriteTextFile;

class OptionsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clicksWriteAtOnce();
    void showingFollowsTheFileOnceAndClosingWritesNothing();
    void badPositionKeepsTheBoxes();
    void refusedEntryIsReportedAndNotStored();

private:
    void Start() {
        program_ = test::MakeProgram(folder_->path());
        // Shown without the start-up check, which would write the first
        // start's choices into the file these tests begin without.
        program_->mainWindow().show();
        program_->mainWindow().move(200, 150);
    }
    OptionsWindow& options() const { return *static_cast<OptionsWindow*>(program_->windows()[4]); }
    QCheckBox* Lance() const { return Child<QCheckBox>(options(), "CbLance"); }
    QCheckBox* Reduire() const { return Child<QCheckBox>(options(), "CbReduire"); }
    void Open() const {
        QTest::mouseClick(Child(program_->mainWindow(), "ImageOptions"), Qt::LeftButton, {}, QPoint(10, 10));
    }
    void Click(const char* button) const {
        QTest::mouseClick(Child(options(), button), Qt::LeftButton, {}, QPoint(5, 5));
    }
    std::filesystem::path Ini() const { return folder_->path() / "Vantorel.ini"; }
    std::filesystem::path Entry() const { return LogonEntryPath(folder_->path() / "config"); }
    std::string ExecLine() const {
        return "\nExec=" + LogonExecValue(QCoreApplication::applicationFilePath().toStdString()) + "\n";
    }

    std::unique_ptr<test::GuiTempDir> folder_;
    std::unique_ptr<Program> program_;
};

void OptionsWindowTest::init() {
    folder_ = std::make_unique<test::GuiTempDir>();
    CollectFailuresForTesting();
}

void OptionsWindowTest::cleanup() {
    program_.reset();
    folder_.reset();
    QCOMPARE(TakeShownFailuresForTesting(), QStringList());
}

void OptionsWindowTest::clicksWriteAtOnce() {
    // No Vantorel.ini: both unchecked, the main window at (0, 0), nothing written.
    Start();
    Open();
    QVERIFY(options().isVisible());
    QVERIFY(!options().isModal());
    QCOMPARE(program_->mainWindow().pos(), QPoint(0, 0));
    QVERIFY(!Lance()->isChecked() && !Reduire()->isChecked());
    QVERIFY(!std::filesystem::exists(Ini()));
    QVERIFY(!std::filesystem::exists(Entry()));

    Lance()->click();
    QVERIFY(ReadTextFile(Entry()).find(ExecLine()) != std::string::npos);
    QCOMPARE(ReadTextFile(Ini()), std::string("[Prog]\nLanceProg=TRUE\n"));
    Reduire()->click();
    QCOMPARE(ReadTextFile(Ini()), std::string("[Prog]\nLanceProg=TRUE\nReduireProg=TRUE\n"));
    Lance()->click();
    Reduire()->click();
    QVERIFY(!std::filesystem::exists(Entry()));
    QCOMPARE(ReadTextFile(Ini()), std::string("[Prog]\nLanceProg=FALSE\nReduireProg=FALSE\n"));
}

void OptionsWindowTest::showingFollowsTheFileOnceAndClosingWritesNothing() {
    const std::string ini =
        "[Prog]\nLanceProg=TRUE\nReduireProg=true\n[PositionFenetre]\nNormalTop=40\nNormalLeft=30\n";
    WriteTextFile(Ini(), ini);
    Start();
    Open();
    QCOMPARE(program_->mainWindow().pos(), QPoint(30, 40));
    QVERIFY(Lance()->isChecked());
    // Only "TRUE" counts.
    QVERIFY(!Reduire()->isChecked());
    // The box changed: the entry is written anew with this executable.
    QVERIFY(ReadTextFile(Entry()).find(ExecLine()) != std::string::npos);
    QCOMPARE(ReadTextFile(Ini()), ini);

    // FERMER and the cross only hide the window.
    Click("ImageAnnuler");
    QVERIFY(!options().isVisible());
    std::filesystem::remove(Entry());
    Open();
    Click("ImageFermer");
    QVERIFY(!options().isVisible());
    // The box already showed the stored state: nothing was written again.
    QVERIFY(!std::filesystem::exists(Entry()));
    QCOMPARE(ReadTextFile(Ini()), ini);
}

void OptionsWindowTest::badPositionKeepsTheBoxes() {
    WriteTextFile(Ini(), "[Prog]\nLanceProg=FALSE\nReduireProg=TRUE\n[PositionFenetre]\nNormalTop=10\nNormalLeft=x1\n");
    Start();
    Open();
    QCOMPARE(TakeShownFailuresForTesting(), QStringList{QStringLiteral("'x1' n'est pas une valeur entière correcte")});
    QVERIFY(!Reduire()->isChecked());
    QCOMPARE(program_->mainWindow().pos(), QPoint(200, 150));
}

void OptionsWindowTest::refusedEntryIsReportedAndNotStored() {
    Start();
    WriteTextFile(Entry(), "[Desktop Entry]\n");
    QCOMPARE(::chmod(Entry().c_str(), 0444), 0);
    Open();
    Lance()->click();
    QCOMPARE(TakeShownFailuresForTesting(),
             QStringList{QStringLiteral("Echec à la définition des données pour 'Vantorel'")});
    QVERIFY(!Lance()->isChecked());
    QVERIFY(!std::filesystem::exists(Ini()));
}

} // namespace vantorel

QTEST_MAIN(vantorel::OptionsWindowTest)
#include "options_window_test.moc"
