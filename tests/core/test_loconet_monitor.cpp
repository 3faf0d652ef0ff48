// Monitor lines for received messages, with and without Debug Mode.

#include "support/LoconetFixture.h"

namespace {

using MonitorTest = LinkTest;

struct MonitorCase {
    const char* name;
    Bytes message;
    std::vector<std::string> plain; // Debug Mode off
    std::vector<std::string> debug; // Debug Mode on
};

std::vector<MonitorCase> Cases() {
    const Bytes peer2 = WithChecksum(
        {0xE5, 0x10, 0x01, 0x02, 0x02, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x11, 0x12, 0x13, 0x7F});
    const Bytes peer1 = WithChecksum(
        {0xE5, 0x10, 0x01, 0x02, 0x03, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x11, 0x12, 0x13, 0x7F});
    return {
        {"speed",
         WithChecksum({0xA0, 0x03, 0x20}),
         {"Rec: Loco Speed: Slt=3,Loc=1234,Sp=32"},
         {"Rec: A0 03 20 7C ", " - Loco Speed: Slt=3,Loc=1234,Sp=32", "Update Throttles start",
          "Update Throttles end", "-----"}},
        {"speed of an unknown slot",
         WithChecksum({0xA0, 0x09, 0x20}),
         {"Rec: Loco Speed: Slt=9,"},
         {"Rec: A0 09 20 76 ", " - Loco Speed: Slt=9,", "-----"}},
        {"direction",
         WithChecksum({0xA1, 0x03, 0x35}),
         {"Rec: Loco DirF0-4: Slt=3 Loc=1234 B 11010"},
         {"Rec: A1 03 35 68 ", " - Loco DirF0-4: Slt=3 Loc=1234 B 11010", "Update Throttles start",
          "Update Throttles end", "-----"}},
        {"direction forward",
         WithChecksum({0xA1, 0x03, 0x0C}),
         {"Rec: Loco DirF0-4: Slt=3 Loc=1234 F 00011"},
         {}},
        {"direction of an unknown slot",
         WithChecksum({0xA1, 0x09, 0x35}),
         {"Rec: Loco DirF0-4: Slt=9 "},
         {}},
        {"F5-F8", WithChecksum({0xA2, 0x03, 0x05}), {"Rec: Loco F5-8: Slt=3 Loc=1234 1010"}, {}},
        {"F5-F8 of an unknown slot",
         WithChecksum({0xA2, 0x09, 0x05}),
         {"Rec: Loco F5-8: Slt=9 "},
         {}},
        {"slot status",
         WithChecksum({0xB5, 0x03, 0x13}),
         {"Rec: Set Slot Stat: Slot=3 Loco=1234"},
         {}},
        {"slot status of an unknown slot",
         WithChecksum({0xB5, 0x09, 0x13}),
         {"Rec: Set Slot Stat: Slot=9 "},
         {}},
        {"slot data",
         SlotData(5, 1234),
         {"Rec: Read Slot:5,Loc:1234"},
         {"Rec: E7 0E 05 33 52 00 00 07 00 09 00 00 00 7C ", " - Read Slot:5,Loc:1234",
          "Update Throttles start", "Update Throttles end", "-----"}},
        {"power on", {0x83, 0x7C}, {"Rec: 83 7C "}, {"Rec: 83 7C ", "-----"}},
        {"long acknowledge", WithChecksum({0xB4, 0x3F, 0x00}), {"Rec: B4 3F 00 74 "}, {}},
        {"switch request",
         WithChecksum({0xB0, 0x05, 0x31}),
         {"Rec: Req.Switch: 133 Dir: 1 On: 1"},
         {"Rec: B0 05 31 7B ", " - Req.Switch: 133 Dir: 1 On: 1", "-----"}},
        {"switch request acknowledged",
         WithChecksum({0xBD, 0x7F, 0x0F}),
         {"Rec: Req.Sw.w/Ack: 2047 Dir: 0 On: 0"},
         {}},
        {"switch state",
         WithChecksum({0xBC, 0x00, 0x20}),
         {"Rec: Req.Sw.State: 0 Dir: 1 On: 0"},
         {}},
        {"switch output report",
         WithChecksum({0xB1, 0x02, 0x21}),
         {"Rec: Sw.Report: Sw.Rep.State: 130 Closed: 1 Thrown: 0"},
         {}},
        {"switch input report",
         WithChecksum({0xB1, 0x02, 0x51}),
         {"Rec: Sw.Report: Sw.Rep.Feedback: 130 Inp: 0 State: 1"},
         {}},
        {"sensor report",
         WithChecksum({0xB2, 0x7F, 0x3F}),
         {"Rec: Sensor Rep.: 2047 Inp: 1 State: 1"},
         {}},
        {"peer transfer 2",
         peer2,
         {"Rec: Peer Xfer2, data: 10 1, 2, 2, A, B, C, D, E, F, 11, 12, 13, 7F,"},
         {}},
        {"peer transfer 1",
         peer1,
         {"Rec: Peer Xfer1, src=01, dst=0302, Data: 0B 0C 0D 0E | 11 12 13 7F"},
         {}},
        {"peer transfer of another length",
         WithChecksum({0xE5, 0x06, 0x01, 0x02, 0x03}),
         {"Rec: Peer Xfer Unknown,len:6,data: 01, 02, 03,"},
         {}},
        {"corrupt", {0xA0, 0x03, 0x20, 0x00}, {}, {"Invalid checksum A0 03 20 00 ", "-----"}},
        {"slot data read too short",
         WithChecksum({0xE7, 0x03}),
         {"Invalid 'Read slot data' length!"},
         {"Rec: E7 03 1B ", "Invalid 'Read slot data' length!", "-----"}},
    };
}

TEST_F(MonitorTest, LinesOfEachMessageInBothModes) {
    OpenLink();
    for (const MonitorCase& c : Cases()) {
        for (int debug : {0, 1}) {
            const auto& expected = debug != 0 ? c.debug : c.plain;
            if (debug != 0 && expected.empty())
                continue;
            SCOPED_TRACE(std::string(c.name) + (debug != 0 ? " (debug)" : ""));
            settings.DebugMode = 0;
            MakeSlot(3, 1234);
            settings.DebugMode = debug;
            Receive(c.message);
            EXPECT_EQ(lines, expected);
        }
    }
}

TEST_F(MonitorTest, SlotDataFromTheProgramsOwnEchoIsShownAsSent) {
    OpenLink();
    MakeSlot(3, 1234);
    link.SetSlotSpeed(3, 5, false);
    link.Process();
    EchoLastWrite();
    EXPECT_EQ(lines, std::vector<std::string>{"Sent: Loco Speed: Slt=3,Loc=1234,Sp=5"});
}

TEST_F(MonitorTest, NoSinkMeansNoLinesAndNoHarm) {
    link.SetMonitorSink(nullptr);
    OpenLink();
    Receive(SlotData(3, 1234));
    Receive({0x05, 0xC0});
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(link.GetSlotLocoAddress(3), 1234);
}

} // namespace
