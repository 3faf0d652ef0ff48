// The text commands of the simulated station, the "sim" port, and the LbServer line codec.

#include "core/loconet/LbServerProtocol.h"
#include "core/sim/SimCommands.h"
#include "core/sim/SimPort.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Bus(SimCommandStation& cs) {
    std::string all;
    for (Bytes c = cs.TakeChunk(); !c.empty(); c = cs.TakeChunk())
        all += (all.empty() ? "" : " | ") + FormatHexBytes(c);
    return all;
}

TEST(SimCommands, CommandsPutTheRightMessagesOnTheBus) {
    struct Case {
        const char* command;
        const char* reply;
        const char* bus;
    };
    const Case cases[] = {
        {"throttle 3 acquire", "OK slot 1",
         "BF 00 03 43 | E7 0E 01 13 03 00 00 07 00 00 00 00 00 00 | BA 01 01 45 | "
         "E7 0E 01 33 03 00 00 07 00 00 00 00 00 20"},
        {"throttle 3 speed 50", "OK", "A0 01 32 6C"},
        {"  throttle\t3 backward ", "OK", "A1 01 20 7F"},
        {"throttle 3 f 0 on", "OK", "A1 01 30 6F"},
        {"throttle 3 f 10 on", "OK", "ED 0B 7F 24 02 03 22 00 00 00 61 | B4 6D 7F 59"},
        {"throttle 3 stop", "OK", "A0 01 01 5F"},
        {"throttle 3 release", "OK", "B5 01 13 58"},
        {"dispatch 3", "OK slot 1", "BA 01 00 44 | E7 0E 01 13 03 01 30 07 00 00 00 00 00 31"},
        {"dispatched", "OK address 3 slot 1",
         "BA 00 00 45 | E7 0E 01 33 03 01 30 07 00 00 00 00 00 11"},
        {"dispatched", "ERROR nothing dispatched", "BA 00 00 45 | B4 3A 00 71"},
        {"dispatch 77", "ERROR no slot holds address 77", ""},
        {"dispatch", "ERROR usage: dispatch ADDRESS", ""},
        {"sensor 11 on", "OK", "B2 05 50 18"},
        {"sensor 12 on", "OK", "B2 05 70 38"},
        {"switch 10 closed", "OK", "B1 0A 20 64"},
        {"send B0 05 30", "OK", "B0 05 30 7A"},
        {"send B0 05 30 7A", "OK", "B0 05 30 7A"},
        {"send E7 0E 01 13 03 00 00 07 00 00 00 00 00 00", "OK",
         "E7 0E 01 13 03 00 00 07 00 00 00 00 00 00"},
        {"send B0 05 30 7B", "ERROR not a valid message", ""},
        {"fault stray", "OK", ""},
        {"sensor 11 off", "OK", "2A | B2 05 40 08"},
        {"throttle 3 speed 128", "ERROR bad throttle command", ""},
        {"throttle 99999 speed 1",
         "ERROR usage: throttle ADDRESS acquire|speed N|forward|"
         "backward|f N on|off|stop|release",
         ""},
        {"throttle 3 f 13 on", "OK", "ED 0B 7F 34 02 03 5E 01 00 00 0C | B4 6D 7F 59"},
        {"throttle 3 f 29 on", "ERROR bad throttle command", ""},
        {"power off", "OK", "82 7D"},
        {"power", "OK power off", ""},
        {"idle", "OK", "85 7A"},
        {"throttle 4 release", "ERROR the throttle holds no slot", ""},
        {"sensor 4097 on", "ERROR usage: sensor ADDRESS on|off", ""},
        {"sensor 0 on", "ERROR usage: sensor ADDRESS on|off", ""},
        {"purge soon", "ERROR usage: purge SECONDS", ""},
        {"send B0 05", "ERROR not a valid message", ""},
        {"send B0 XYZ 30", "ERROR bad hex bytes", ""},
        {"fault lose -1",
         "ERROR usage: fault lose N|corrupt|stray|delay MS|noslot on|off|"
         "refusemove on|off",
         ""},
        {"", "ERROR empty command", ""},
        {"bogus", "ERROR unknown command (try: help)", ""},
    };
    FakeClock clock;
    SimCommandStation cs(clock);
    for (const Case& c : cases) {
        EXPECT_EQ(RunSimCommand(cs, c.command), c.reply) << c.command;
        EXPECT_EQ(Bus(cs), c.bus) << c.command;
    }
}

TEST(SimCommands, FaultAndPurgeSettings) {
    FakeClock clock;
    SimCommandStation cs(clock);
    EXPECT_EQ(RunSimCommand(cs, "fault lose 3"), "OK");
    EXPECT_EQ(cs.PendingEchoLosses(), 3);
    EXPECT_EQ(RunSimCommand(cs, "fault delay 250"), "OK");
    EXPECT_EQ(cs.AnswerDelay(), 250u);
    EXPECT_EQ(RunSimCommand(cs, "fault noslot on"), "OK");
    EXPECT_TRUE(cs.NoFreeSlot());
    EXPECT_EQ(RunSimCommand(cs, "purge 30"), "OK");
    EXPECT_EQ(cs.PurgeTime(), 30000u);
    EXPECT_EQ(RunSimCommand(cs, "purge 0"), "OK");
    EXPECT_EQ(cs.PurgeTime(), 0u);
}

TEST(SimCommands, SlotListing) {
    FakeClock clock;
    SimCommandStation cs(clock);
    cs.ThrottleAcquire(1234);
    cs.SetConsistMember(7, true);
    const std::pair<const char*, const char*> cases[] = {
        {"slot 1", "OK slot 1 address 1234 in use: 01 33 52 00 00 07 00 09 00 00 00"},
        {"slot 0", "OK slot 0 dispatch: nothing dispatched"},
        {"slot 123", "OK slot 123 fast clock: no locomotive slot"},
        {"slot 124", "OK slot 124 programming track: no locomotive slot"},
        {"slot 120", "OK slot 120 reserved: no locomotive slot"},
        {"slot 200", "ERROR slot number out of range (0..127): 200"},
        {"slot x", "ERROR usage: slot N | slots"},
        {"slots", "OK\nslot 1 address 1234 in use: 01 33 52 00 00 07 00 09 00 00 00\n"
                  "slot 2 address 7 common consist: 02 53 07 00 00 07 00 00 00 00 00"},
    };
    for (const auto& [command, reply] : cases)
        EXPECT_EQ(RunSimCommand(cs, command), reply) << command;
    cs.ThrottleDispatch(1234);
    EXPECT_EQ(RunSimCommand(cs, "slot 0"), "OK slot 0 dispatch: slot 1, address 1234");
    EXPECT_EQ(RunSimCommand(cs, "slot 1"),
              "OK slot 1 address 1234 common dispatched: 01 13 52 00 00 07 00 09 00 00 00");
}

// The list has no reply line of its own, and every description starts in one column.
TEST(SimCommands, HelpListsEveryCommandInOneColumn) {
    FakeClock clock;
    SimCommandStation cs(clock);
    const std::string help = RunSimCommand(cs, "help");
    EXPECT_EQ(help, SimCommandHelp());
    std::istringstream lines(help);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        EXPECT_TRUE(line.size() > 34 && line[0] != ' ' && line.substr(31, 2) == "  " &&
                    line[33] != ' ')
            << line;
    EXPECT_EQ(count, 26);
}

TEST(SimPort, WritesAnswerOnTheNextReadAndNeverCallBackFromWrite) {
    FakeClock clock;
    SimPort port(clock);
    int notified = 0;
    port.SetReadyReadHandler([&] { ++notified; });
    std::uint8_t buf[64];
    const Bytes req = {0xBF, 0x09, 0x52, 0x1B};
    EXPECT_EQ(port.Write(req.data(), req.size()), 0u); // not open yet
    EXPECT_EQ(port.Open("sim"), "");
    EXPECT_EQ(port.Write(req.data(), req.size()), 4u);
    EXPECT_EQ(notified, 0);
    port.Poll();
    EXPECT_EQ(notified, 1);
    ASSERT_EQ(port.Read(buf, sizeof buf), 18u);
    EXPECT_EQ(FormatHexBytes(buf, 18), "BF 09 52 1B E7 0E 01 13 52 00 00 07 00 09 00 00 00 58");
    port.Poll();
    EXPECT_EQ(notified, 1); // nothing waits

    port.Station().SensorReport(1, true);
    port.DiscardInput();
    EXPECT_EQ(port.Read(buf, sizeof buf), 0u);
    port.Station().SensorReport(1, true);
    port.Close();
    EXPECT_EQ(port.Read(buf, sizeof buf), 0u);
}

TEST(LbServer, HexBytes) {
    struct Case {
        const char* text;
        bool ok;
        Bytes bytes;
    };
    const Case cases[] = {
        {"A0 03 20 7C", true, {0xA0, 0x03, 0x20, 0x7C}},
        {"  a0\t3  ff ", true, {0xA0, 0x03, 0xFF}},
        {"", true, {}},
        {"A03", false, {}},
        {"G1", false, {}},
        {"A0,03", false, {}},
    };
    for (const Case& c : cases) {
        Bytes out{0x55};
        EXPECT_EQ(ParseHexBytes(c.text, out), c.ok) << c.text;
        EXPECT_EQ(out, c.bytes) << c.text;
    }
    Bytes out;
    EXPECT_FALSE(ParseHexBytes("01 02 03", out, 2));
    EXPECT_EQ(FormatLbLine("SEND", Bytes{0xA0, 0x03, 0x20, 0x7C}.data(), 4),
              "SEND A0 03 20 7C\r\n");
}

TEST(LbServer, LineKinds) {
    struct Case {
        const char* line;
        LbLineKind kind;
        Bytes bytes;
    };
    const Case cases[] = {
        {"RECEIVE B2 05 50 18", LbLineKind::Receive, {0xB2, 0x05, 0x50, 0x18}},
        {"SEND 81 7E", LbLineKind::Send, {0x81, 0x7E}},
        {"SENT OK", LbLineKind::SentOk, {}},
        {"SENT ERROR LocoNet busy", LbLineKind::SentError, {}},
        {"VERSION LbServer 1.0", LbLineKind::Version, {}},
        {"RECEIVE", LbLineKind::Malformed, {}},
        {"RECEIVE B2 XX", LbLineKind::Malformed, {}},
        {"RECEIVED B2", LbLineKind::Other, {}},
        {"hello", LbLineKind::Other, {}},
    };
    for (const Case& c : cases) {
        const LbLine l = ParseLbLine(c.line);
        EXPECT_EQ(l.kind, c.kind) << c.line;
        EXPECT_EQ(l.bytes, c.bytes) << c.line;
    }
}

TEST(LbServer, SplitterJoinsPiecesAndDropsOverlongLines) {
    LbLineSplitter s;
    const std::string a = "RECEIVE 81";
    const std::string b = " 7E\r\nSENT OK\n\rVERSION x\rVER";
    s.Append(a.data(), a.size());
    std::string line;
    EXPECT_FALSE(s.Next(line));
    s.Append(b.data(), b.size());
    ASSERT_TRUE(s.Next(line));
    EXPECT_EQ(line, "RECEIVE 81 7E");
    ASSERT_TRUE(s.Next(line));
    EXPECT_EQ(line, "SENT OK");
    ASSERT_TRUE(s.Next(line)) << "a lone CR ends a line too";
    EXPECT_EQ(line, "VERSION x");
    EXPECT_FALSE(s.Next(line));

    const std::string longLine(5000, 'x');
    s.Append(longLine.data(), longLine.size());
    const std::string tail = "\nSENT OK\n";
    s.Append(tail.data(), tail.size());
    ASSERT_TRUE(s.Next(line));
    EXPECT_EQ(line, "SENT OK"); // "VER" + 5000 x went with the overlong line
    EXPECT_EQ(s.TakeOverlongCount(), 1u);
    EXPECT_FALSE(s.Next(line));
}

} // namespace
