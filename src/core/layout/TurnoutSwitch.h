#pragma once
// The LocoNet switch requests that move a turnout into one of its positions.

#include "core/layout/LayoutElement.h"
#include "core/loconet/LocoNetMessage.h"

#include <cstdint>
#include <string>
#include <vector>

// The bits of the second byte of a switch request (and of an output report).
namespace switchbits {
inline constexpr std::uint8_t kOn = 0x10;     // requests: output on; output reports: thrown on
inline constexpr std::uint8_t kClosed = 0x20; // requests: closed; output reports: closed on
} // namespace switchbits

// Turnout addresses reach 2048: switch numbers on the wire have 11 bits.
inline constexpr int kMaxSwitchAddress = 2048;

// The switch request (output on) for a turnout address as the operator knows it, 1-based;
// the checksum is left for the link to fill in.
LocoNetMessage SwitchRequest(int address, bool closed);

struct SwitchPlan {
    std::vector<LocoNetMessage> messages; // in output order
    std::string note;                     // why an output sends nothing, for the status bar
};

// The requests of each output for the position. An output without an address (0) or with
// one beyond the switch numbers sends nothing, rather than moving some other decoder.
SwitchPlan SwitchRequestsFor(const TurnoutData& turnout, int position);
