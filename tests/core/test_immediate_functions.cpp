// F9 to F28 as immediate packets: the bytes for short and long addresses, what the monitor
// makes of them, and a simple throttle that sends F13 to F28 and follows another station's.

#include "core/loconet/ImmediatePacket.h"
#include "core/throttles/SimpleThrottle.h"
#include "support/LoconetFixture.h"

namespace {

Bytes Body(const LocoNetMessage& m) {
    return Bytes(m.bytes.begin(), m.bytes.begin() + 10); // without the checksum
}

LocoNetMessage Message(const Bytes& body) {
    LocoNetMessage m;
    for (std::uint8_t b : WithChecksum(body))
        m.bytes[m.length++] = b;
    return m;
}

TEST(ImmediatePacket, FunctionGroupsBothWays) {
    struct Case {
        const char* name;
        int address;
        ImmGroup group;
        std::uint8_t bits;
        Bytes body;
    };
    const Case cases[] = {
        {"F9-F12 short",
         3,
         ImmGroup::F9toF12,
         0x0A,
         {0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x2A, 0, 0, 0}},
        {"F9-F12 long",
         1234,
         ImmGroup::F9toF12,
         0x09,
         {0xED, 0x0B, 0x7F, 0x34, 0x07, 0x44, 0x52, 0x29, 0, 0}},
        {"F13-F20 short",
         3,
         ImmGroup::F13toF20,
         0x81,
         {0xED, 0x0B, 0x7F, 0x34, 0x06, 0x03, 0x5E, 0x01, 0, 0}},
        {"F13-F20 long",
         1234,
         ImmGroup::F13toF20,
         0x01,
         {0xED, 0x0B, 0x7F, 0x44, 0x07, 0x44, 0x52, 0x5E, 0x01, 0}},
        {"F21-F28 short",
         127,
         ImmGroup::F21toF28,
         0x02,
         {0xED, 0x0B, 0x7F, 0x34, 0x02, 0x7F, 0x5F, 0x02, 0, 0}},
        {"F21-F28 long",
         9983,
         ImmGroup::F21toF28,
         0xFF,
         {0xED, 0x0B, 0x7F, 0x44, 0x0F, 0x66, 0x7F, 0x5F, 0x7F, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto adr = static_cast<std::uint8_t>(c.address & 0x7F);
        const auto adr2 = static_cast<std::uint8_t>(c.address >> 7);
        EXPECT_EQ(Body(BuildImmFunctions(adr, adr2, c.group, c.bits)), c.body);
        const ImmFunctions back = DecodeImmFunctions(Message(c.body));
        ASSERT_TRUE(back.understood);
        EXPECT_EQ(back.group, c.group);
        EXPECT_EQ(back.Address(), c.address);
        EXPECT_EQ(back.bits, c.bits);
        // The F9 to F12 decoder never takes a feature expansion packet for its own.
        EXPECT_EQ(DecodeImmF9toF12(Message(c.body)).understood, c.group == ImmGroup::F9toF12);
    }
    // A speed packet (01DC SSSS) is no function command.
    EXPECT_FALSE(DecodeImmFunctions(Message({0xED, 0x0B, 0x7F, 0x24, 0x00, 0x03, 0x65, 0, 0, 0}))
                     .understood);
}

class ImmediateFunctionsTest : public LinkTest {
protected:
    ImmediateFunctionsTest() {
        link.RegisterThrottle(7, &throttle);
        OpenLink();
        port->echo = true;
        MakeSlot(5, 3);
        throttle.UpdateControls(clock.Now(), 5, kWhichLoco);
    }
    ~ImmediateFunctionsTest() override { link.RemoveThrottle(7); }

    SimpleThrottle throttle{link, clock, prompts};
};

TEST_F(ImmediateFunctionsTest, ThrottleSendsF13toF28AndFollowsAnotherStation) {
    settings.DebugMode = 1;
    throttle.FunctionStateChanged(13, true);
    throttle.FunctionStateChanged(20, true);
    throttle.FunctionStateChanged(22, true);
    for (int i = 0; i < 10; ++i)
        link.Process();
    ASSERT_EQ(port->writes.size(), 3u);
    EXPECT_EQ(port->writes[1],
              WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x06, 0x03, 0x5E, 0x01, 0, 0}));
    EXPECT_EQ(port->writes[2],
              WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x02, 0x03, 0x5F, 0x02, 0, 0}));
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "SendImmF13toF20 : Slot:5,Loco:3 F13to20=10000001"),
        lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), " - OPc IMM: F21-F28 Slt=5 Loc=3 01000000"),
              lines.end());

    // Another station: F14 alone of F13 to F20, then F28, then F21 with it.
    settings.DebugMode = 0;
    lines.clear();
    Receive(WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x02, 0x03, 0x5E, 0x02, 0, 0}));
    Receive(WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x06, 0x03, 0x5F, 0x00, 0, 0}));
    Receive(WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x06, 0x03, 0x5F, 0x01, 0, 0}));
    EXPECT_EQ(lines, (std::vector<std::string>{"Rec: OPc IMM: F13-F20 Slt=5 Loc=3 01000000",
                                               "Rec: OPc IMM: F21-F28 Slt=5 Loc=3 00000001",
                                               "Rec: OPc IMM: F21-F28 Slt=5 Loc=3 10000001"}));
    std::string states;
    for (int f = 13; f <= 28; ++f)
        states += throttle.ButtonState(f) ? '1' : '0';
    EXPECT_EQ(states, "0100000010000001"); // F14, F21 (0x01 of the last), F28

    // The next press goes on from what the bus said; a new selection of the locomotive
    // starts from what the link knows of it, and another locomotive in the slot from nothing.
    throttle.FunctionStateChanged(15, true);
    EXPECT_EQ(throttle.F13toF20(), 0x06);
    throttle.UpdateControls(clock.Now(), 5, kWhichLoco);
    EXPECT_EQ(throttle.F13toF20(), 0x06);
    EXPECT_EQ(throttle.F21toF28(), 0x81);
    Receive(SlotData(5, 4, 0x13));
    EXPECT_EQ(link.Slot(5).high, 0u);
}

} // namespace
