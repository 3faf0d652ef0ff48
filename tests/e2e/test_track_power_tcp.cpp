// The main window's power button over LocoNet over TCP (vlakomat-cs --tcp): it follows the
// power that another station switches, and its commands reach the command station.

#include "gui/app/PowerControls.h"
#include "support/CsProcess.h"
#include "support/Fakes.h"
#include "support/LinkBench.h"

#include <QAction>
#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(TrackPowerOverTcp, ButtonFollowsAnotherStationAndStopsTheStationsSlots) {
    CsProcess cs;
    const std::string name = cs.Start({"--tcp", "0"});
    ASSERT_EQ(name.rfind("tcp://127.0.0.1:", 0), 0u) << name;
    LinkBench b;
    ASSERT_TRUE(b.link.Open(name));
    QWidget frame;
    ScriptedPrompts prompts;
    CPowerControls power(b.link, prompts, &frame);
    auto* button = frame.findChild<QAction*>(QStringLiteral("actionPower"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text().toStdString(), "Napajanje: neznano");

    EXPECT_EQ(cs.Command("power off"), "OK");
    ASSERT_TRUE(b.WaitFor([&] { return power.State() == PowerState::Off; }));
    EXPECT_EQ(button->text().toStdString(), "Napajanje: izklopljeno");
    EXPECT_EQ(cs.Command("power on"), "OK");
    ASSERT_TRUE(b.WaitFor([&] { return power.State() == PowerState::On; }));

    // The program's own off: the station takes it and the button shows it once echoed.
    button->trigger();
    EXPECT_TRUE(cs.WaitForLine("RX 82 7D"));
    ASSERT_TRUE(b.WaitFor([&] { return power.State() == PowerState::Off; }));
    EXPECT_EQ(cs.Command("power"), "OK power off");
    frame.findChild<QAction*>(QStringLiteral("actionPowerOn"))->trigger();
    ASSERT_TRUE(b.WaitFor([&] { return power.State() == PowerState::On; }));

    EXPECT_EQ(cs.Command("throttle 3 acquire"), "OK slot 1");
    EXPECT_EQ(cs.Command("throttle 3 speed 50"), "OK");
    frame.findChild<QAction*>(QStringLiteral("actionStopAll"))->trigger();
    EXPECT_TRUE(cs.WaitForLine("RX 85 7A"));
    // Slot bytes in wire order: SLOT STAT1 ADR SPD ...; the speed is the emergency stop.
    EXPECT_NE(cs.Command("slot 1").find(": 01 33 03 01 "), std::string::npos);
    EXPECT_EQ(power.State(), PowerState::On);

    // Without a link the power-off key must not fail in silence.
    b.link.Close();
    frame.findChild<QAction*>(QStringLiteral("actionPowerOff"))->trigger();
    EXPECT_EQ(prompts.texts,
              std::vector<std::string>{
                  "Napaka! Povezava LocoNet ni odprta, ukaz za napajanje ni poslan."});
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
