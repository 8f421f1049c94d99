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
    void textsNeitherOverlapNorOverflow();
};

namespace {

// One wheel event turning `angle` eighths of a degree (120: one notch).
void WheelAngle(QWidget* target, int angle) {
    const QPoint at(10, 10);
    QWheelEvent wheel(QPointF(at), QPointF(target->mapToGlobal(at)), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

void Wheel(QWidget* target, int notches) {
    WheelAngle(target, notches * 120);
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
    // A touchpad's fine steps add up: eight of 15 make one notch.
    for (int i = 0; i < 8; ++i) {
        WheelAngle(Viewport(help), -15);
    }
    QCOMPARE(bar->value(), 80);
    Wheel(Viewport(help), 1);
    Wheel(Viewport(help), 10);
    QCOMPARE(bar->value(), 0);
    // The end of the text.
    Wheel(Viewport(help), -100);
    QVERIFY(bar->maximum() > 80);
    QCOMPARE(bar->value(), bar->maximum());
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

void HelpWindowTest::textsNeitherOverlapNorOverflow() {
    HelpWindow help;
    QWidget* panel = help.findChild<QWidget*>(QStringLiteral("PanelAide"));
    // Every block ends before the next one starts, within the panel's width.
    QList<QLabel*> labels = panel->findChildren<QLabel*>();
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    for (qsizetype i = 0; i < labels.size(); ++i) {
        QVERIFY2(i == 0 || labels[i - 1]->geometry().bottom() < labels[i]->y(), qPrintable(labels[i]->text()));
        QVERIFY2(labels[i]->geometry().right() < panel->width(), qPrintable(labels[i]->text()));
    }
    QVERIFY(labels.back()->geometry().bottom() < panel->height());
}

} // namespace vantorel

QTEST_MAIN(vantorel::HelpWindowTest)
#include "help_window_test.moc"
