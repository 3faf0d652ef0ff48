// The layout panel and the bus in the started program: turnouts follow other stations'
// switch requests and the output reports of a separate station over tcp://, detectors its
// sensor reports, and "Sinhroniziraj" puts every position back on the bus, paced.

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

        // With the link closed nothing is sent and the panel says so.
        rig.Link().Close();
        rig.Frame().Action(QStringLiteral("actionSynchronize"))->trigger();
        QCOMPARE(rig.Frame().statusBar()->currentMessage(),
                 QStringLiteral("Povezava LocoNet ni odprta, kretnice niso sinhronizirane"));
    }
};

QTEST_MAIN(TestLayoutBus)
#include "test_layout_bus.moc"
