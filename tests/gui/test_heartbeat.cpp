// The processing heartbeat: runs while the link is active, pauses under a modal window,
// never runs inside itself.

#include "app/Heartbeat.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

class TestHeartbeat : public QObject {
    Q_OBJECT
private slots:
    void runsOnlyWhileActive() {
        bool active = false;
        int calls = 0;
        Heartbeat beat([&] { return active; }, [&] { ++calls; });
        beat.Update();
        QVERIFY(!beat.Running());
        beat.Beat();
        QCOMPARE(calls, 0);
        active = true;
        beat.Update();
        QVERIFY(beat.Running());
        QTRY_VERIFY(calls >= 3);
        // A link that closes by itself (a lost connection) stops the timer at the next beat.
        active = false;
        QTRY_VERIFY(!beat.Running());
        const int stopped = calls;
        QTest::qWait(30);
        QCOMPARE(calls, stopped);
    }

    void pausesWhileAModalDialogIsOpen() {
        int calls = 0;
        Heartbeat beat([] { return true; }, [&] { ++calls; });
        beat.Update();
        int duringModal = -1;
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] {
            const int atOpen = calls;
            QTest::qWait(40); // timer ticks arrive, but no step may run
            beat.Beat();      // nor one for arriving bytes
            duringModal = calls - atOpen;
            dialog.accept();
        });
        dialog.exec();
        QCOMPARE(duringModal, 0);
        const int after = calls;
        QTRY_VERIFY(calls > after);
    }

    void neverReentersItself() {
        int depth = 0, maxDepth = 0, calls = 0;
        Heartbeat* self = nullptr;
        Heartbeat beat([] { return true; },
                       [&] {
                           ++calls;
                           maxDepth = std::max(maxDepth, ++depth);
                           self->Beat(); // bytes arriving while a step runs
                           QApplication::processEvents();
                           --depth;
                       });
        self = &beat;
        beat.Beat();
        QCOMPARE(calls, 1);
        QCOMPARE(maxDepth, 1);
    }
};

QTEST_MAIN(TestHeartbeat)
#include "test_heartbeat.moc"
