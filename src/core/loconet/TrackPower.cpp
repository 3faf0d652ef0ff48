#include "core/loconet/TrackPower.h"

#include "core/loconet/SlotRecord.h"

namespace {
constexpr std::uint32_t kTrkByte = 7; // TRK in a slot data message
} // namespace

bool TrackPower::Set(PowerState state) {
    const bool changed = state != state_;
    state_ = state;
    return changed;
}

bool TrackPower::Forget() {
    return Set(PowerState::Unknown);
}

bool TrackPower::Observe(const LocoNetMessage& m) {
    switch (m.Opcode()) {
    case static_cast<std::uint8_t>(Opcode::OPC_GPON):
        return Set(PowerState::On);
    case static_cast<std::uint8_t>(Opcode::OPC_GPOFF):
        return Set(PowerState::Off);
    case static_cast<std::uint8_t>(Opcode::OPC_SL_RD_DATA):
        // Only the command station reads slots out, so its TRK byte is the truth; a throttle's
        // write of slot data carries whatever TRK it last saw.
        if (m.length != kSlotDataLength || m.bytes[1] != kSlotDataLength)
            return false;
        return Set((m.bytes[kTrkByte] & slotbits::kTrkPower) != 0 ? PowerState::On
                                                                  : PowerState::Off);
    default:
        return false;
    }
}
