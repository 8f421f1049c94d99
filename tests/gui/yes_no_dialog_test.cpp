// The yes/no dialog: its layout arithmetic, its keys and its answers.
#include "ui/grey_overlay.h"
#include "ui/image_button.h"
#include "ui/yes_no_dialog.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace vantorel {

class YesNoDialogTest : public QObject {
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void keysAnswerOnRelease_data();
    void keysAnswerOnRelease();
    void anyOtherCloseIsNo();
    void buttonsAnswer();
    void pointerMovesOntoOui();
    void askYesNoDimsTheParentAndRemovesTheLayer();
};

namespace {

QString LongLine() {
    return QString(200, QLatin1Char('W'));
}

struct Shown {
    YesNoDialog dialog;
    explicit Shown(const QString& text) {
        dialog.SetMessage(text);
        dialog.show();
    }
    QWidget* child(const char* name) const { return dialog.findChild<QWidget*>(QLatin1String(name)); }
};

int WidestLine(const QString& text) {
    QLabel probe;
    probe.setFont(YesNoDialog().findChild<QLabel*>(QStringLiteral("LbAlert"))->font());
    const QFontMetrics metrics(probe.font());
    int widest = 0;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return widest;
}

} // namespace

void YesNoDialogTest::layout_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    const QString medium = QStringLiteral("Une question assez longue pour élargir la fenêtre, vraiment ?");
    QTest::newRow("one short line") << QStringLiteral("Supprimer ?") << 400 << 82;
    QTest::newRow("one line wider than 302") << medium << 28 + WidestLine(medium) + 70 << 82;
    QTest::newRow("two lines") << QStringLiteral("Première ligne,\r\nseconde ligne ?") << 400 << 106;
    QTest::newRow("three lines grow once") << QStringLiteral("Un,\r\ndeux,\r\ntrois ?") << 400 << 106;
    QTest::newRow("over-long line is cut at 750") << LongLine() << 848 << 82;
}

void YesNoDialogTest::layout() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(int, height);
    QVERIFY(WidestLine(LongLine()) > 750);

    Shown shown(text);
    QCOMPARE(shown.dialog.size(), QSize(width, height));

    const int buttonTop = height == 82 ? 49 : 73;
    QCOMPARE(shown.child("ImageNon")->pos(), QPoint(20, buttonTop));
    QCOMPARE(shown.child("ImageClicNon")->pos(), QPoint(20, buttonTop));
    QCOMPARE(shown.child("ImageOui")->pos(), QPoint(width - 107 - 20, buttonTop));
    QCOMPARE(shown.child("ImageClicOui")->pos(), QPoint(width - 107 - 20, buttonTop));
    QCOMPARE(shown.child("ImageTraitBas")->y(), height - 4);
    QCOMPARE(shown.child("ImageTraitDroite")->x(), width - 4);

    // The picture and the text are centred as one group, 10 pixels apart.
    QWidget* picture = shown.child("ImageAlert");
    QWidget* label = shown.child("LbAlert");
    const int textWidth = std::min(WidestLine(text), 750);
    QCOMPARE(label->width(), textWidth);
    QCOMPARE(picture->pos(), QPoint(width / 2 - (textWidth + 28 + 10) / 2, 9));
    QCOMPARE(label->pos(), QPoint(picture->x() + 28 + 10, 21));

    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(shown.dialog.pos(), QPoint(screen.width() / 2 - width / 2, screen.height() / 2 - height / 2));
}

void YesNoDialogTest::keysAnswerOnRelease_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Enter") << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true;
    QTest::newRow("Space") << int(Qt::Key_Space) << true;
}

void YesNoDialogTest::keysAnswerOnRelease() {
    QFETCH(int, key);
    QFETCH(bool, yes);
    Shown shown(QStringLiteral("Continuer ?"));
    QTest::keyPress(&shown.dialog, Qt::Key(key));
    QVERIFY2(shown.dialog.isVisible(), "the press alone must not answer");
    QTest::keyRelease(&shown.dialog, Qt::Key(key));
    QVERIFY(!shown.dialog.isVisible());
    QCOMPARE(shown.dialog.answer(), yes);
}

void YesNoDialogTest::anyOtherCloseIsNo() {
    Shown shown(QStringLiteral("Continuer ?"));
    QTest::keyClick(&shown.dialog, Qt::Key_A);
    QVERIFY(shown.dialog.isVisible());
    shown.dialog.close();
    QVERIFY(!shown.dialog.answer());
}

void YesNoDialogTest::buttonsAnswer() {
    for (const bool yes : {true, false}) {
        Shown shown(QStringLiteral("Continuer ?"));
        QWidget* button = shown.child(yes ? "ImageOui" : "ImageNon");
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 12));
        QVERIFY(!shown.dialog.isVisible());
        QCOMPARE(shown.dialog.answer(), yes);
    }
}

void YesNoDialogTest::pointerMovesOntoOui() {
    QCursor::setPos(0, 0);
    Shown shown(QStringLiteral("Etes-vous sûr ?\r\nVraiment ?"));
    QWidget* oui = shown.child("ImageOui");
    const QPoint centre(shown.dialog.x() + oui->x() + 107 / 2, shown.dialog.y() + oui->y() + 25 / 2);
    QTRY_COMPARE(QCursor::pos(), centre);
    // Once per question: the timer does not fire again.
    QVERIFY(!shown.dialog.findChild<QTimer*>(QStringLiteral("TimerCurseur"))->isActive());
}

void YesNoDialogTest::askYesNoDimsTheParentAndRemovesTheLayer() {
    QWidget parent;
    parent.setGeometry(10, 20, 628, 491);
    parent.show();
    GreyOverlay overlays;
    QueueAnswerForTesting(true);
    QueueAnswerForTesting(false);
    QVERIFY(AskYesNo(overlays, &parent, QStringLiteral("Première ?")));
    QVERIFY(!AskYesNo(overlays, &parent, QStringLiteral("Seconde ?")));
    QCOMPARE(TakeAskedQuestionsForTesting(), QStringList({QStringLiteral("Première ?"), QStringLiteral("Seconde ?")}));
    QVERIFY(overlays.overlay(OverlaySlot::YesNoDialog) == nullptr);

    // Unanswered from the queue, the real window runs its own loop; a
    // release of Escape gives no, with the layer over the parent meanwhile.
    bool layerWasShown = false;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* dialog = parent.findChild<YesNoDialog*>();
        if (dialog == nullptr || !dialog->isVisible()) {
            return; // the layer is still being painted
        }
        answerer.stop();
        QWidget* layer = overlays.overlay(OverlaySlot::YesNoDialog);
        layerWasShown = layer != nullptr && layer->geometry() == parent.geometry();
        QTest::keyRelease(dialog, Qt::Key_Escape);
    });
    answerer.start(0);
    QVERIFY(!AskYesNo(overlays, &parent, QStringLiteral("Troisième ?")));
    QVERIFY(layerWasShown);
    QVERIFY(parent.findChild<YesNoDialog*>() == nullptr);
}

} // namespace vantorel

QTEST_MAIN(vantorel::YesNoDialogTest)
#include "yes_no_dialog_test.moc"
