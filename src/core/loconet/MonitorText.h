#pragma once
// Text pieces of the monitor lines that depend on one message alone: raw bytes, switch
// and sensor reports, peer transfers.

#include "core/loconet/LocoNetMessage.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace monitortext {

// 1 when any bit of `mask` is set in `byte`, else 0: the digits of function and flag states.
inline int Bit(std::uint8_t byte, std::uint8_t mask) {
    return (byte & mask) != 0 ? 1 : 0;
}

// Each byte as "%.2X " (two upper-case digits and a space).
void AppendHex(std::string& out, const std::uint8_t* data, std::size_t count);
std::string Hex(const LocoNetMessage& message);

// printf-style append without a heap round trip for short pieces.
void AppendF(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Decoded text of a switch request (0xB0), acknowledged request (0xBD) or switch state
// (0xBC), switch report (0xB1), sensor report (0xB2) and peer transfer (0xE5), without
// the header. The message is intact and has the length of its opcode.
void AppendSwitchText(std::string& out, const LocoNetMessage& message);
void AppendPeerXferText(std::string& out, const LocoNetMessage& message);

} // namespace monitortext
