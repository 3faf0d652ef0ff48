// The operator's ways out of the program (the window's close button, "Izhod", Ctrl+Q from a
// throttle window) with a simple throttle and a realistic train driving: every locomotive is
// brought to speed 0 before its slot goes back, and none by an emergency stop.

#include "gui/throttles/DlgRThrottle.h"
#include "support/AppRig.h"
#include "support/SlotRelease.h"

#include <QAction>

#include <functional>
#include <set>

namespace {

// What was wrong with the way the program let the slots go, or "": the bus's faults, a slot
// not released or still in use, a locomotive left moving.
QString HowTheSlotsWent(AppRig& rig, const std::set<int>& locomotives,
                        const std::set<int>& handHelds) {
    const auto slotsOf = [&rig](const std::set<int>& addresses) {
        std::set<int> out;
        for (int address : addresses)
            out.insert(rig.station->FindSlot(address));
        return out;
    };
    std::set<int> released;
    QStringList faults;
    const std::string onTheBus =
        ReleaseFaults(rig.received, slotsOf(locomotives), slotsOf(handHelds), released);
    if (!onTheBus.empty())
        faults << QString::fromStdString(onTheBus);
    std::set<int> all = handHelds;
    all.insert(locomotives.begin(), locomotives.end());
    for (int address : all) {
        if (!released.count(rig.station->FindSlot(address)))
            faults << QStringLiteral("address %1 not released").arg(address);
        if ((rig.SlotByte(address, SimSlotByte::STAT1) & SimStat1::kStateMask) == SimStat1::kInUse)
            faults << QStringLiteral("address %1 still in use").arg(address);
    }
    for (int address : locomotives)
        if (rig.SlotByte(address, SimSlotByte::SPD) > 1)
            faults << QStringLiteral("address %1 left at speed %2")
                          .arg(address)
                          .arg(rig.SlotByte(address, SimSlotByte::SPD));
    return faults.join(QStringLiteral(", "));
}

} // namespace

class TestWaysOut : public QObject {
    Q_OBJECT
private slots:
    void everyWayOutStopsTheTrainsBeforeReleasing_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("close button") << 0;
        QTest::newRow("Izhod") << 1;
        QTest::newRow("Ctrl+Q in a throttle window") << 2;
    }
    void everyWayOutStopsTheTrainsBeforeReleasing() {
        QFETCH(int, way);
        AppRig rig;
        CDlgSThrottle* simple = rig.NewThrottle();
        simple->Acquire(3);
        rig.Run(200);
        simple->Simple().OnSliderReleased(49); // 50 %
        auto* realistic = rig.NewRealisticThrottle();
        realistic->Acquire(1, 2);
        rig.Run(200);
        QVERIFY(realistic->Realistic().Running());
        QVERIFY(rig.station->ThrottleFunction(1, 1, true)); // the engine starts
        rig.Run(100);
        QVERIFY(rig.station->ThrottleSpeed(2, 127)); // the brakes release
        rig.Run(100);
        QVERIFY(rig.station->ThrottleSpeed(1, 7)); // notch 5
        rig.Run(10000);
        QVERIFY(rig.SlotByte(3, SimSlotByte::SPD) > 1);
        QVERIFY(rig.SlotByte(664, SimSlotByte::SPD) > 1);

        rig.received.clear();
        const std::function<void()> ways[] = {
            [&] { rig.Frame().close(); },
            [&] { rig.Frame().Action(QStringLiteral("actionExit"))->trigger(); },
            [&] {
                realistic->activateWindow();
                QTest::keyClick(realistic, Qt::Key_Q, Qt::ControlModifier);
            },
        };
        ways[way]();
        for (int i = 0; i < 30 && rig.Frame().isVisible(); ++i)
            rig.Run(100);
        QVERIFY(!rig.Frame().isVisible());
        const QString fault = HowTheSlotsWent(rig, {3, 664}, {1, 2});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

QTEST_MAIN(TestWaysOut)
#include "test_ways_out.moc"
