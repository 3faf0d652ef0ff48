// The layout panel and the bus in the started program: turnouts follow other stations'
// switch requests and the output reports of a separate station over tcp://, detectors its
// sensor reports; a clicked turnout waits for its request to reach the bus; a lost link
// leaves everything unconfirmed; and "Sinhroniziraj" puts every position back on the bus,
// paced, and says whether all of it got there.

#include "core/sim/SimCommands.h"
#include "gui/layout/LayoutFiles.h"
#include "gui/layout/VlakomatView.h"
#include "support/AppRig.h"
#include "support/CsProcess.h"

#include <QStatusBar>

namespace {

// Two plain turnouts sharing address 12, a three-way turnout on 20 and 21, a detector on 17.
const char* const kLayout = "1,1,0|3,0|Ta12,0,1;\r\n"
                            "1,3,0|3,1|Ta12,0,1;\r\n"
                            "1,5,0|4,0|Ta20,0,0,1;a21,1,0,1;\r\n"
                            "1,7,0|5,0|S17\r\n";

void OpenLayout(AppRig& rig) {
    rig.dir.Write("bus.vlk", kLayout);
    QVERIFY(rig.Frame().Layout().OpenDocumentFile(QString::fromStdString(rig.dir.File("bus.vlk"))));
}

const CVlakomatDoc& Doc(AppRig& rig) {
    return rig.Frame().Layout().Doc();
}

// The positions of the three turnouts, e.g. "1 1 -1".
QString Positions(AppRig& rig) {
    QStringList out;
    for (const LayoutElement& e : Doc(rig).Elements())
        if (e.turnout)
            out << QString::number(e.turnout->current);
    return out.join(' ');
}

// Pixels of one colour in a part of the panel as drawn (cells of 20 pixels).
int CountColour(AppRig& rig, const QRect& area, const QColor& colour) {
    const QImage shot = rig.Frame().View().Snapshot(QSize(200, 60), 1);
    int count = 0;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            count += shot.pixelColor(x, y) == colour ? 1 : 0;
    return count;
}

const QColor kYellow(255, 236, 0); // a route the bus confirmed
const QColor kOrange(255, 120, 0); // the route a waiting request asks for
const QColor kPale(235, 235, 235); // dashes of what the bus has not confirmed
const QRect kPanel(0, 0, 200, 60);
// The first turnout (cell 1,1, entry west, branch to the north-east): its branch.
const QRect kBranch(31, 20, 9, 10);

QString SimCommand(AppRig& rig, const char* line) {
    return QString::fromStdString(RunSimCommand(*rig.station, line));
}

} // namespace

class TestLayoutBus : public QObject {
    Q_OBJECT
private slots:
    void turnoutsAndDetectorsFollowAnotherStation() {
        CsProcess cs;
        const std::string name = cs.Start({"--tcp", "0"});
        QVERIFY2(name.rfind("tcp://127.0.0.1:", 0) == 0, name.c_str());
        AppRig rig(AppRig::Ini{"[LOCONET]\nCOM Port=" + name + "\n[PREFERENCES]\nFirst Run=0\n"});
        QVERIFY(rig.started && rig.Link().IsActive());
        OpenLayout(rig);
        QCOMPARE(Positions(rig), QStringLiteral("0 0 0"));

        struct Step {
            const char* command; // as another station on the bus
            const char* positions;
            bool occupied;
        };
        const Step steps[] = {
            {"send B0 0B 10", "1 1 0", false},     // a request: 12 thrown, both follow
            {"switch 11 closed", "0 0 0", false},  // an output report: 12 closed
            {"send B0 0B 00", "0 0 0", false},     // switching an output off tells nothing
            {"send B0 13 10", "0 0 2", false},     // 20 thrown, 21 unheard: right
            {"switch 20 closed", "0 0 -1", false}, // 21 closed: no position
            {"switch 20 thrown", "0 0 2", false},  // 21 thrown: right
            {"switch 20 off", "0 0 2", false},     // both outputs off tells nothing
            {"sensor 17 on", "0 0 2", true},
            {"sensor 18 on", "0 0 2", true}, // the other input of the pair
            {"sensor 17 off", "0 0 2", false},
        };
        for (const Step& step : steps) {
            QCOMPARE(cs.Command(step.command), std::string("OK"));
            QTRY_VERIFY2_WITH_TIMEOUT(
                (rig.Pump(),
                 Positions(rig) == step.positions && Doc(rig).Element(3).occupied == step.occupied),
                qPrintable(QString::fromLatin1(step.command) + " -> " + Positions(rig)), 5000);
        }
        // Following the bus is not an edit.
        QVERIFY(!Doc(rig).IsModified());

        // An occupied detector is drawn red; the unknown turnout has no yellow route.
        QCOMPARE(cs.Command("sensor 17 on"), std::string("OK"));
        QTRY_VERIFY_WITH_TIMEOUT((rig.Pump(), Doc(rig).Element(3).occupied), 5000);
        QCOMPARE(cs.Command("send B0 13 10"), std::string("OK"));
        QCOMPARE(cs.Command("send B0 14 30"), std::string("OK"));
        QTRY_VERIFY_WITH_TIMEOUT((rig.Pump(), Positions(rig) == "0 0 -1"), 5000);
        const QImage shot = rig.Frame().View().Snapshot(QSize(200, 60), 1);
        QCOMPARE(shot.pixelColor(7 * 20 + 4, 1 * 20 + 10), QColor(220, 0, 0));
        for (int x = 5 * 20; x < 6 * 20; ++x)
            for (int y = 20; y < 40; ++y)
                QVERIFY(shot.pixelColor(x, y) != QColor(255, 236, 0));

        // The station goes away: nothing the bus said holds any more, so no route is yellow
        // and the detector is neither red nor free, until the bus tells again.
        QVERIFY(CountColour(rig, kPanel, kYellow) > 0);
        cs.Kill();
        QTRY_VERIFY_WITH_TIMEOUT((rig.Pump(), rig.Link().IsPortDown()), 10000);
        QCOMPARE(Positions(rig), QStringLiteral("0 0 -1"));
        for (int i : {0, 1, 3})
            QVERIFY(!Doc(rig).Element(i).confirmed);
        QCOMPARE(CountColour(rig, kPanel, kYellow), 0);
        QCOMPARE(CountColour(rig, QRect(140, 20, 20, 20), QColor(220, 0, 0)), 0);
        QVERIFY(CountColour(rig, QRect(140, 20, 20, 20), kPale) > 0);
    }

    // A click queues the request; the turnout is drawn waiting, not moved, while the
    // interface hands back none of it, and moves once the echo comes.
    void aClickedTurnoutMovesOnlyWhenItsRequestIsOnTheBus() {
        AppRig rig;
        OpenLayout(rig);
        // Just opened: the saved positions, not confirmed by the bus.
        QVERIFY(!Doc(rig).Element(0).confirmed);
        QCOMPARE(CountColour(rig, kPanel, kYellow), 0);
        QVERIFY(CountColour(rig, QRect(20, 20, 20, 20), kPale) > 0);

        QCOMPARE(SimCommand(rig, "fault lose 1000"), QStringLiteral("OK"));
        rig.received.clear();
        QTest::mouseClick(rig.Frame().View().viewport(), Qt::LeftButton, {}, QPoint(30, 30));
        rig.Run(1000);
        // Written again and again, never confirmed: both turnouts on 12 wait for thrown.
        QVERIFY(rig.Take(0xB0).size() >= 3);
        QCOMPARE(Positions(rig), QStringLiteral("0 0 0"));
        QCOMPARE(Doc(rig).Element(0).turnout->requested, 1);
        QCOMPARE(Doc(rig).Element(1).turnout->requested, 1);
        QVERIFY(CountColour(rig, kBranch, kOrange) > 0);
        QCOMPARE(CountColour(rig, kBranch, kYellow), 0);

        QCOMPARE(SimCommand(rig, "fault lose 0"), QStringLiteral("OK"));
        rig.Run(CLoconet::kEchoTimeoutMs + 100);
        QCOMPARE(Positions(rig), QStringLiteral("1 1 0"));
        QVERIFY(Doc(rig).Element(0).confirmed);
        QCOMPARE(Doc(rig).Element(0).turnout->requested, TurnoutData::kNoRequest);
        QVERIFY(CountColour(rig, kBranch, kYellow) > 0);
        QCOMPARE(CountColour(rig, kPanel, kOrange), 0);
    }

    void synchronizeSendsEveryPositionPaced() {
        AppRig rig;
        OpenLayout(rig);
        CVlakomatDoc& doc = rig.Frame().Layout().Doc();
        doc.SetTurnoutPosition(0, 1);
        rig.Pump();
        rig.received.clear();
        rig.Frame().Action(QStringLiteral("actionSynchronize"))->trigger();
        QCOMPARE(rig.Frame().statusBar()->currentMessage(),
                 QStringLiteral("Sinhroniziram kretnice, zahtev za pošiljanje: 3 ..."));

        // One request every 50 ms, timed by the heartbeat's deadline, not by waiting.
        QStringList sent;
        auto step = [&rig, &sent](const char* when) {
            rig.app->Process();
            rig.Pump();
            for (const Bytes& b : rig.Take(0xB0))
                sent << QString::asprintf("%s %02X %02X", when, b[1], b[2]);
        };
        for (int i = 0; i < 3; ++i) {
            step("now");
            QCOMPARE(rig.app->NextStepDue(), i < 2 ? LayoutBus::kSyncIntervalMs : kNoDeadline);
            rig.clock.Advance(LayoutBus::kSyncIntervalMs - 1);
            step("early");
            rig.clock.Advance(1);
        }
        // Turnout 12 thrown, sent once though a second turnout shares its address; the
        // three-way straight (20 C, 21 T).
        QCOMPARE(sent, (QStringList{"now 0B 10", "now 13 30", "now 14 10"}));
        QCOMPARE(rig.Frame().statusBar()->currentMessage(),
                 QStringLiteral("Kretnice so sinhronizirane"));
        // The echoes confirmed what was sent: the turnouts drawn are the layout's.
        for (int i : {0, 1, 2})
            QVERIFY(doc.Element(i).confirmed);

        // A synchronisation whose first request never comes back when the link closes: it
        // is not done, and the panel says how much did not get there.
        QCOMPARE(SimCommand(rig, "fault lose 1000"), QStringLiteral("OK"));
        rig.Frame().Action(QStringLiteral("actionSynchronize"))->trigger();
        step("now");
        rig.clock.Advance(LayoutBus::kSyncIntervalMs);
        QCOMPARE(rig.Frame().statusBar()->currentMessage(),
                 QStringLiteral("Sinhroniziram kretnice, zahtev za pošiljanje: 3 ..."));
        rig.Link().Close();
        rig.app->Process();
        QCOMPARE(rig.Frame().statusBar()->currentMessage(),
                 QStringLiteral("Povezava LocoNet je prekinjena, sinhronizacija kretnic ni "
                                "končana: 3 od 3 zahtev ni prišlo na vodilo"));

        // With the link closed nothing is sent and the panel says so.
        rig.Link().Close();
        rig.Frame().Action(QStringLiteral("actionSynchronize"))->trigger();
        QCOMPARE(rig.Frame().statusBar()->currentMessage(),
                 QStringLiteral("Povezava LocoNet ni odprta, kretnice niso sinhronizirane"));
    }
};

QTEST_MAIN(TestLayoutBus)
#include "test_layout_bus.moc"
