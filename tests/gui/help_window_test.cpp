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
    void wheelScrollsTwentyPixelsANotchWithinTheText_data();
    void wheelScrollsTwentyPixelsANotchWithinTheText();
    void everyShowingStartsAtTheTop();
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

// Where the wheel turns: over the text or over the scroll bar.
QWidget* WheelTarget(const HelpWindow& help, const QString& where) {
    return where == QLatin1String("scroll bar") ? static_cast<QWidget*>(Bar(help)) : Viewport(help);
}

} // namespace

void HelpWindowTest::wheelScrollsTwentyPixelsANotchWithinTheText_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("text") << QStringLiteral("text");
    QTest::newRow("scroll bar") << QStringLiteral("scroll bar");
}

void HelpWindowTest::wheelScrollsTwentyPixelsANotchWithinTheText() {
    QFETCH(QString, where);
    HelpWindow help;
    help.show();
    QScrollBar* bar = Bar(help);
    QWidget* target = WheelTarget(help, where);
    QCOMPARE(bar->value(), 0);
    Wheel(target, -1);
    QCOMPARE(bar->value(), 20);
    Wheel(target, -3);
    QCOMPARE(bar->value(), 80);
    Wheel(target, 1);
    QCOMPARE(bar->value(), 60);
    // A touchpad's fine steps add up: eight of 15 make one notch.
    for (int i = 0; i < 8; ++i) {
        WheelAngle(target, -15);
    }
    QCOMPARE(bar->value(), 80);
    Wheel(target, 1);
    Wheel(target, 10);
    QCOMPARE(bar->value(), 0);
    // The end of the text.
    Wheel(target, -100);
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
