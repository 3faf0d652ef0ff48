// Track power in the main window on the simulated station: the menu commands, the button
// that follows what the bus says, "Ustavi vse" on the station's slots, and the key that
// switches the power off from a throttle window.

#include "gui/app/PowerControls.h"
#include "support/AppRig.h"

#include <QLineEdit>

class TestTrackPowerWindow : public QObject {
    Q_OBJECT

private slots:
    void commandsButtonStopAllAndKey() {
        AppRig rig;
        QAction* button = rig.Frame().Action(QStringLiteral("actionPower"));
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Napajanje: neznano"));

        struct Step {
            const char* what;
            std::function<void()> act;
            Bytes sent;
            PowerState state;
        };
        const Step steps[] = {
            {"menu off",
             [&] { rig.Frame().Action(QStringLiteral("actionPowerOff"))->trigger(); },
             {0x82},
             PowerState::Off},
            {"another station on", [&] { rig.station->StationPower(true); }, {}, PowerState::On},
            {"button while on", [&] { button->trigger(); }, {0x82}, PowerState::Off},
            {"button while off", [&] { button->trigger(); }, {0x83}, PowerState::On},
            {"another station off", [&] { rig.station->StationPower(false); }, {}, PowerState::Off},
            {"menu on",
             [&] { rig.Frame().Action(QStringLiteral("actionPowerOn"))->trigger(); },
             {0x83},
             PowerState::On},
        };
        for (const Step& s : steps) {
            s.act();
            rig.Pump();
            const std::vector<Bytes> sent = rig.Take(s.sent.empty() ? 0x82 : s.sent[0]);
            QVERIFY2(s.sent.empty() ? sent.empty() : sent == std::vector<Bytes>{s.sent}, s.what);
            QVERIFY2(rig.Frame().Power().State() == s.state, s.what);
        }
        QCOMPARE(button->text(), QStringLiteral("Napajanje: vklopljeno"));

        // Every locomotive stops; the power stays on.
        const int a = rig.station->ThrottleAcquire(3);
        rig.station->ThrottleSpeed(3, 60);
        CDlgSThrottle* w = rig.NewThrottle();
        w->Acquire(1234);
        rig.Pump();
        rig.Link().SetSlotSpeed(w->Simple().iSlot, 90, false);
        rig.Pump();
        rig.Frame().Action(QStringLiteral("actionStopAll"))->trigger();
        rig.Pump();
        QCOMPARE(rig.Take(0x85).size(), std::size_t(1));
        QCOMPARE(rig.station->Slot(a).bytes[SimSlotByte::SPD], slotbits::kSpeedEmergency);
        QCOMPARE(rig.station->Slot(w->Simple().iSlot).bytes[SimSlotByte::SPD],
                 slotbits::kSpeedEmergency);
        QVERIFY(rig.station->TrackPowerOn());

        // Shift+Escape in a throttle (focus in its address box) switches the power off; the
        // throttle stays open.
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto* address = w->findChild<QLineEdit*>(QStringLiteral("addressEdit"));
        address->setFocus();
        QTest::keyClick(address, Qt::Key_Escape, Qt::ShiftModifier);
        rig.Pump();
        QCOMPARE(rig.Take(0x82), (std::vector<Bytes>{{0x82}}));
        QVERIFY(!rig.station->TrackPowerOn());
        QVERIFY(w->isVisible());
        QCOMPARE(button->text(), QStringLiteral("Napajanje: izklopljeno"));
    }
};

QTEST_MAIN(TestTrackPowerWindow)
#include "test_track_power_window.moc"
