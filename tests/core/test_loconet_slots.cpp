// The slot table: what the bus writes into it and which throttles hear of a change.

#include "support/LoconetFixture.h"

namespace {

using SlotTableTest = LinkTest;

TEST_F(SlotTableTest, SlotDataFillsTheRecord) {
    OpenLink();
    EXPECT_EQ(link.GetSlotLocoAddress(5), -1);
    Receive(SlotData(5, 1234, 0x33, 0x21, 0x35, 0x0A));
    const SlotRecord& r = link.Slot(5);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(link.GetSlotLocoAddress(5), 1234);
    EXPECT_EQ(r.ADR, 0x52);
    EXPECT_EQ(r.ADR2, 0x09);
    EXPECT_EQ(r.SPD, 0x21);
    EXPECT_EQ(r.DIRF, 0x35);
    EXPECT_EQ(r.SND, 0x0A);
    EXPECT_EQ(r.STAT1, 0x33);
    EXPECT_EQ(r.TRK, 0x07);
    EXPECT_EQ(lines, std::vector<std::string>{"Rec: Read Slot:5,Loc:1234"});
    Receive(SlotData(5, 77, 0x03, 0, 0, 0, 0xEF));
    EXPECT_EQ(link.GetSlotLocoAddress(5), 77);
    EXPECT_EQ(lines.back(), "Rec: Write Slot:5,Loc:77");
    EXPECT_EQ(link.GetSlotLocoAddress(-1), -1);
    EXPECT_EQ(link.GetSlotLocoAddress(128), -1);
}

TEST_F(SlotTableTest, SlotByteMessagesStoreOnlyIntoValidRecords) {
    OpenLink();
    RecordingThrottle& t = AddThrottle(0, ThrottleType::Simple, 7);
    Receive({0xA0, 0x07, 0x20, 0x78});
    EXPECT_EQ(lines, std::vector<std::string>{"Rec: Loco Speed: Slt=7,"});
    EXPECT_FALSE(link.Slot(7).valid);
    EXPECT_EQ(link.Slot(7).SPD, 0);
    EXPECT_TRUE(t.calls.empty());

    MakeSlot(7, 1234);
    t.calls.clear();
    struct Case {
        Bytes message;
        std::uint8_t SlotRecord::*field;
        std::uint8_t value;
    };
    const std::vector<Case> cases = {
        {WithChecksum({0xA0, 0x07, 0x20}), &SlotRecord::SPD, 0x20},
        {WithChecksum({0xA1, 0x07, 0x31}), &SlotRecord::DIRF, 0x31},
        {WithChecksum({0xA2, 0x07, 0x05}), &SlotRecord::SND, 0x05},
        {WithChecksum({0xB5, 0x07, 0x13}), &SlotRecord::STAT1, 0x13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message[0]);
        t.calls.clear();
        Receive(c.message);
        EXPECT_EQ(link.Slot(7).*c.field, c.value);
        EXPECT_EQ(t.calls, std::vector<std::string>{"UpdateThrottle 1000 0"});
    }
}

TEST_F(SlotTableTest, OwnCommandIsToldOnceInTheStepAndItsEchoChangesNothing) {
    OpenLink();
    MakeSlot(4, 300, 0x33, 0, 0x11);
    RecordingThrottle& t = AddThrottle(0, ThrottleType::Simple, 4);
    RecordingThrottle& train = AddThrottle(1, ThrottleType::Realistic, kNoSlot, kNoSlot, 4);
    link.SetSlotForw(4, false, false);
    EXPECT_TRUE(t.calls.empty()); // not inside the command
    link.Process();
    EXPECT_EQ(t.calls, std::vector<std::string>{"UpdateThrottle 1000 0"});
    // The realistic throttle hears only other stations and the phones.
    EXPECT_TRUE(train.calls.empty());
    t.calls.clear();
    EchoLastWrite();
    EXPECT_TRUE(t.calls.empty());
    EXPECT_EQ(link.Slot(4).DIRF, 0x31);
    // The same bytes from another station reach every throttle on the slot.
    Receive(port->writes.back());
    EXPECT_EQ(t.calls, std::vector<std::string>{"UpdateThrottle 1000 0"});

    // A phone's command is told at once, the train included, and not again in the step.
    RecordingThrottle& phone = AddThrottle(2, ThrottleType::Simple, 4);
    t.calls.clear();
    train.calls.clear();
    const SlotRecord before = link.Slot(4);
    link.SetSlotSpeed(4, 20, false);
    link.UpdateThrottles(clock.Now(), 4, before, false, &phone);
    link.Process();
    EXPECT_EQ(t.calls, std::vector<std::string>{"UpdateThrottle 1000 0"});
    EXPECT_EQ(train.calls, std::vector<std::string>{"UpdateThrottle 1000 2"});
    EXPECT_TRUE(phone.calls.empty());

    // A throttle that answers the phone's command (a handle snapping to a notch) is heard by
    // the others in the step, the phone included.
    train.onUpdateThrottle = [&](int) { link.SetSlotSpeed(4, 30, false); };
    t.calls.clear();
    const SlotRecord before2 = link.Slot(4);
    link.SetSlotSpeed(4, 25, false);
    link.UpdateThrottles(clock.Now(), 4, before2, false, &phone);
    link.Process();
    EXPECT_EQ(link.Slot(4).SPD, 30);
    EXPECT_EQ(t.calls, std::vector<std::string>(2, "UpdateThrottle 1000 0"));
    EXPECT_EQ(phone.calls, std::vector<std::string>{"UpdateThrottle 1000 0"});
}

TEST_F(SlotTableTest, EachThrottleHearsOfEverySlotItUses) {
    settings.DebugMode = 1;
    OpenLink();
    MakeSlot(5, 1234);
    RecordingThrottle& simple = AddThrottle(10, ThrottleType::Simple, 5);
    RecordingThrottle& sameDecoder = AddThrottle(11, ThrottleType::Realistic, 5, 5, 20, 21);
    RecordingThrottle& power = AddThrottle(12, ThrottleType::Realistic, 30, kNoSlot, 5, 21);
    RecordingThrottle& brake = AddThrottle(13, ThrottleType::Realistic, 30, 31, 20, 5);
    RecordingThrottle& other = AddThrottle(14, ThrottleType::Simple, 6);
    // A simple throttle has only its locomotive slot, whatever the other fields hold.
    RecordingThrottle& simpleWithStaleFields = AddThrottle(15, ThrottleType::Simple, 6, 5, 5, 5);
    lines.clear();
    Receive(WithChecksum({0xA0, 0x05, 0x30}));
    EXPECT_EQ(simple.calls, std::vector<std::string>{"UpdateThrottle 1000 0"});
    EXPECT_EQ(sameDecoder.calls,
              (std::vector<std::string>{"UpdateThrottle 1000 0", "UpdateThrottle 1000 1"}));
    EXPECT_EQ(power.calls, std::vector<std::string>{"UpdateThrottle 1000 2"});
    EXPECT_EQ(brake.calls, std::vector<std::string>{"UpdateThrottle 1000 3"});
    EXPECT_TRUE(other.calls.empty());
    EXPECT_TRUE(simpleWithStaleFields.calls.empty());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Rec: A0 05 30 6A ", " - Loco Speed: Slt=5,Loc=1234,Sp=48",
                         "Update Throttles start", "Update Throttles end", "-----"}));
}

TEST_F(SlotTableTest, ImmediatePacketReachesTheThrottlesOfTheHighestMatchingSlot) {
    OpenLink();
    const Bytes longF9F12 =
        WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x07, 0x44, 0x52, 0x29, 0x00, 0x00});
    const Bytes shortF10 =
        WithChecksum({0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00});
    struct Case {
        const char* name;
        std::vector<int> slotsWith1234;
        Bytes packet;
        std::string line;
        std::vector<std::string> lowCalls;  // throttle on slot 3
        std::vector<std::string> highCalls; // realistic throttle with sound 9, power 3
    };
    const std::vector<Case> cases = {
        {"slot 0 is not a loco slot", {0}, longF9F12, "Rec: OPc IMM: Slt=-1 Loc=1234", {}, {}},
        {"slots from 120 are not", {120, 127}, longF9F12, "Rec: OPc IMM: Slt=-1 Loc=1234", {}, {}},
        {"single match",
         {3},
         longF9F12,
         "Rec: OPc IMM: Slt=3 Loc=1234",
         {"F9toF12 9 1000 0"},
         {"F9toF12 9 1000 2"}},
        {"higher slot wins",
         {3, 9},
         longF9F12,
         "Rec: OPc IMM: Slt=9 Loc=1234",
         {},
         {"F9toF12 9 1000 1"}},
        {"short address", {}, shortF10, "Rec: OPc IMM: Slt=-1 Loc=3", {}, {}},
        {"unknown packet",
         {3},
         WithChecksum({0xED, 0x0B, 0x7F, 0x44, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00}),
         "Rec: OPc IMM: unknown",
         {},
         {}},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A fresh table each round: other addresses in every loco slot.
        for (int s = 0; s < 128; ++s)
            MakeSlot(s, 5000 + round);
        ++round;
        for (int s : c.slotsWith1234)
            MakeSlot(s, 1234);
        throttles.clear();
        for (int i = 0; i < 100; ++i)
            link.RemoveThrottle(i);
        RecordingThrottle& low = AddThrottle(0, ThrottleType::Simple, 3);
        // Sound else power else brake: only the first matching of the three counts.
        RecordingThrottle& high = AddThrottle(1, ThrottleType::Realistic, 40, 9, 3, 9);
        Receive(c.packet);
        EXPECT_EQ(lines, std::vector<std::string>{c.line});
        EXPECT_EQ(low.calls, c.lowCalls);
        EXPECT_EQ(high.calls, c.highCalls);
    }
}

TEST_F(SlotTableTest, RefusedSlotDataLeavesTheTableAndTheSelection) {
    settings.DebugMode = 0;
    OpenLink();
    AddThrottle(0, ThrottleType::Simple, kNoSlot);
    link.SelectLoco(0, 1234, 0);
    link.Process();
    EchoLastWrite();
    lines.clear();
    Bytes shortRead = SlotData(7, 1234);
    shortRead.erase(shortRead.begin() + 12);
    shortRead[1] = 0x0D;
    shortRead.back() = Checksum(shortRead.data(), 12);
    Receive(shortRead);
    Bytes shortWrite = shortRead;
    shortWrite[0] = 0xEF;
    shortWrite.back() = Checksum(shortWrite.data(), 12);
    Receive(shortWrite);
    EXPECT_EQ(lines, (std::vector<std::string>{"Invalid 'Read slot data' length!",
                                               "Invalid 'Write slot data' length!"}));
    EXPECT_FALSE(link.Slot(7).valid);
    EXPECT_TRUE(link.IsSelectionPending());
    EXPECT_EQ(port->writes.size(), 1u) << "no null move after a refused slot data message";
}

} // namespace
