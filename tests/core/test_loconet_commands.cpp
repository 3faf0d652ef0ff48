// Slot commands: table changes, bytes sent, suppression, traces and the percent scale.

#include "support/LoconetFixture.h"

namespace {

class CommandTest : public LinkTest {
protected:
    void SetUp() override {
        OpenLink();
        MakeSlot(3, 1234, 0x33, 0x20, 0x11, 0x75);
        port->echo = true; // the interface returns every message
    }
    // Runs the command and returns every message it put on the wire.
    std::vector<Bytes> Sent(const std::function<void()>& command) {
        port->writes.clear();
        command();
        for (int i = 0; i < 5; ++i)
            link.Process();
        return port->writes;
    }
};

TEST_F(CommandTest, BytesTableAndSuppression) {
    struct Case {
        const char* name;
        std::function<void(CLoconet&)> command;
        std::vector<Bytes> sent;
        std::uint8_t SlotRecord::*field;
        std::uint8_t stored;
    };
    const auto A = [](std::uint8_t op, std::uint8_t value) {
        return WithChecksum({op, 0x03, value});
    };
    const std::vector<Case> cases = {
        {"speed unchanged",
         [](CLoconet& l) { l.SetSlotSpeed(3, 0x20, false); },
         {},
         &SlotRecord::SPD,
         0x20},
        {"speed unchanged forced",
         [](CLoconet& l) { l.SetSlotSpeed(3, 0x20, true); },
         {A(0xA0, 0x20)},
         &SlotRecord::SPD,
         0x20},
        {"speed changed",
         [](CLoconet& l) { l.SetSlotSpeed(3, 0x40, false); },
         {A(0xA0, 0x40)},
         &SlotRecord::SPD,
         0x40},
        {"backward",
         [](CLoconet& l) { l.SetSlotForw(3, false, false); },
         {A(0xA1, 0x31)},
         &SlotRecord::DIRF,
         0x31},
        {"forward unchanged",
         [](CLoconet& l) { l.SetSlotForw(3, true, false); },
         {},
         &SlotRecord::DIRF,
         0x11},
        {"forward forced",
         [](CLoconet& l) { l.SetSlotForw(3, true, true); },
         {A(0xA1, 0x11)},
         &SlotRecord::DIRF,
         0x11},
        {"F6 on already on",
         [](CLoconet& l) { l.SetSlotF0toF08(3, 6, true); },
         {A(0xA2, 0x77)},
         &SlotRecord::SND,
         0x77},
        {"F0 off",
         [](CLoconet& l) { l.SetSlotF0toF08(3, 0, false); },
         {A(0xA1, 0x01)},
         &SlotRecord::DIRF,
         0x01},
        {"F4 on",
         [](CLoconet& l) { l.SetSlotF0toF08(3, 4, true); },
         {A(0xA1, 0x19)},
         &SlotRecord::DIRF,
         0x19},
        {"F5 off",
         [](CLoconet& l) { l.SetSlotF0toF08(3, 5, false); },
         {A(0xA2, 0x74)},
         &SlotRecord::SND,
         0x74},
        {"F9 via F0toF08",
         [](CLoconet& l) { l.SetSlotF0toF08(3, 9, true); },
         {},
         &SlotRecord::SND,
         0x75},
        {"F-1 via F0toF08",
         [](CLoconet& l) { l.SetSlotF0toF08(3, -1, true); },
         {},
         &SlotRecord::DIRF,
         0x11},
        {"F0toF4 backward",
         [](CLoconet& l) { l.SetSlotF0toF4(3, 0x1F | 0x40, false, false); },
         {A(0xA1, 0x3F)},
         &SlotRecord::DIRF,
         0x3F},
        {"F0toF4 unchanged",
         [](CLoconet& l) { l.SetSlotF0toF4(3, 0x11, true, false); },
         {},
         &SlotRecord::DIRF,
         0x11},
        {"F5toF8 keeps 0x70",
         [](CLoconet& l) { l.SetSlotF5toF8(3, 0xFA, false); },
         {A(0xA2, 0x7A)},
         &SlotRecord::SND,
         0x7A},
        {"F5toF8 unchanged",
         [](CLoconet& l) { l.SetSlotF5toF8(3, 0x05, false); },
         {},
         &SlotRecord::SND,
         0x75},
        {"F5toF8 forced",
         [](CLoconet& l) { l.SetSlotF5toF8(3, 0x05, true); },
         {A(0xA2, 0x75)},
         &SlotRecord::SND,
         0x75},
        {"release",
         [](CLoconet& l) { l.ReleaseLoco(3, nullptr); },
         {A(0xB5, 0x13)},
         &SlotRecord::STAT1,
         0x13},
        {"send DIRF",
         [](CLoconet& l) { l.SendSlotDirF(3); },
         {A(0xA1, 0x11)},
         &SlotRecord::DIRF,
         0x11},
        {"send SND",
         [](CLoconet& l) { l.SendSlotSnd(3); },
         {A(0xA2, 0x75)},
         &SlotRecord::SND,
         0x75},
        {"F9-F12 low bits only",
         [](CLoconet& l) { l.SendImmF9toF12(3, 0x1F); },
         {WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x07, 0x44, 0x52, 0x2F, 0x00, 0x00})},
         &SlotRecord::SND,
         0x75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeSlot(3, 1234, 0x33, 0x20, 0x11, 0x75);
        EXPECT_EQ(Sent([&] { c.command(link); }), c.sent);
        EXPECT_EQ(link.Slot(3).*c.field, c.stored);
    }
}

TEST_F(CommandTest, SlotOutsideTheTableChangesAndSendsNothing) {
    const SlotRecord before = link.Slot(3);
    for (int slot : {-1, 128, 1000, -200}) {
        SCOPED_TRACE(slot);
        lines.clear();
        const auto sent = Sent([&] {
            link.SetSlotSpeed(slot, 5, true);
            link.SetSlotForw(slot, false, true);
            link.SetSlotF0toF08(slot, 1, true);
            link.SetSlotF0toF4(slot, 0x1F, false, true);
            link.SetSlotF5toF8(slot, 0x0F, true);
            link.SendImmF9toF12(slot, 0x0F);
            link.ReleaseLoco(slot, nullptr);
            link.SendSlotDirF(slot);
            link.SendSlotSnd(slot);
        });
        EXPECT_TRUE(sent.empty());
        EXPECT_TRUE(link.Queue().Empty());
        EXPECT_FALSE(link.Slot(slot).valid);
    }
    EXPECT_EQ(link.Slot(3).DIRF, before.DIRF);
    EXPECT_EQ(link.Slot(3).SPD, before.SPD);
}

TEST_F(CommandTest, DebugTraces) {
    settings.DebugMode = 1;
    MakeSlot(4, 77, 0x33, 0x20, 0x11, 0x75);
    struct Case {
        std::function<void(CLoconet&)> command;
        std::string trace;
    };
    const std::vector<Case> cases = {
        {[](CLoconet& l) { l.SetSlotSpeed(4, 0x20, false); },
         "SetSlotSpeed : Slot:4,Loco:77 speed 32 not changed"},
        {[](CLoconet& l) { l.SetSlotSpeed(4, 9, false); },
         "SetSlotSpeed : Slot:4,Loco:77 new speed=9"},
        {[](CLoconet& l) { l.SetSlotSpeed(5, 9, false); },
         "SetSlotSpeed : Slot:5,Loco:-1 new speed=9"},
        {[](CLoconet& l) { l.SetSlotForw(4, true, false); },
         "SetSlotForw : Slot:4,Loco:77 dir 1 not changed"},
        {[](CLoconet& l) { l.SetSlotForw(4, false, false); },
         "SetSlotForw : Slot:4,Loco:77 new dir=0"},
        {[](CLoconet& l) { l.SetSlotF0toF08(4, 12, true); },
         "SetSlotF0toF08 : Slot:4,Loco:77 func=12, state=1"},
        {[](CLoconet& l) { l.SetSlotF0toF4(4, 0x11, true, false); },
         "SetSlotF0toF4 : Slot:4,Loco:77 Dir=1,F0toF4=11000 not changed"},
        {[](CLoconet& l) { l.SetSlotF0toF4(4, 0x1A, false, false); },
         "SetSlotF0toF4 : Slot:4,Loco:77 new Dir=0,F0toF4=10101"},
        {[](CLoconet& l) { l.SetSlotF5toF8(4, 0x05, false); },
         "SetSlotF5toF8 : Slot:4,Loco:77 F5toF8 1010 not changed"},
        {[](CLoconet& l) { l.SetSlotF5toF8(4, 0x0C, false); },
         "SetSlotF5toF8 : Slot:4,Loco:77 new F5toF8=0011"},
        {[](CLoconet& l) { l.SendImmF9toF12(4, 0x09); },
         "SendImmF9toF12 : Slot:4,Loco:77 F9to12=1001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trace);
        MakeSlot(4, 77, 0x33, 0x20, 0x11, 0x75);
        c.command(link);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), c.trace);
        link.Process();
        link.Process();
    }
}

TEST_F(CommandTest, ReleaseIsAlwaysOnTheMonitor) {
    settings.DebugMode = 0;
    link.ReleaseLoco(3, nullptr);
    EXPECT_EQ(lines, std::vector<std::string>{"!!Release Loco 1234"});
}

TEST(PercentTest, ConversionsBothWays) {
    const std::vector<std::pair<int, int>> toSpeed = {
        {0, 0}, {1, 2}, {2, 4}, {50, 65}, {98, 126}, {99, 127}, {100, 127}, {200, 127}, {-5, 0}};
    for (auto [percent, speed] : toSpeed)
        EXPECT_EQ(CLoconet::PercentToSpeed(percent), speed) << percent << " %";
    const std::vector<std::pair<int, int>> toPercent = {{0, 0},   {1, 0},    {2, 1},    {3, 2},
                                                        {65, 50}, {126, 98}, {127, 99}, {255, 99}};
    for (auto [speed, percent] : toPercent)
        EXPECT_EQ(CLoconet::SpeedToPercent(speed), percent) << "speed " << speed;
    for (int p = 0; p <= 99; ++p)
        EXPECT_NE(CLoconet::PercentToSpeed(p), 1) << "never the emergency stop";
}

} // namespace
