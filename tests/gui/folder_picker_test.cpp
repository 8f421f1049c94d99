// The folder picker: the chosen folder ends in "/", a cancel leaves the field
// alone, and the layer dims the window behind while it is open.
#include "ui/folder_picker.h"
#include "ui/grey_overlay.h"

#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>

namespace vantorel {

class FolderPickerTest : public QObject {
    Q_OBJECT

private slots:
    void validatedFolderEndsWithSeparator();
    void cancelLeavesTheFieldAlone();
    void rootStaysAsItIs();
    void treeFollowsTheFieldOnlyWhenItNamesAFolder();
    void hiddenFoldersShowAndADoubleClickOnlyOpensAFolder();

private:
    // Opens the picker for `field` and runs `act` on it once it shows.
    static void Pick(FolderPicker& picker, QLineEdit& field, const std::function<void()>& act);
};

void FolderPickerTest::Pick(FolderPicker& picker, QLineEdit& field, const std::function<void()>& act) {
    QWidget covered;
    covered.setGeometry(0, 0, 628, 491);
    covered.show();
    GreyOverlay overlays;
    bool dimmed = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (!picker.isVisible()) {
            return;
        }
        driver.stop();
        dimmed = overlays.overlay(OverlaySlot::FolderPicker) != nullptr;
        act();
        if (picker.isVisible()) {
            picker.close();
        }
    });
    driver.start(0);
    OpenFolderPicker(picker, overlays, &covered, PickerMode::Destination, &field);
    QVERIFY(dimmed);
    QVERIFY(overlays.overlay(OverlaySlot::FolderPicker) == nullptr);
    QCOMPARE(picker.findChild<QLabel*>(QStringLiteral("LbTitre"))->text(), QStringLiteral("DESTINATION"));
}

void FolderPickerTest::validatedFolderEndsWithSeparator() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Sauvegardes")));
    const QString wanted = dir.filePath(QStringLiteral("Sauvegardes"));
    FolderPicker picker;
    QLineEdit field;
    // The field's folder is selected when the picker opens.
    field.setText(wanted + QLatin1Char('/'));
    Pick(picker, field, [&] {
        QTest::mouseClick(picker.findChild<QWidget*>(QStringLiteral("ImageValider")), Qt::LeftButton, {}, QPoint(5, 5));
    });
    QCOMPARE(field.text(), wanted + QLatin1Char('/'));
    QCOMPARE(picker.chosen(), std::optional<QString>(wanted + QLatin1Char('/')));
}

void FolderPickerTest::cancelLeavesTheFieldAlone() {
    FolderPicker picker;
    QLineEdit field;
    field.setText(QStringLiteral("/ancien/"));
    bool closedByEscape = false;
    Pick(picker, field, [&] {
        auto* tree = picker.findChild<QTreeView*>();
        tree->setFocus();
        tree->setCurrentIndex(tree->model()->index(0, 0, tree->rootIndex()));
        QTest::keyClick(tree, Qt::Key_Escape);
        closedByEscape = !picker.isVisible();
    });
    QVERIFY(closedByEscape);
    QCOMPARE(field.text(), QStringLiteral("/ancien/"));
    QVERIFY(!picker.chosen());
}

void FolderPickerTest::rootStaysAsItIs() {
    // The root already ends with its separator: it must not become "//".
    FolderPicker picker;
    QLineEdit field;
    field.setText(QStringLiteral("/"));
    bool closedByARelease = false;
    Pick(picker, field, [&] {
        // Enter in the tree takes the selected folder, on its release.
        auto* tree = picker.findChild<QTreeView*>();
        QTest::keyRelease(tree, Qt::Key_Return);
        closedByARelease = !picker.isVisible();
        QTest::keyClick(tree, Qt::Key_Return);
    });
    QVERIFY(!closedByARelease);
    QCOMPARE(field.text(), QStringLiteral("/"));
}

void FolderPickerTest::treeFollowsTheFieldOnlyWhenItNamesAFolder() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a/b")));
    FolderPicker picker;
    auto* tree = picker.findChild<QTreeView*>();
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    const QString deep = dir.filePath(QStringLiteral("a/b"));
    picker.Prepare(PickerMode::Source, deep + QLatin1Char('/'));
    QCOMPARE(model->filePath(tree->currentIndex()), deep);
    QVERIFY(tree->isExpanded(model->index(dir.filePath(QStringLiteral("a")))));
    // A folder gone since, or no folder at all: the tree stays where it was.
    picker.Prepare(PickerMode::Source, dir.filePath(QStringLiteral("parti/")));
    QCOMPARE(model->filePath(tree->currentIndex()), deep);
    picker.Prepare(PickerMode::Destination, QString());
    QCOMPARE(model->filePath(tree->currentIndex()), deep);
}

void FolderPickerTest::hiddenFoldersShowAndADoubleClickOnlyOpensAFolder() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral(".config/app")));
    const QString hidden = dir.filePath(QStringLiteral(".config"));
    FolderPicker picker;
    QLineEdit field;
    field.setText(hidden + QLatin1Char('/'));
    bool stayedOpen = false;
    bool opened = false;
    QString selected;
    Pick(picker, field, [&] {
        auto* tree = picker.findChild<QTreeView*>();
        const QModelIndex index = tree->currentIndex();
        selected = static_cast<QFileSystemModel*>(tree->model())->filePath(index);
        tree->scrollTo(index);
        const QPoint at = tree->visualRect(index).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
        stayedOpen = picker.isVisible();
        opened = tree->isExpanded(index);
    });
    QCOMPARE(selected, hidden);
    QVERIFY(stayedOpen);
    QVERIFY(opened);
    QCOMPARE(field.text(), hidden + QLatin1Char('/'));
    QVERIFY(!picker.chosen());
}

} // namespace vantorel

QTEST_MAIN(vantorel::FolderPickerTest)
#include "folder_picker_test.moc"
