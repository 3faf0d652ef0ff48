// The link over LocoNet over TCP (tcp://127.0.0.1:PORT) against vlakomat-cs --tcp: the whole
// run, the server's own lines in Debug Mode, and a server that goes away.

#include "CsProcess.h"
#include "LinkScenarios.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

TEST(LoconetOverTcp, SelectsDrivesAndRecovers) {
    CsProcess cs;
    const std::string name = cs.Start({"--tcp", "0"});
    ASSERT_EQ(name.rfind("tcp://127.0.0.1:", 0), 0u) << name;
    LinkBench b;
    b.settings.DebugMode = 1;
    ASSERT_TRUE(b.link.Open(name));
    scenario::FullRun(b, [&cs](const std::string& line) { return cs.Command(line); });
    // The server's greeting and its acknowledgements, as it wrote them.
    EXPECT_TRUE(b.HasLine("VERSION vlakomat-cs simulated command station"));
    EXPECT_TRUE(b.HasLine("SENT OK"));
    EXPECT_TRUE(cs.WaitForLine("RX BF 09 52 1B"));
}

TEST(LoconetOverTcp, InfoLinesStayOutOfTheMonitorWithoutDebugMode) {
    CsProcess cs;
    const std::string name = cs.Start({"--tcp", "0"});
    LinkBench b;
    ASSERT_TRUE(b.link.Open(name));
    b.link.SetSlotSpeed(5, 10, true);
    ASSERT_TRUE(b.WaitFor([&] { return b.HasLine("Sent: Loco Speed: Slt=5,") && b.Idle(); }));
    QTest::qWait(100); // time for a late "SENT OK" to arrive
    EXPECT_FALSE(b.HasLine("SENT OK"));
    EXPECT_TRUE(b.LinesStartingWith("VERSION").empty());
}

TEST(LoconetOverTcp, AServerThatGoesAwayIsReportedOnceAndLeavesTheLinkDown) {
    auto cs = std::make_unique<CsProcess>();
    const std::string name = cs->Start({"--tcp", "0"});
    LinkBench b;
    ASSERT_TRUE(b.link.Open(name));
    cs->Kill();
    ASSERT_TRUE(b.WaitFor([&] { return b.link.IsPortDown(); }));
    b.link.SetSlotSpeed(5, 10, true); // dropped, never written
    EXPECT_TRUE(b.link.Queue().Empty());
    b.settings.DebugMode = 1;
    QTest::qWait(2500); // a second report would come meanwhile
    const auto lost = b.LinesStartingWith("Error! Connection " + name + " lost! (");
    EXPECT_EQ(lost.size(), 1u);
    EXPECT_EQ(b.LinesStartingWith("Error!").size(), 1u);
    EXPECT_TRUE(b.prompts.texts.empty());
    // The attempts to connect again fail quietly, one Debug Mode line each.
    const auto attempts = b.LinesStartingWith("Reopening " + name + ": Napaka! Povezave " + name +
                                              " ni mogoče vzpostaviti! (");
    EXPECT_FALSE(attempts.empty());

    // Opened again (as from the settings dialog) on a new server.
    CsProcess again;
    const std::string other = again.Start({"--tcp", "0"});
    ASSERT_TRUE(b.link.Open(other));
    b.link.SetSlotSpeed(5, 11, true);
    EXPECT_TRUE(again.WaitForLine("RX A0 05 0B 51"));
    EXPECT_TRUE(b.WaitFor([&] { return b.Idle(); }));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
