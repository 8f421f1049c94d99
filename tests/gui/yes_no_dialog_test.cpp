// The yes/no dialog: a layout that fits its message, its keys and its answers.
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
    QTest::addColumn<int>("height");
    const QString medium = QStringLiteral("Une question assez longue pour élargir la fenêtre, vraiment ?");
    QTest::newRow("one short line") << QStringLiteral("Supprimer ?") << 82;
    QTest::newRow("one line wider than the narrowest window") << medium << 82;
    QTest::newRow("two lines") << QStringLiteral("Première ligne,\r\nseconde ligne ?") << 106;
    QTest::newRow("three lines grow once") << QStringLiteral("Un,\r\ndeux,\r\ntrois ?") << 106;
    QTest::newRow("over-long line is cut at 750") << LongLine() << 82;
}

void YesNoDialogTest::layout() {
    QFETCH(QString, text);
    QFETCH(int, height);
    QVERIFY(WidestLine(LongLine()) > 750);

    Shown shown(text);
    const int width = shown.dialog.width();
    QCOMPARE(shown.dialog.height(), height);
    QVERIFY(width >= 400);
    QCOMPARE(shown.child("ImageTraitBas")->y(), height - 4);
    QCOMPARE(shown.child("ImageTraitDroite")->x(), width - 4);

    // The whole text shows (up to 750 pixels), beside the picture, the two
    // centred as one group.
    QWidget* picture = shown.child("ImageAlert");
    QWidget* label = shown.child("LbAlert");
    QCOMPARE(label->width(), std::min(WidestLine(text), 750));
    QCOMPARE(label->x(), picture->geometry().right() + 1 + 10);
    QVERIFY(qAbs(picture->x() - (width - 1 - label->geometry().right())) <= 1);

    // NON on the left, OUI as far from the right edge, both inside the frame;
    // the pressed twins moved along with them.
    QWidget* non = shown.child("ImageNon");
    QWidget* oui = shown.child("ImageOui");
    QCOMPARE(oui->y(), non->y());
    QCOMPARE(width - 1 - oui->geometry().right(), non->x());
    QVERIFY(oui->geometry().bottom() < height - 4);
    QCOMPARE(shown.child("ImageClicNon")->pos(), non->pos());
    QCOMPARE(shown.child("ImageClicOui")->pos(), oui->pos());

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(shown.dialog.x() - (screen.width() - shown.dialog.geometry().right() - 1)) <= 1);
    QVERIFY(qAbs(shown.dialog.y() - (screen.height() - shown.dialog.geometry().bottom() - 1)) <= 1);
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
    // Escape gives no, with the layer over the parent meanwhile.
    bool layerWasShown = false;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* dialog = parent.findChild<YesNoDialog*>();
        if (dialog == nullptr || !dialog->isVisible()) {
            return; // the layer is still being painted
        }
        answerer.stop();
        QWidget* layer = overlays.overlay(OverlaySlot::YesNoDialog);
        layerWasShown = layer != nullptr && layer->isVisible() && layer->geometry() == parent.rect();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    answerer.start(0);
    QVERIFY(!AskYesNo(overlays, &parent, QStringLiteral("Troisième ?")));
    QVERIFY(layerWasShown);
    QVERIFY(parent.findChild<YesNoDialog*>() == nullptr);
}

} // namespace vantorel

QTEST_MAIN(vantorel::YesNoDialogTest)
#include "yes_no_dialog_test.moc"
