// Track power: what the bus says of it, and the simulated station's answers to power off,
// power on and the emergency stop of every locomotive.

#include "core/loconet/TrackPower.h"
#include "core/sim/SimCommandStation.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithChecksum(Bytes b) {
    b.push_back(Checksum(b.data(), static_cast<std::uint32_t>(b.size())));
    return b;
}

LocoNetMessage Message(const Bytes& bytes) {
    LocoNetMessage m;
    for (std::uint8_t b : bytes)
        m.bytes[m.length++] = b;
    return m;
}

Bytes SlotRead(std::uint8_t opcode, std::uint8_t trk) {
    return WithChecksum({opcode, 0x0E, 0x01, 0x33, 0x03, 0x20, 0x00, trk, 0, 0, 0, 0, 0});
}

TEST(TrackPower, FollowsTheBus) {
    struct Step {
        const char* name;
        Bytes message;
        PowerState state;
        bool changed;
    };
    const Step steps[] = {
        {"power on", WithChecksum({0x83}), PowerState::On, true},
        {"again", WithChecksum({0x83}), PowerState::On, false},
        {"stop all keeps power", WithChecksum({0x85}), PowerState::On, false},
        {"power off", WithChecksum({0x82}), PowerState::Off, true},
        {"a throttle's slot write says nothing", SlotRead(0xEF, 0x07), PowerState::Off, false},
        {"slot read with power", SlotRead(0xE7, 0x07), PowerState::On, true},
        {"slot read without", SlotRead(0xE7, 0x06), PowerState::Off, true},
        {"a short slot read is no slot read", WithChecksum({0xE7, 0x0E, 0x01}), PowerState::Off,
         false},
        {"speed", WithChecksum({0xA0, 0x01, 0x10}), PowerState::Off, false},
    };
    TrackPower power;
    EXPECT_EQ(power.State(), PowerState::Unknown);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(power.Observe(Message(s.message)), s.changed);
        EXPECT_EQ(power.State(), s.state);
    }
    EXPECT_TRUE(power.Forget());
    EXPECT_EQ(power.State(), PowerState::Unknown);
    EXPECT_EQ(TrackPower::PowerOn().bytes[0], 0x83);
    EXPECT_EQ(TrackPower::PowerOff().bytes[0], 0x82);
    EXPECT_EQ(TrackPower::StopAll().bytes[0], 0x85);
}

TEST(TrackPower, SimulatedStationKeepsSpeedsWithoutPowerAndStopsAll) {
    FakeClock clock{1000};
    SimCommandStation cs{clock};
    auto drain = [&cs] {
        std::vector<Bytes> all;
        for (Bytes c = cs.TakeChunk(); !c.empty(); c = cs.TakeChunk())
            all.push_back(c);
        return all;
    };
    auto send = [&](const Bytes& body) {
        const Bytes m = WithChecksum(body);
        cs.Write(m.data(), m.size());
        return drain();
    };
    const int a = cs.ThrottleAcquire(3);
    const int b = cs.ThrottleAcquire(1234);
    cs.ThrottleSpeed(3, 40);
    cs.ThrottleSpeed(1234, 90);
    drain();

    // Off: echoed, nothing answered; the slots keep their speeds, their TRK loses the power bit.
    EXPECT_EQ(send({0x82}), (std::vector<Bytes>{WithChecksum({0x82})}));
    EXPECT_FALSE(cs.TrackPowerOn());
    const std::vector<Bytes> read = send({0xBB, static_cast<std::uint8_t>(a), 0});
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1][5], 40);   // SPD
    EXPECT_EQ(read[1][7], 0x06); // TRK: no power, not idle

    // On from another station, then the emergency stop of every slot in use.
    cs.StationPower(true);
    EXPECT_EQ(drain(), (std::vector<Bytes>{WithChecksum({0x83})}));
    EXPECT_TRUE(cs.TrackPowerOn());
    EXPECT_EQ(send({0x85}), (std::vector<Bytes>{WithChecksum({0x85})}));
    EXPECT_EQ(cs.Slot(a).bytes[SimSlotByte::SPD], slotbits::kSpeedEmergency);
    EXPECT_EQ(cs.Slot(b).bytes[SimSlotByte::SPD], slotbits::kSpeedEmergency);
    EXPECT_EQ(cs.Slot(b).bytes[SimSlotByte::TRK], 0x07);
    EXPECT_EQ(cs.Slot(b + 1).bytes[SimSlotByte::SPD], 0); // a free slot holds no locomotive
}

} // namespace
