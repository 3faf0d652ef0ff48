#pragma once
// Track power as the bus reports it: the global power messages of any station and the power
// bit of the slot data the command station sends. Unknown until the bus has said.

#include "core/loconet/LocoNetMessage.h"

enum class PowerState { Unknown, On, Off };

class TrackPower {
public:
    // Follows one intact message; true when the state changed.
    bool Observe(const LocoNetMessage& message);
    // The link went down or closed: nothing is known until the bus says again.
    bool Forget();
    PowerState State() const { return state_; }

    // The global commands, without checksum (QueueMessage fills it in): power on, power off,
    // and the emergency stop of every locomotive that keeps the power on.
    static LocoNetMessage PowerOn() { return Global(Opcode::OPC_GPON); }
    static LocoNetMessage PowerOff() { return Global(Opcode::OPC_GPOFF); }
    static LocoNetMessage StopAll() { return Global(Opcode::OPC_IDLE); }

private:
    static LocoNetMessage Global(Opcode opcode) {
        return LocoNetMessage{static_cast<std::uint8_t>(opcode), 0};
    }
    bool Set(PowerState state);

    PowerState state_ = PowerState::Unknown;
};
