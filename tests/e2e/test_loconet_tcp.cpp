// The link over LocoNet over TCP (tcp://127.0.0.1:PORT) against vlakomat-cs --tcp: the whole
// run, the server's own lines in Debug Mode, and a server that goes away.

#include "io/TcpPort.h"
#include "support/CsProcess.h"
#include "support/DelayProxy.h"
#include "support/LinkScenarios.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QCoreApplication>

#include <algorithm>
#include <gtest/gtest.h>

namespace {

TEST(LoconetOverTcp, SelectsDrivesAndRecovers) {
    CsProcess cs;
    const std::string name = cs.Start({"--tcp", "0"});
    ASSERT_EQ(name.rfind("tcp://127.0.0.1:", 0), 0u) << name;
    LinkBench b;
    b.settings.DebugMode = 1;
    ASSERT_TRUE(b.link.Open(name));
    scenario::FullRun(
        b, [&cs](const std::string& line) { return cs.Command(line); },
        /*serverGivesWord=*/true);
    // The server's greeting and its acknowledgements, as it wrote them.
    EXPECT_TRUE(b.HasLine("VERSION vlakomat-cs simulated command station"));
    EXPECT_TRUE(b.HasLine("SENT OK"));
    EXPECT_TRUE(cs.WaitForLine("RX BF 09 52 1B"));
}

// The station's server port, from the address it printed.
int StationPort(const std::string& name) {
    return std::stoi(name.substr(name.rfind(':') + 1));
}

TEST(LoconetOverTcp, ASlowNetworkCarriesEveryMessageExactlyOnce) {
    struct Case {
        int delayMs; // added to the round trip, on the server's lines
        bool words;  // the server's SENT lines reach the link
    };
    const Case cases[] = {{0, true},    {150, true}, {300, true},
                          {1000, true}, {0, false},  {300, false}};
    const std::vector<std::string> messages = {"BF 09 52 1B", "BA 01 01 45", "A0 01 32 6C",
                                               "A1 01 20 7F", "A1 01 30 6F", "A2 01 02 5E"};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.delayMs) + (c.words ? " ms, SENT lines" : " ms, none"));
        CsProcess cs;
        const std::string station = cs.Start({"--tcp", "0"});
        ASSERT_EQ(station.rfind("tcp://127.0.0.1:", 0), 0u) << station;
        DelayProxy proxy(StationPort(station), c.delayMs, c.words);
        LinkBench b;
        ASSERT_TRUE(b.link.Open(proxy.Name()));
        b.link.SelectLoco(LinkBench::kThrottleIndex, scenario::kAddress, kWhichLoco);
        ASSERT_TRUE(b.WaitFor([&] { return !b.throttle.controls.empty(); }, 20000));
        const std::uint64_t before = b.link.Port()->WriteCount();
        b.link.SetSlotSpeed(scenario::kSlot, 50, false);
        b.link.SetSlotForw(scenario::kSlot, false, false);
        b.link.SetSlotF0toF08(scenario::kSlot, 0, true);
        b.link.SetSlotF0toF08(scenario::kSlot, 3, true);
        b.link.SetSlotF0toF08(scenario::kSlot, 6, true);
        b.link.Process();
        // Written ahead of the answers only to a server known to give them.
        if (c.words)
            EXPECT_EQ(b.link.Port()->WriteCount() - before, 5u);
        else
            EXPECT_LE(b.link.Port()->WriteCount() - before, 1u);
        ASSERT_TRUE(b.WaitFor([&] { return b.Idle(); }, 20000));
        // One more message, answered behind everything the station said before: once it is
        // through, a repeat of the others would have been written and counted.
        b.link.SetSlotSpeed(scenario::kSlot, 0, false);
        ASSERT_TRUE(cs.WaitForLine("RX A0 01 00 5E", 20000));
        ASSERT_TRUE(b.WaitFor([&] { return b.Idle(); }, 20000));
        const std::vector<std::string>& lines = cs.Lines();
        for (const std::string& m : messages)
            EXPECT_EQ(std::count(lines.begin(), lines.end(), "RX " + m), 1) << m;
        EXPECT_TRUE(b.LinesStartingWith("Repeated: ").empty());
    }
}

// A server that vanished without closing is left to the system's keep-alive: short enough
// that it is found within 30 s, and its loss starts the reopening like any other.
TEST(LoconetOverTcp, AVanishedServerIsFoundByKeepAliveAndReopened) {
    CsProcess cs;
    const std::string station = cs.Start({"--tcp", "0"});
    DelayProxy proxy(StationPort(station), 0);
    LinkBench b;
    ASSERT_TRUE(b.link.Open(proxy.Name()));
    auto* port = dynamic_cast<TcpPort*>(b.link.Port());
    ASSERT_NE(port, nullptr);
    const int fd = static_cast<int>(port->SocketDescriptor());
    const auto option = [fd](int level, int name) {
        int value = 0;
        socklen_t size = sizeof value;
        EXPECT_EQ(::getsockopt(fd, level, name, &value, &size), 0);
        return value;
    };
    EXPECT_EQ(option(SOL_SOCKET, SO_KEEPALIVE), 1);
    const int idle = option(IPPROTO_TCP, TCP_KEEPIDLE);
    const int interval = option(IPPROTO_TCP, TCP_KEEPINTVL);
    const int count = option(IPPROTO_TCP, TCP_KEEPCNT);
    EXPECT_GT(idle, 0);
    EXPECT_LE(idle + interval * count, 30) << "silence noticed within 30 s";
    const int userTimeout = option(IPPROTO_TCP, TCP_USER_TIMEOUT);
    EXPECT_GT(userTimeout, 0);
    EXPECT_LE(userTimeout, 30000) << "unanswered data noticed within 30 s";

    // What the system does when its probes go unanswered: the connection fails under the
    // link, which goes down and opens it again.
    proxy.Freeze();
    ::shutdown(fd, SHUT_RDWR);
    ASSERT_TRUE(b.WaitFor([&] { return b.link.IsPortDown(); }));
    EXPECT_EQ(b.LinesStartingWith("Error! Connection " + proxy.Name() + " lost! (").size(), 1u);
    ASSERT_TRUE(b.WaitFor([&] { return !b.link.IsPortDown(); }));
    EXPECT_EQ(proxy.Connections(), 2);
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
    // A second report would come by the first attempt to connect again.
    const std::string attempt =
        "Reopening " + name + ": Napaka! Povezave " + name + " ni mogoče vzpostaviti! (";
    ASSERT_TRUE(b.WaitFor([&] { return !b.LinesStartingWith(attempt).empty(); }));
    const auto lost = b.LinesStartingWith("Error! Connection " + name + " lost! (");
    EXPECT_EQ(lost.size(), 1u);
    EXPECT_EQ(b.LinesStartingWith("Error!").size(), 1u);
    EXPECT_TRUE(b.prompts.texts.empty());
    // The attempts to connect again fail quietly, one Debug Mode line each.
    EXPECT_EQ(b.LinesStartingWith("Reopening ").size(), b.LinesStartingWith(attempt).size());

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
