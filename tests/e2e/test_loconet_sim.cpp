// The link over the in-process "sim" port, on the real clock and an event loop: selection,
// slot commands, a hand-held throttle, a lost echo, a consist member and a full station.

#include "core/sim/SimCommands.h"
#include "support/LinkScenarios.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

StationCommand SimStation(LinkBench& b) {
    return [&b](const std::string& line) {
        SimCommandStation* station = b.Sim();
        return station != nullptr ? RunSimCommand(*station, line) : std::string("ERROR closed");
    };
}

TEST(LoconetOverSim, SelectsDrivesAndRecovers) {
    LinkBench b;
    ASSERT_TRUE(b.link.Open("sim"));
    ASSERT_NE(b.Sim(), nullptr);
    scenario::FullRun(b, SimStation(b));
    EXPECT_GT(b.throttle.idles, 0);
}

TEST(LoconetOverSim, ReopeningGivesAFreshStation) {
    LinkBench b;
    ASSERT_TRUE(b.link.Open("sim"));
    const StationCommand cs = SimStation(b);
    scenario::SelectAddress(b, cs);
    ASSERT_TRUE(b.link.Open("SIM"));
    EXPECT_EQ(cs("slot 1"), "OK slot 1 address 0 free: 01 03 00 00 00 07 00 00 00 00 00");
    EXPECT_TRUE(b.link.IsActive());
    EXPECT_TRUE(b.prompts.texts.empty());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
