// LocoNet over TCP: the port against vlakomat-cs --tcp, and against a server that sends
// whatever a test wants.

#include "io/TcpPort.h"
#include "support/CsProcess.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

TEST(TcpPort, Names) {
    struct Case {
        const char* name;
        bool ok;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"tcp://127.0.0.1:1234", true, "127.0.0.1", 1234},
        {"tcp://layout.local", true, "layout.local", 1234},
        {"TCP://host:65535", true, "host", 65535},
        {"tcp://[::1]:5550", true, "::1", 5550},
        {"tcp://[::1]", true, "::1", 1234},
        {"tcp://host:0", false, "", 0},
        {"tcp://host:65536", false, "", 0},
        {"tcp://host:12x", false, "", 0},
        {"tcp://host:", false, "", 0},
        {"tcp://:1234", false, "", 0},
        {"tcp://", false, "", 0},
        {"tcp://[::1", false, "", 0},
        {"tcp://a b", false, "", 0},
        {"/dev/ttyUSB0", false, "", 0},
    };
    for (const Case& c : cases) {
        std::string host;
        int port = 0;
        ASSERT_EQ(TcpPort::ParseName(c.name, host, port), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(host, c.host) << c.name;
            EXPECT_EQ(port, c.port) << c.name;
        }
    }
}

TEST(TcpPort, OpenFailures) {
    TcpPort port;
    EXPECT_EQ(port.Open("tcp://host:99999"),
              "Napaka! Naslov tcp://host:99999 ni pravilen! Uporabite obliko tcp://strežnik:port");
    // A port that nobody listens on: find one by listening and closing again.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const std::string name = "tcp://127.0.0.1:" + std::to_string(probe.serverPort());
    probe.close();
    const std::string error = port.Open(name);
    EXPECT_EQ(error.rfind("Napaka! Povezave " + name + " ni mogoče vzpostaviti! (", 0), 0u)
        << error;
    EXPECT_FALSE(port.IsOpen());
}

TEST(TcpPort, TalksToTheSimulatedStation) {
    CsProcess cs;
    const std::string name = cs.Start({"--tcp", "0"});
    ASSERT_EQ(name.rfind("tcp://127.0.0.1:", 0), 0u) << name;

    TcpPort port;
    std::vector<std::string> info;
    int readyReads = 0;
    port.SetInfoHandler([&](const std::string& line) { info.push_back(line); });
    port.SetReadyReadHandler([&] { ++readyReads; });
    ASSERT_EQ(port.Open(name), "");

    EXPECT_EQ(WriteHex(port, "BF 09 52 1B"), 4u);
    EXPECT_EQ(ReadFromPort(port, 18), "BF 09 52 1B E7 0E 01 13 52 00 00 07 00 09 00 00 00 58");
    EXPECT_GE(readyReads, 1);
    EXPECT_TRUE(cs.WaitForLine("RX BF 09 52 1B"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return info.size() >= 2; }, 3000));
    EXPECT_EQ(info, (std::vector<std::string>{"VERSION vlakomat-cs simulated command station",
                                              "SENT OK"}));

    EXPECT_EQ(cs.Command("sensor 11 on"), "OK");
    EXPECT_EQ(ReadFromPort(port, 4), "B2 05 50 18");
    EXPECT_EQ(cs.Command("fault lose 1"), "OK");
    EXPECT_EQ(WriteHex(port, "BB 01 00 45"), 4u);
    EXPECT_EQ(ReadFromPort(port, 14), "E7 0E 01 13 52 00 00 07 00 09 00 00 00 58");
}

TEST(TcpPort, ReportsALostConnectionOnceAndThenReadsNothing) {
    CsProcess cs;
    const std::string name = cs.Start({"--tcp", "0"});
    ASSERT_FALSE(name.empty());
    TcpPort port;
    std::vector<std::string> lost;
    port.SetLostHandler([&](const std::string& text) { lost.push_back(text); });
    ASSERT_EQ(port.Open(name), "");
    cs.Kill();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lost.empty(); }, 5000));
    QTest::qWait(100);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].rfind("Error! Connection " + name + " lost! (", 0), 0u) << lost[0];
    std::uint8_t b[8] = {0x81, 0x7E};
    EXPECT_EQ(port.Read(b, sizeof b), 0u);
    EXPECT_EQ(port.Write(b, 2), 0u);
    EXPECT_FALSE(port.IsOpen());
}

// A server whose lines the test writes.
struct ScriptedServer {
    QTcpServer server;
    QTcpSocket* peer = nullptr;
    std::string received;

    std::string Listen() {
        if (!server.listen(QHostAddress::LocalHost, 0))
            return "";
        return "tcp://127.0.0.1:" + std::to_string(server.serverPort());
    }
    bool Accept() {
        if (!server.waitForNewConnection(3000))
            return false;
        peer = server.nextPendingConnection();
        return peer != nullptr;
    }
    void Say(const QByteArray& text) {
        peer->write(text);
        peer->flush();
    }
    std::string Heard(std::size_t count) {
        (void)QTest::qWaitFor(
            [&] {
                received += peer->readAll().toStdString();
                return received.size() >= count;
            },
            3000);
        return received;
    }
};

TEST(TcpPort, SendsSendLinesAndSurvivesAnythingTheServerSays) {
    ScriptedServer server;
    const std::string name = server.Listen();
    ASSERT_FALSE(name.empty());
    TcpPort port;
    std::vector<std::string> info;
    port.SetInfoHandler([&](const std::string& line) { info.push_back(line); });
    ASSERT_EQ(port.Open(name), "");
    ASSERT_TRUE(server.Accept());

    EXPECT_EQ(WriteHex(port, "A0 03 20 7C"), 4u);
    EXPECT_EQ(server.Heard(18), "SEND A0 03 20 7C\r\n");

    server.Say("RECEIVE A0 03");
    server.Say(" 20 7C\r\nRECEIVE ZZ 10\nSENT ERROR LocoNet busy\r\n");
    server.Say(QByteArray(3000, 'x') + "\n");
    server.Say(QByteArray("\x01\xff junk\x7f\n", 9));
    server.Say("\r\nRECEIVE 81 7E\n");
    EXPECT_EQ(ReadFromPort(port, 6), "A0 03 20 7C 81 7E");
    EXPECT_TRUE(QTest::qWaitFor([&] { return info.size() >= 4; }, 3000));
    // The overlong line is reported when its end arrives, which depends on how TCP cuts.
    EXPECT_THAT(info, ::testing::UnorderedElementsAre("RECEIVE ZZ 10", "SENT ERROR LocoNet busy",
                                                      "Line too long, ignored", "?? junk?"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
