#pragma once
// What every end-to-end test of the link does against a simulated command station, whatever
// carries the bytes (a pseudo-terminal, LocoNet over TCP, the in-process "sim" port). The
// station is reached through its command lines, as vlakomat-cs takes them on standard input.

#include "support/LinkBench.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

// Runs one command line at the station and returns its reply ("OK ...", "ERROR ...").
using StationCommand = std::function<std::string(const std::string& line)>;

namespace scenario {

inline constexpr int kAddress = 1234;
inline constexpr int kSlot = 1; // the first free slot of a fresh station

inline std::string SlotLine(const StationCommand& cs, int slot) {
    return cs("slot " + std::to_string(slot));
}

inline bool StationSlotBecomes(const StationCommand& cs, int slot, const std::string& line) {
    return LinkBench::WaitFor([&] { return SlotLine(cs, slot) == line; });
}

// Both phases of the selection (address request, then the null move that marks the slot in
// use), seen in Debug Mode's lines, in the throttle and in the station's slot.
inline void SelectAddress(LinkBench& b, const StationCommand& cs) {
    b.settings.DebugMode = 1;
    b.link.SelectLoco(LinkBench::kThrottleIndex, kAddress, kWhichLoco);
    ASSERT_TRUE(b.WaitFor([&] { return !b.throttle.controls.empty(); }));
    EXPECT_EQ(b.throttle.controls, std::vector<std::string>{"1 0"});
    EXPECT_FALSE(b.link.IsSelectionPending());
    EXPECT_EQ(b.MissingInOrder({
                  "!!Message queued: BF 09 52 1B ",
                  "Sent: BF 09 52 1B ",
                  "Rec: E7 0E 01 13 52 00 00 07 00 09 00 00 00 58 ",
                  " - Read Slot:1,Loc:1234",
                  "Task Sel Loco: Phase Req Loco",
                  "!!Message queued: BA 01 01 45 ",
                  "Sent: BA 01 01 45 ",
                  "Rec: E7 0E 01 33 52 00 00 07 00 09 00 00 00 78 ",
                  "Task Sel Loco: Phase Set Busy",
                  "!! Finishing loco 1234 selection",
              }),
              "");
    EXPECT_EQ(SlotLine(cs, kSlot),
              "OK slot 1 address 1234 in use: 01 33 52 00 00 07 00 09 00 00 00");
    EXPECT_EQ(b.link.GetSlotLocoAddress(kSlot), kAddress);
    EXPECT_TRUE(b.prompts.texts.empty());
}

// Speed, direction and functions through the slot commands reach the station's slot, each
// message sent after the echo of the one before.
inline void DriveThroughSlotCommands(LinkBench& b, const StationCommand& cs) {
    b.link.SetSlotSpeed(kSlot, 50, false);
    b.link.SetSlotForw(kSlot, false, false);
    b.link.SetSlotF0toF08(kSlot, 0, true);
    b.link.SetSlotF0toF08(kSlot, 3, true);
    b.link.SetSlotF0toF08(kSlot, 6, true);
    // Speed 0x32; backward, F0 and F3 (0x20 | 0x10 | 0x04); F6 (0x02).
    EXPECT_TRUE(StationSlotBecomes(
        cs, kSlot, "OK slot 1 address 1234 in use: 01 33 52 32 34 07 00 09 02 00 00"));
    EXPECT_TRUE(b.WaitFor([&] { return b.Idle(); }));
    EXPECT_EQ(b.MissingInOrder({"Sent: A0 01 32 6C ", "Sent: A1 01 20 7F ", "Sent: A1 01 30 6F ",
                                "Sent: A1 01 34 6B ", "Sent: A2 01 02 5E "}),
              "");
    EXPECT_TRUE(b.LinesStartingWith("Repeated: ").empty());
    EXPECT_TRUE(b.beeper.tones.empty());
    const SlotRecord& r = b.link.Slot(kSlot);
    EXPECT_EQ(r.SPD, 0x32);
    EXPECT_EQ(r.DIRF, 0x34);
    EXPECT_EQ(r.SND, 0x02);
}

// A hand-held throttle on the same address turns its knob, changes direction and presses
// keys: the link's slot table follows and the test throttle hears of each change.
inline void HandHeldThrottle(LinkBench& b, const StationCommand& cs) {
    std::size_t before = b.throttle.updates.size();
    ASSERT_EQ(cs("throttle 1234 speed 20"), "OK");
    EXPECT_TRUE(b.WaitFor([&] { return b.link.Slot(kSlot).SPD == 20; }));
    EXPECT_TRUE(b.WaitFor([&] { return b.throttle.updates.size() > before; }));

    before = b.throttle.updates.size();
    ASSERT_EQ(cs("throttle 1234 forward"), "OK");
    EXPECT_TRUE(b.WaitFor([&] { return (b.link.Slot(kSlot).DIRF & 0x20) == 0; }));
    EXPECT_TRUE(b.WaitFor([&] { return b.throttle.updates.size() > before; }));

    before = b.throttle.updates.size();
    ASSERT_EQ(cs("throttle 1234 f 1 on"), "OK");
    EXPECT_TRUE(b.WaitFor([&] { return (b.link.Slot(kSlot).DIRF & 0x01) != 0; }));
    EXPECT_TRUE(b.WaitFor([&] { return b.throttle.updates.size() > before; }));

    ASSERT_EQ(cs("throttle 1234 f 7 on"), "OK");
    EXPECT_TRUE(b.WaitFor([&] { return (b.link.Slot(kSlot).SND & 0x04) != 0; }));

    // F9 to F12 travel as immediate packets and go straight to the throttle (F10 = 0x02).
    ASSERT_EQ(cs("throttle 1234 f 10 on"), "OK");
    EXPECT_TRUE(b.WaitFor([&] { return !b.throttle.f9to12.empty(); }));
    EXPECT_EQ(b.throttle.f9to12, std::vector<std::string>{"2 0"});

    for (int which : b.throttle.updates)
        EXPECT_EQ(which, kWhichLoco);
    // Speed 20, forward with F0, F1 and F3 (0x10 | 0x01 | 0x04), F6 and F7.
    EXPECT_EQ(SlotLine(cs, kSlot),
              "OK slot 1 address 1234 in use: 01 33 52 14 15 07 00 09 06 00 00");
    const SlotRecord& r = b.link.Slot(kSlot);
    EXPECT_EQ(r.DIRF, 0x15);
    EXPECT_EQ(r.SND, 0x06);
}

// The interface loses two echoes: each time the link beeps, shows "Repeated: ..." and sends
// the message again, at most once per 200 ms, until its echo comes. A server that said
// "SENT OK" has put the message on the bus: nothing is repeated then.
inline void LostEchoIsRetried(LinkBench& b, const StationCommand& cs, bool serverGivesWord) {
    ASSERT_EQ(cs("fault lose 2"), "OK");
    if (serverGivesWord) {
        ASSERT_TRUE(b.WaitFor([&] { return b.Idle(); }));
        b.link.SetSlotSpeed(kSlot, 60, false);
        b.link.SetSlotSpeed(kSlot, 61, false);
        EXPECT_TRUE(StationSlotBecomes(
            cs, kSlot, "OK slot 1 address 1234 in use: 01 33 52 3D 15 07 00 09 06 00 00"));
        EXPECT_TRUE(b.WaitFor([&] { return b.Idle(); }));
        EXPECT_TRUE(b.LinesStartingWith("Repeated: ").empty());
        b.link.SetSlotSpeed(kSlot, 62, false);
        EXPECT_TRUE(b.WaitFor([&] { return b.HasLine("Sent: A0 01 3E 60 ") && b.Idle(); }));
        return;
    }
    ASSERT_TRUE(b.WaitFor([&] { return b.Idle(); }));
    b.beeper.tones.clear();
    QElapsedTimer timer;
    timer.start();
    b.link.SetSlotSpeed(kSlot, 60, false);
    const bool recovered = LinkBench::WaitFor(
        [&] { return b.LinesStartingWith("Repeated: ").size() >= 2 && b.Idle(); });
    if (!recovered)
        for (const auto& l : b.lines)
            std::fprintf(stderr, "%s\n", l.c_str());
    ASSERT_TRUE(recovered);
    const auto elapsed = timer.elapsed();

    const auto repeats = b.LinesStartingWith("Repeated: ");
    ASSERT_GE(repeats.size(), 2u);
    EXPECT_LE(static_cast<long long>(repeats.size()), elapsed / 200 + 1)
        << "no more than one retry per 200 ms";
    const std::string prefix = "Repeated: A0 01 3C 62 ,delay=";
    for (const auto& line : repeats) {
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
        const int delay = std::atoi(line.c_str() + prefix.size());
        EXPECT_GT(delay, 200) << line;
        EXPECT_LT(delay, 5000) << line;
    }
    using Tones = std::vector<std::pair<int, int>>;
    EXPECT_EQ(b.beeper.tones, Tones(repeats.size(), {2000, 50}));
    EXPECT_EQ(b.LinesStartingWith("Sent: A0 01 3C 62 ").size(), 1u);
    EXPECT_TRUE(StationSlotBecomes(
        cs, kSlot, "OK slot 1 address 1234 in use: 01 33 52 3C 15 07 00 09 06 00 00"));

    // Recovered: the next message goes out and is echoed at once.
    b.link.SetSlotSpeed(kSlot, 61, false);
    EXPECT_TRUE(b.WaitFor([&] { return b.HasLine("Sent: A0 01 3D 63 ") && b.Idle(); }));
    EXPECT_EQ(b.LinesStartingWith("Repeated: ").size(), repeats.size());
}

// A consist member cannot be taken, and a full station has no slot to give: both tell the
// operator and give the throttle's slots back.
inline void ConsistMemberAndFullStation(LinkBench& b, const StationCommand& cs) {
    b.prompts.texts.clear();
    const int releases = b.throttle.releases;
    ASSERT_EQ(cs("consist 3000 on"), "OK");
    b.link.SelectLoco(LinkBench::kThrottleIndex, 3000, kWhichLoco);
    const std::string consist = "Motorski naslov 3000 je del kompozicije! Izločite jo iz "
                                "kompozicije ali izberite drug naslov.";
    ASSERT_TRUE(b.WaitFor([&] { return !b.prompts.texts.empty(); }));
    EXPECT_EQ(b.prompts.texts, std::vector<std::string>{consist});
    EXPECT_TRUE(b.HasLine(consist));
    EXPECT_EQ(b.throttle.releases, releases + 1);
    EXPECT_FALSE(b.link.IsSelectionPending());

    ASSERT_EQ(cs("fault noslot on"), "OK");
    b.link.SelectLoco(LinkBench::kThrottleIndex, 4000, kWhichLoco);
    const std::string full = "Napaka! Ni več prostih mest v pomnilniku centrale.";
    ASSERT_TRUE(b.WaitFor([&] { return b.prompts.texts.size() == 2; }));
    EXPECT_EQ(b.prompts.texts.back(), full);
    EXPECT_TRUE(b.HasLine(full));
    EXPECT_EQ(b.throttle.releases, releases + 2);
    EXPECT_FALSE(b.link.IsSelectionPending());
    EXPECT_EQ(b.throttle.controls.size(), 1u) << "neither selection finished";
}

// The whole run in one piece: the later steps build on the slot the first one took.
inline void FullRun(LinkBench& b, const StationCommand& cs, bool serverGivesWord = false) {
    {
        SCOPED_TRACE("selection");
        SelectAddress(b, cs);
    }
    if (::testing::Test::HasFatalFailure())
        return;
    {
        SCOPED_TRACE("slot commands");
        DriveThroughSlotCommands(b, cs);
    }
    {
        SCOPED_TRACE("hand-held throttle");
        HandHeldThrottle(b, cs);
    }
    {
        SCOPED_TRACE("lost echo");
        LostEchoIsRetried(b, cs, serverGivesWord);
    }
    {
        SCOPED_TRACE("consist and full station");
        ConsistMemberAndFullStation(b, cs);
    }
}

} // namespace scenario
