// The monitor's families, addresses, filter and history: the lines of a recorded session
// with and without Debug Mode, grouped by message, and the time stamps.

#include "core/loconet/MonitorFilter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace monitorfamily;

TEST(MonitorFilter, FamilyAndAddressOfEachKindOfLine) {
    struct Case {
        const char* line;
        unsigned family;
        int address;
        bool continues;
    };
    const Case cases[] = {
        {"Rec: Loco Speed: Slt=3,Loc=1234,Sp=32", kSlots, 1234, false},
        {"Sent: Loco DirF0-4: Slt=3 Loc=1234 B 11010", kSlots, 1234, false},
        {"Rec: Read Slot:5,Loc:3", kSlots, 3, false},
        {"Rec: Set Slot Stat: Slot=5 Loco=3", kSlots, 3, false},
        {"Rec: OPc IMM: F13-F20 Slt=5 Loc=3 01000000", kSlots, 3, false},
        {"Rec: Req.Switch: 10 Dir: 1 On: 1", kSwitches, 10, false},
        {"Rec: Sw.Report: Sw.Rep.Feedback: 7 Inp: 0 State: 1", kSwitches, 7, false},
        {"Rec: Sensor Rep.: 12 Inp: 1 State: 1", kSensors, 12, false},
        {"Rec: 83 7C ", kPower, -1, false},
        {"Sent: 82 7D ", kPower, -1, false},
        {"Rec: 85 7A ", kPower, -1, false},
        {"Rec: A0 03 20 7C ", kSlots, -1, false},
        {"Rec: B2 0C 50 11 ", kSensors, -1, false},
        {"Invalid checksum B0 0A 30 00 ", kSwitches, -1, false},
        {"Rec: Peer Xfer Unknown,len:8,data: 01,", kOther, -1, false},
        {"Rec: 81 7E ", kOther, -1, false},
        {"!!Starting Loco 1234 selection at 5", kProgram, 1234, false},
        {"SetSlotSpeed : Slot:3,Loco:1234 new speed=5", kProgram, 1234, false},
        {"!! Finishing loco 77 selection", kProgram, 77, false},
        {"Repeated: A0 03 20 7C ,delay=201", kProgram, -1, false},
        {" - Loco Speed: Slt=3,Loc=1234,Sp=32", kProgram, 1234, true},
        {"-----", kProgram, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const MonitorLineInfo info = ClassifyMonitorLine(c.line);
        EXPECT_EQ(info.family, c.family);
        EXPECT_EQ(info.address, c.address);
        EXPECT_EQ(info.continues, c.continues);
    }
}

// A Debug Mode session: a message's raw line, its decoded line and its end belong together.
const std::vector<std::string> kCapture = {
    "Rec: A0 03 20 7C ",
    " - Loco Speed: Slt=3,Loc=1234,Sp=32",
    "-----",
    "Rec: B0 0A 30 75 ",
    " - Req.Switch: 10 Dir: 1 On: 1",
    "-----",
    "Rec: 83 7C ",
    "-----",
    "!!Release Loco 1234",
    "Rec: A0 04 00 5B ",
    " - Loco Speed: Slt=4,Loc=3,Sp=0",
    "-----",
};

std::vector<std::string> Shown(const MonitorHistory& h, const MonitorFilter& f, std::size_t count,
                               std::uint64_t after = 0) {
    std::vector<std::string> out;
    h.ForEachShown(f, count, after, [&](const MonitorHistory::Entry& e) { out.push_back(e.text); });
    return out;
}

TEST(MonitorFilter, FiltersWholeMessagesOfARecordedSession) {
    MonitorHistory h;
    for (std::size_t i = 0; i < kCapture.size(); ++i)
        h.Add(kCapture[i], false, static_cast<std::int64_t>(i), 0);
    h.Add(">>>>>vlak 3", true, 20, 0);

    MonitorFilter all;
    EXPECT_EQ(Shown(h, all, 100).size(), kCapture.size() + 1);
    EXPECT_EQ(Shown(h, all, 2), (std::vector<std::string>{"-----", ">>>>>vlak 3"}));
    EXPECT_EQ(Shown(h, all, 100, h.LastNumber() - 1), (std::vector<std::string>{">>>>>vlak 3"}));

    MonitorFilter loco1234;
    loco1234.address = 1234;
    EXPECT_EQ(Shown(h, loco1234, 100),
              (std::vector<std::string>{"Rec: A0 03 20 7C ", " - Loco Speed: Slt=3,Loc=1234,Sp=32",
                                        "-----", "!!Release Loco 1234", ">>>>>vlak 3"}));

    MonitorFilter switchesAndPower;
    switchesAndPower.families = kSwitches | kPower;
    EXPECT_EQ(Shown(h, switchesAndPower, 100),
              (std::vector<std::string>{"Rec: B0 0A 30 75 ", " - Req.Switch: 10 Dir: 1 On: 1",
                                        "-----", "Rec: 83 7C ", "-----", ">>>>>vlak 3"}));

    MonitorFilter programOnly;
    programOnly.families = kProgram;
    EXPECT_EQ(Shown(h, programOnly, 100),
              (std::vector<std::string>{"!!Release Loco 1234", ">>>>>vlak 3"}));
}

// What the link writes while it handles a message in Debug Mode, from the raw line to
// "-----", is the message's, traces of other locomotives included; lines outside of any
// message (and every line without Debug Mode, where no "-----" ends a message) stand alone.
const std::vector<std::string> kDebugSession = {
    "!!Starting Loco 3 selection at 1000",
    "!!Message queued: BF 00 03 43 ",
    "Sent: BF 00 03 43 ",
    "-----",
    "Rec: E7 0E 01 33 03 00 00 07 00 00 00 00 00 20 ",
    " - Read Slot:1,Loc:3",
    "Update Throttles start",
    "SetSlotSpeed : Slot:4,Loco:1234 new speed=5",
    "!!Message queued: A0 04 05 5E ",
    "Update Throttles end",
    "Task Sel Loco: Phase Set Busy",
    "!! Finishing loco 3 selection",
    "-----",
    "Rec: B0 0A 30 75 ",
    " - Req.Switch: 10 Dir: 1 On: 1",
    "-----",
    "!!Release Loco 3",
    "Rec: 83 7C ",
    "-----",
};
const std::vector<std::string> kPlainSession = {
    "Rec: 83 7C ",
    "!!Release Loco 3",
    "Rec: Loco Speed: Slt=1,Loc=3,Sp=50",
    "!!Slot 1 no longer holds loco 3",
};

MonitorFilter Filter(unsigned families, int address = -1) {
    MonitorFilter f;
    f.families = families;
    f.address = address;
    return f;
}

TEST(MonitorFilter, TracesGoWithTheMessageTheLinkWasHandling) {
    struct Case {
        const char* what;
        bool debug;
        const std::vector<std::string>* session;
        MonitorFilter filter;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"locomotives unticked",
         true,
         &kDebugSession,
         Filter(kAll & ~kSlots),
         {"!!Starting Loco 3 selection at 1000", "!!Message queued: BF 00 03 43 ",
          "Rec: B0 0A 30 75 ", " - Req.Switch: 10 Dir: 1 On: 1", "-----", "!!Release Loco 3",
          "Rec: 83 7C ", "-----"}},
        {"the program's lines only",
         true,
         &kDebugSession,
         Filter(kProgram),
         {"!!Starting Loco 3 selection at 1000", "!!Message queued: BF 00 03 43 ",
          "!!Release Loco 3"}},
        {"address 3",
         true,
         &kDebugSession,
         Filter(kAll, 3),
         {"!!Starting Loco 3 selection at 1000", "Rec: E7 0E 01 33 03 00 00 07 00 00 00 00 00 20 ",
          " - Read Slot:1,Loc:3", "Update Throttles start",
          "SetSlotSpeed : Slot:4,Loco:1234 new speed=5", "!!Message queued: A0 04 05 5E ",
          "Update Throttles end", "Task Sel Loco: Phase Set Busy", "!! Finishing loco 3 selection",
          "-----", "!!Release Loco 3"}},
        {"a trace's address is not the message's", true, &kDebugSession, Filter(kAll, 1234), {}},
        {"power unticked, no Debug Mode",
         false,
         &kPlainSession,
         Filter(kAll & ~kPower),
         {"!!Release Loco 3", "Rec: Loco Speed: Slt=1,Loc=3,Sp=50",
          "!!Slot 1 no longer holds loco 3"}},
        {"program unticked, no Debug Mode",
         false,
         &kPlainSession,
         Filter(kAll & ~kProgram),
         {"Rec: 83 7C ", "Rec: Loco Speed: Slt=1,Loc=3,Sp=50"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MonitorHistory h;
        h.SetDebugMode(c.debug);
        for (const std::string& line : *c.session)
            h.Add(line, false, 0, 0);
        EXPECT_EQ(Shown(h, c.filter, 100), c.shown);
    }
}

TEST(MonitorFilter, HistoryKeepsItsNewestLines) {
    MonitorHistory h;
    for (std::size_t i = 0; i < MonitorHistory::kCapacity + 10; ++i)
        h.Add("line " + std::to_string(i), false, 0, 0);
    EXPECT_EQ(h.Size(), MonitorHistory::kCapacity);
    EXPECT_EQ(Shown(h, MonitorFilter{}, 1).front(),
              "line " + std::to_string(MonitorHistory::kCapacity + 9));
    EXPECT_EQ(Shown(h, MonitorFilter{}, MonitorHistory::kCapacity + 10).front(), "line 10");
}

TEST(MonitorFilter, TimeStamps) {
    EXPECT_EQ(FormatMonitorStamp(MonitorStamp::None, 5, 5), "");
    EXPECT_EQ(FormatMonitorStamp(MonitorStamp::SinceOpen, 0, 0), "0.000");
    EXPECT_EQ(FormatMonitorStamp(MonitorStamp::SinceOpen, 3723045, 0), "3723.045");
    EXPECT_EQ(FormatMonitorStamp(MonitorStamp::WallClock, 0, 50587250), "14:03:07.250");
    EXPECT_EQ(FormatMonitorStamp(MonitorStamp::WallClock, 0, 86399999), "23:59:59.999");
    EXPECT_EQ(FormatMonitorStamp(MonitorStamp::WallClock, 0, 86400000), "00:00:00.000");
}

} // namespace
