// The processing heartbeat: runs while the link is active, also under a modal window.

#include "core/loconet/MemoryPort.h"
#include "core/util/SystemClock.h"
#include "gui/app/Heartbeat.h"

#include "support/AppRig.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
// The program's own event loop for a while: unlike QTest::qWait it sleeps between events,
// and the heartbeat plans its next step each time it is about to.
void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

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

    // Under a modal dialog the timer and arriving bytes still run steps: no step waits on a
    // person.
    void runsWhileAModalDialogIsOpen() {
        int calls = 0;
        Heartbeat beat([] { return true; }, [&] { ++calls; });
        beat.Update();
        int duringModal = -1;
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] {
            const int atOpen = calls;
            QTest::qWait(40);
            beat.Beat(); // bytes arriving
            duringModal = calls - atOpen;
            dialog.accept();
        });
        dialog.exec();
        QVERIFY(duringModal >= 3);
    }

    // A held slot waits only for its keep-alive a minute away: the heartbeat runs the
    // selection by itself, then sleeps instead of waking every 5 ms.
    void sleepsWhileNothingWaits() {
        AppRig rig;
        QVERIFY(rig.started && rig.station);
        CDlgSThrottle* w = rig.NewThrottle();
        w->findChild<QLineEdit*>(QStringLiteral("addressEdit"))->setText(QStringLiteral("3"));
        w->findChild<QPushButton*>(QStringLiteral("setReleaseButton"))->click();
        Heartbeat& beat = *rig.app->GetHeartbeat();
        QTRY_VERIFY_WITH_TIMEOUT((RunEventLoop(20), w->Simple().Driving()), 2000);
        RunEventLoop(50); // the last answers of the station
        const int steps = beat.Steps();
        RunEventLoop(200);
        QVERIFY2(beat.Steps() - steps <= 1, qPrintable(QString::number(beat.Steps() - steps)));
        // The fake clock stands still, so the keep-alive is a whole minute away.
        QVERIFY(beat.Interval() > 59000);
        rig.clock.Advance(60001);
        QCOMPARE(rig.Link().NextStepDue(), 0u);
    }

    // Waiting for an echo keeps the heartbeat stepping, so the retry goes out after 200 ms
    // on the real clock even though no byte ever arrives.
    void echoRetryGoesOutAfter200Ms() {
        SystemClock clock;
        RecordingBeeper beeper;
        ScriptedPrompts prompts;
        CLoconet link(clock, beeper, prompts);
        MemoryPort* port = nullptr;
        link.SetPortFactory([&](const std::string&) {
            auto p = std::make_unique<MemoryPort>();
            port = p.get();
            return p;
        });
        std::vector<std::string> lines;
        link.SetMonitorSink([&](const std::string& line) { lines.push_back(line); });
        QVERIFY(link.Open("memory"));
        Heartbeat beat([&] { return link.IsActive(); }, [&] { link.Process(); },
                       [&] { return link.NextStepDue(); });
        link.SetSlotSpeed(5, 20, true);
        beat.Update();
        QTRY_VERIFY_WITH_TIMEOUT((RunEventLoop(20), port->writes.size() >= 2), 3000);
        const auto repeated = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
            return l.rfind("Repeated: ", 0) == 0;
        });
        QVERIFY(repeated != lines.end());
        const int delay = std::stoi(repeated->substr(repeated->find(",delay=") + 7));
        QVERIFY2(delay > 200 && delay < 1000, repeated->c_str());
    }

    // A lost port is opened again with nothing but the heartbeat running: the link's
    // deadline wakes it 2 s after the loss, though no byte arrives and nothing else waits.
    void lostPortIsOpenedAgainAfterTwoSeconds() {
        struct LosingPort : MemoryPort {
            void Lose() {
                Close();
                NotifyLost("lost");
            }
        };
        SystemClock clock;
        RecordingBeeper beeper;
        ScriptedPrompts prompts;
        CLoconet link(clock, beeper, prompts);
        std::vector<LosingPort*> ports;
        link.SetPortFactory([&](const std::string&) {
            auto p = std::make_unique<LosingPort>();
            ports.push_back(p.get());
            return p;
        });
        QVERIFY(link.Open("memory"));
        Heartbeat beat([&] { return link.IsActive(); }, [&] { link.Process(); },
                       [&] { return link.NextStepDue(); });
        QElapsedTimer timer;
        timer.start();
        ports.back()->Lose();
        QVERIFY(link.IsPortDown());
        QTRY_VERIFY_WITH_TIMEOUT((RunEventLoop(50), !link.IsPortDown()), 5000);
        QVERIFY2(timer.elapsed() >= 1900, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(ports.size(), std::size_t(2));
    }
};

QTEST_MAIN(TestHeartbeat)
#include "test_heartbeat.moc"
