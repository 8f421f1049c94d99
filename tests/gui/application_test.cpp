#include "app/application.h"
#include "app/single_instance.h"
#include "platform/errors.h"
#include "ui/texts.h"

#include <QEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <memory>
#include <stdexcept>

using namespace vantorel;

namespace {

// An object whose handler fails the way the job store does when a write is refused.
class FailingHandler : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw PlatformError(PlatformFailure::WriteRefused, "/opt/vantorel/ListeSave.ini", EACCES);
        }
        if (event->type() == QEvent::Type(QEvent::User + 1)) {
            throw std::out_of_range("vector::at");
        }
        return QObject::event(event);
    }
};

} // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void failureInAHandlerIsShownAndTheProgramGoesOn() {
        FailingHandler handler;
        QEvent event(QEvent::User);
        QCOMPARE(QCoreApplication::sendEvent(&handler, &event), false);
        QCOMPARE(
            TakeShownFailuresForTesting(),
            QStringList{QStringLiteral("Impossible d'écrire dans /opt/vantorel/ListeSave.ini\nPermission denied")});

        // The event loop still runs afterwards.
        bool ran = false;
        QTimer::singleShot(0, [&ran] { ran = true; });
        QTRY_VERIFY(ran);
    }

    void secondStartOnTheSameJobListOnlyBringsTheFirstToTheFront() {
        QTemporaryDir settings;
        QTemporaryDir otherSettings;
        auto first = std::make_unique<SingleInstance>(settings.path().toStdString());
        QVERIFY(first->IsFirst());
        QSignalSpy shown(first.get(), &SingleInstance::ShowRequested);

        SingleInstance second(settings.path().toStdString() + "/.");
        QVERIFY(!second.IsFirst());
        second.AskFirstToShow();
        QTRY_COMPARE(shown.count(), 1);
        QVERIFY(SingleInstance(otherSettings.path().toStdString()).IsFirst());

        // Once the first program is gone, the next start runs the jobs.
        first.reset();
        QVERIFY(SingleInstance(settings.path().toStdString()).IsFirst());
    }

    // The lock is found by its job list, not by the environment: a start
    // with another temporary folder must not run the list a second time.
    void secondStartWithAnotherTemporaryFolderFindsTheFirst() {
        QTemporaryDir settings;
        QTemporaryDir firstTemp;
        QTemporaryDir secondTemp;
        const bool tempWasSet = qEnvironmentVariableIsSet("TMPDIR");
        const QByteArray savedTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", firstTemp.path().toLocal8Bit());
        SingleInstance first(settings.path().toStdString());
        QVERIFY(first.IsFirst());
        QSignalSpy shown(&first, &SingleInstance::ShowRequested);

        qputenv("TMPDIR", secondTemp.path().toLocal8Bit());
        SingleInstance second(settings.path().toStdString());
        const bool secondIsFirst = second.IsFirst();
        second.AskFirstToShow();
        if (tempWasSet) {
            qputenv("TMPDIR", savedTemp);
        } else {
            qunsetenv("TMPDIR");
        }
        QVERIFY(!secondIsFirst);
        QTRY_COMPARE(shown.count(), 1);
    }
};

int main(int argc, char** argv) {
    Application application(argc, argv);
    CollectFailuresForTesting();
    ApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "application_test.moc"
