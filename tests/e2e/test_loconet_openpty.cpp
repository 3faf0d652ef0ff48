// The link over the real Qt serial implementation on a pseudo-terminal whose other end the
// test holds and plays the LocoNet interface on: bytes written there change the slot table
// and the monitor, the program's own messages arrive there, one per echo, and a device that
// goes away and comes back is opened again.

#include "io/SerialDevicePort.h"
#include "support/LinkBench.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// The message as hex text with its checksum.
std::string Msg(std::vector<std::uint8_t> bytes) {
    bytes.push_back(Checksum(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    return FormatHexBytes(bytes);
}

class OpenPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.path.empty());
        ASSERT_TRUE(b.link.Open(pty.path));
        ASSERT_NE(dynamic_cast<SerialDevicePort*>(b.link.Port()), nullptr);
        b.throttle.iSlot = 3;
        // Another station's slot data: slot 3 holds address 44, in use.
        pty.Send(
            Msg({0xE7, 0x0E, 0x03, 0x33, 0x2C, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00}));
        ASSERT_TRUE(b.WaitFor([&] { return b.link.GetSlotLocoAddress(3) == 44; }));
    }

    PtyPair pty;
    LinkBench b;
};

TEST_F(OpenPtyTest, BusBytesChangeTheSlotTableAndTheMonitor) {
    EXPECT_TRUE(b.HasLine("Rec: Read Slot:3,Loc:44"));
    EXPECT_FALSE(b.throttle.updates.empty());

    // A message in two pieces, the second after the first was taken in.
    pty.Send("A0 03");
    ASSERT_TRUE(b.WaitFor([&] { return b.link.IsReceiving(); }));
    pty.Send("20 7C");
    EXPECT_TRUE(b.WaitFor([&] { return b.link.Slot(3).SPD == 0x20; }));
    EXPECT_TRUE(b.HasLine("Rec: Loco Speed: Slt=3,Loc=44,Sp=32"));

    // A stray byte, a truncated message and a corrupt one are reported or dropped; the
    // messages after them still count.
    pty.Send("2A");
    pty.Send("A1 03");
    pty.Send("A0 03 21 7C " + Msg({0xA1, 0x03, 0x31}));
    EXPECT_TRUE(b.WaitFor([&] { return b.link.Slot(3).DIRF == 0x31; }));
    EXPECT_EQ(b.link.Slot(3).SPD, 0x20) << "the corrupt speed message changed nothing";
    EXPECT_EQ(b.MissingInOrder({"Error: Received inter-message byte: 2A ",
                                "Too short: exp:4 ,rec:2>A1 03 ",
                                "Rec: Loco DirF0-4: Slt=3 Loc=44 B 11000"}),
              "");
    EXPECT_TRUE(b.LinesStartingWith("Rec: Loco Speed: Slt=3,Loc=44,Sp=33").empty());

    // A sensor report and an immediate packet for F9 to F12 of address 44.
    pty.Send(Msg({0xB2, 0x05, 0x50}));
    pty.Send(Msg({0xED, 0x0B, 0x7F, 0x20, 0x02, 0x2C, 0x23, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(b.WaitFor([&] { return !b.throttle.f9to12.empty(); }));
    EXPECT_EQ(b.throttle.f9to12, std::vector<std::string>{"3 0"});
    EXPECT_TRUE(b.HasLine("Rec: Sensor Rep.: 5 Inp: 0 State: 1"));
    EXPECT_EQ(b.LinesStartingWith("Rec: OPc IMM: "),
              std::vector<std::string>{"Rec: OPc IMM: Slt=3 Loc=44"});
    EXPECT_TRUE(b.prompts.texts.empty());
}

TEST_F(OpenPtyTest, OwnMessagesArriveOnePerEchoAndAreRepeatedWithoutOne) {
    b.lines.clear();
    b.link.SetSlotSpeed(3, 10, false);
    b.link.SetSlotForw(3, false, false);
    EXPECT_EQ(pty.Receive(4), "A0 03 0A 56");
    // The second waits for the echo of the first.
    EXPECT_EQ(pty.Receive(1, 100), "");
    pty.Send("A0 03 0A 56");
    EXPECT_EQ(pty.Receive(4), "A1 03 20 7D");
    EXPECT_TRUE(b.HasLine("Sent: Loco Speed: Slt=3,Loc=44,Sp=10"));

    // No echo: after 200 ms the same message again, with a beep and a line.
    EXPECT_EQ(pty.Receive(4), "A1 03 20 7D");
    const std::string prefix = "Repeated: A1 03 20 7D ,delay=";
    const auto repeats = b.LinesStartingWith(prefix);
    ASSERT_EQ(repeats.size(), 1u);
    EXPECT_GT(std::atoi(repeats[0].c_str() + prefix.size()), 200) << repeats[0];
    EXPECT_EQ(b.beeper.tones, (std::vector<std::pair<int, int>>{{2000, 50}}));
    pty.Send("A1 03 20 7D");
    EXPECT_TRUE(b.WaitFor([&] { return b.Idle(); }));
    EXPECT_TRUE(b.HasLine("Sent: Loco DirF0-4: Slt=3 Loc=44 B 00000"));
    // The echo of our own message is no news to the throttles.
    EXPECT_EQ(b.link.Slot(3).SPD, 10);
}

TEST_F(OpenPtyTest, AnotherStationsRequestHoldsOurMessagesUntilItsAnswer) {
    pty.Send("BF 00 2C 6C"); // another throttle asks for address 44
    ASSERT_TRUE(b.WaitFor([&] { return b.link.IsResponseExpected(); }));
    b.link.SetSlotSpeed(3, 12, false);
    EXPECT_EQ(pty.Receive(1, 100), "");
    pty.Send("81 7E"); // busy neither sets nor clears the hold
    EXPECT_EQ(pty.Receive(1, 100), "");
    pty.Send(Msg({0xE7, 0x0E, 0x03, 0x33, 0x2C, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(pty.Receive(4), "A0 03 0C 50");
}

// The interface is unplugged and plugged in again: its device goes away and comes back
// under the same name (here a symbolic link to a pseudo-terminal that is made anew). The
// link opens it again and asks for the slot its throttle holds.
TEST(ReappearingDevice, IsOpenedAgainUnderTheSameNameAndTheHeldSlotIsAskedFor) {
    TempDir dir;
    const std::string name = dir.File("ttyLocoNet");
    auto pty = std::make_unique<PtyPair>();
    std::filesystem::create_symlink(pty->path, name);
    LinkBench b;
    ASSERT_TRUE(b.link.Open(name));
    b.throttle.iSlot = 3;
    pty.reset();
    std::filesystem::remove(name);
    ASSERT_TRUE(b.WaitFor([&] { return b.link.IsPortDown(); }));
    EXPECT_TRUE(b.HasLine("Error! Port " + name + " lost!"));
    // An attempt on the missing device fails quietly.
    const int made = b.portsMade;
    ASSERT_TRUE(b.WaitFor([&] { return b.portsMade > made; }));
    EXPECT_TRUE(b.link.IsPortDown());

    PtyPair again;
    std::filesystem::create_symlink(again.path, name);
    EXPECT_EQ(again.Receive(4, LinkBench::kWaitMs), Msg({0xBB, 0x03, 0x00}));
    EXPECT_FALSE(b.link.IsPortDown());
    EXPECT_TRUE(b.HasLine("Reopened " + name));
    // The station's answer brings the slot table and the throttle up to date.
    const std::size_t updates = b.throttle.updates.size();
    again.Send(Msg({0xBB, 0x03, 0x00}));
    again.Send(Msg({0xE7, 0x0E, 0x03, 0x33, 0x2C, 0x09, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(b.WaitFor([&] { return b.link.Slot(3).SPD == 9; }));
    EXPECT_GT(b.throttle.updates.size(), updates);
    EXPECT_TRUE(b.prompts.texts.empty());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
