// The help window: 20 pixels a wheel notch, within the text, from the top at
// every showing.
#include "ui/help_window.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace vantorel {

class HelpWindowTest : public QObject {
    Q_OBJECT

private slots:
    void wheelScrollsTwentyPixelsANotchWithinTheText();
    void everyShowingStartsAtTheTop();
    void escapeReleaseCloses();
    void textsSitAtTheirTops();
};

namespace {

void Wheel(QWidget* target, int notches) {
    const QPoint at(10, 10);
    QWheelEvent wheel(QPointF(at), QPointF(target->mapToGlobal(at)), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

QScrollBar* Bar(const HelpWindow& help) {
    return help.findChild<QScrollArea*>(QStringLiteral("ScrollBox"))->verticalScrollBar();
}

QWidget* Viewport(const HelpWindow& help) {
    return help.findChild<QScrollArea*>(QStringLiteral("ScrollBox"))->viewport();
}

} // namespace

void HelpWindowTest::wheelScrollsTwentyPixelsANotchWithinTheText() {
    HelpWindow help;
    help.show();
    QScrollBar* bar = Bar(help);
    QCOMPARE(bar->value(), 0);
    Wheel(Viewport(help), -1);
    QCOMPARE(bar->value(), 20);
    Wheel(Viewport(help), -3);
    QCOMPARE(bar->value(), 80);
    Wheel(Viewport(help), 1);
    QCOMPARE(bar->value(), 60);
    Wheel(Viewport(help), 10);
    QCOMPARE(bar->value(), 0);
    // The end of the text: the panel's height less the visible height.
    Wheel(Viewport(help), -100);
    QCOMPARE(bar->value(), 1013 - Viewport(help)->height());
}

void HelpWindowTest::everyShowingStartsAtTheTop() {
    HelpWindow help;
    help.show();
    Wheel(Viewport(help), -5);
    QCOMPARE(Bar(help)->value(), 100);
    help.hide();
    help.show();
    QCOMPARE(Bar(help)->value(), 0);
}

void HelpWindowTest::escapeReleaseCloses() {
    HelpWindow help;
    help.show();
    QTest::keyPress(&help, Qt::Key_Escape);
    QVERIFY(help.isVisible());
    QTest::keyRelease(&help, Qt::Key_Escape);
    QVERIFY(!help.isVisible());
}

void HelpWindowTest::textsSitAtTheirTops() {
    HelpWindow help;
    QWidget* panel = help.findChild<QWidget*>(QStringLiteral("PanelAide"));
    QCOMPARE(panel->size(), QSize(551, 1013));
    QStringList headings;
    QList<int> headingTops;
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        if (label->x() == 10) {
            headings.append(label->text());
            headingTops.append(label->y());
        } else {
            QCOMPARE(label->x(), 26);
        }
    }
    QCOMPARE(headings,
             QStringList({"Introduction :", "Options :", "Ajouter une sauvegarde :", "Modifier une sauvegarde :",
                          "Supprimer une sauvegarde :", "Lancer une sauvegarde :", "Restaurer une sauvegarde :"}));
    QCOMPARE(headingTops, QList<int>({6, 137, 241, 417, 601, 761, 937}));
    // Every block ends before the next one starts.
    QList<QLabel*> labels = panel->findChildren<QLabel*>();
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    for (qsizetype i = 1; i < labels.size(); ++i) {
        QVERIFY2(labels[i - 1]->geometry().bottom() < labels[i]->y(), qPrintable(labels[i]->text()));
        QVERIFY2(labels[i - 1]->geometry().right() < panel->width(), qPrintable(labels[i - 1]->text()));
    }
}

} // namespace vantorel

QTEST_MAIN(vantorel::HelpWindowTest)
#include "help_window_test.moc"
