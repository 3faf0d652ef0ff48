// The link over the real Qt serial implementation on a pseudo-terminal, against vlakomat-cs
// at the other end: the whole run, and a command station that goes away.

#include "io/SerialDevicePort.h"
#include "support/CsProcess.h"
#include "support/LinkScenarios.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

TEST(LoconetOverPty, SelectsDrivesAndRecovers) {
    CsProcess cs;
    const std::string path = cs.Start({});
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
    LinkBench b;
    ASSERT_TRUE(b.link.Open(path));
    ASSERT_NE(dynamic_cast<SerialDevicePort*>(b.link.Port()), nullptr);
    scenario::FullRun(b, [&cs](const std::string& line) { return cs.Command(line); });
    EXPECT_TRUE(cs.WaitForLine("RX BA 01 01 45"));
}

TEST(LoconetOverPty, AStationThatGoesAwayIsReportedOnceAndLeavesTheLinkDown) {
    CsProcess cs;
    const std::string path = cs.Start({});
    ASSERT_FALSE(path.empty());
    LinkBench b;
    ASSERT_TRUE(b.link.Open(path));
    cs.Kill();
    ASSERT_TRUE(b.WaitFor([&] { return b.link.IsPortDown(); }));
    QTest::qWait(300); // a second report would come meanwhile
    const std::string lost = "Error! Port " + path + " lost!";
    EXPECT_EQ(b.LinesStartingWith("Error!"), std::vector<std::string>{lost});
    EXPECT_TRUE(b.prompts.texts.empty());
    EXPECT_TRUE(b.link.IsActive());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
