// vlakomat-cs's fault and purge options, its trace lines and its command replies, seen
// through LocoNet over TCP.

#include "io/TcpPort.h"
#include "support/CsProcess.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

TEST(CsTool, FaultOptions) {
    struct Case {
        QStringList args;
        const char* write;
        std::size_t expect;
        const char* read;
    };
    const Case cases[] = {
        {{}, "BF 09 52 1B", 18, "BF 09 52 1B E7 0E 01 13 52 00 00 07 00 09 00 00 00 58"},
        {{"--no-free-slot"}, "BF 09 52 1B", 8, "BF 09 52 1B B4 3F 00 74"},
        {{"--lose-echoes", "1"}, "BF 09 52 1B", 14, "E7 0E 01 13 52 00 00 07 00 09 00 00 00 58"},
        {{"--corrupt"}, "BF 09 52 1B", 18, "BF 09 52 1A E7 0E 01 13 52 00 00 07 00 09 00 00 00 58"},
        {{"--stray"},
         "BF 09 52 1B",
         19,
         "2A BF 09 52 1B E7 0E 01 13 52 00 00 07 00 09 00 00 00 58"},
        {{"--refuse-moves"}, "BA 01 01 45", 8, "BA 01 01 45 B4 3A 00 71"},
        {{"--delay", "150"},
         "BF 09 52 1B",
         18,
         "BF 09 52 1B E7 0E 01 13 52 00 00 07 00 09 00 00 00 58"},
    };
    for (const Case& c : cases) {
        const std::string what = c.args.join(' ').toStdString();
        CsProcess cs;
        const std::string name = cs.Start(QStringList{"--tcp", "0"} + c.args);
        ASSERT_EQ(name.rfind("tcp://", 0), 0u) << what;
        TcpPort port;
        ASSERT_EQ(port.Open(name), "") << what;
        EXPECT_EQ(WriteHex(port, c.write), 4u);
        EXPECT_EQ(ReadFromPort(port, c.expect), c.read) << what;
    }
}

TEST(CsTool, PurgeOptionAndSlotCommand) {
    CsProcess cs;
    const std::string name = cs.Start({"--tcp", "0", "--purge", "1"});
    TcpPort port;
    ASSERT_EQ(port.Open(name), "");
    WriteHex(port, "BF 09 52 1B");
    WriteHex(port, "BA 01 01 45");
    EXPECT_EQ(ReadFromPort(port, 36), "BF 09 52 1B E7 0E 01 13 52 00 00 07 00 09 00 00 00 58 "
                                      "BA 01 01 45 E7 0E 01 33 52 00 00 07 00 09 00 00 00 78");
    EXPECT_EQ(cs.Command("slot 1"),
              "OK slot 1 address 1234 in use: 01 33 52 00 00 07 00 09 00 00 00");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return cs.Command("slot 1") ==
                   "OK slot 1 address 1234 common: 01 13 52 00 00 07 00 09 00 00 00";
        },
        5000));
    EXPECT_TRUE(cs.WaitForLine("RX BA 01 01 45"));
    EXPECT_TRUE(cs.WaitForLine("TX E7 0E 01 33 52 00 00 07 00 09 00 00 00 78"));
}

// Another program puts its locomotive into dispatch over the bus; a hand-held takes it and
// drives on in the same slot.
TEST(CsTool, DispatchPutOnTheBusAndTakenByAHandHeld) {
    CsProcess cs;
    const std::string name = cs.Start({"--tcp", "0"});
    TcpPort port;
    ASSERT_EQ(port.Open(name), "");
    WriteHex(port, "BF 09 52 1B");
    WriteHex(port, "BA 01 01 45");
    ASSERT_EQ(ReadFromPort(port, 36).size(), 36u * 3 - 1);
    WriteHex(port, "BA 01 00 44");
    EXPECT_EQ(ReadFromPort(port, 18), "BA 01 00 44 E7 0E 01 13 52 00 00 07 00 09 00 00 00 58");
    EXPECT_EQ(cs.Command("slot 0"), "OK slot 0 dispatch: slot 1, address 1234");
    EXPECT_EQ(cs.Command("dispatched"), "OK address 1234 slot 1");
    EXPECT_EQ(ReadFromPort(port, 18), "BA 00 00 45 E7 0E 01 33 52 00 00 07 00 09 00 00 00 78");
    EXPECT_EQ(cs.Command("throttle 1234 speed 20"), "OK");
    EXPECT_EQ(ReadFromPort(port, 4), "A0 01 14 4A");
    // A dispatch get with nothing dispatched is refused.
    WriteHex(port, "BA 00 00 45");
    EXPECT_EQ(ReadFromPort(port, 8), "BA 00 00 45 B4 3A 00 71");
}

TEST(CsTool, RefusesBadOptions) {
    for (const QStringList& args :
         {QStringList{"--bogus"}, QStringList{"--purge"}, QStringList{"--delay", "x"}}) {
        QProcess p;
        p.start(CsProcess::Binary(), args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(err.startsWith("vlakomat-cs: ") && err.contains("\nUsage: ")) << err.data();
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
