#pragma once
// The immediate packet (0xED) that carries a DCC function group two command, F9 to F12,
// for one locomotive address: built for sending and understood when another station
// sends it.

#include "core/loconet/LocoNetMessage.h"

#include <cstdint>

// F9 = 0x01, F10 = 0x02, F11 = 0x04, F12 = 0x08; higher bits are ignored. The length byte
// and the checksum are left for QueueMessage to fill in.
LocoNetMessage BuildImmF9toF12(std::uint8_t adr, std::uint8_t adr2, std::uint8_t bits);

struct ImmF9toF12 {
    bool understood = false;
    std::uint8_t adr = 0;
    std::uint8_t adr2 = 0;
    std::uint8_t bits = 0;
    int Address() const { return adr2 * 128 + adr; }
};

// Decodes an intact received 0xED message; `understood` is false for any other packet.
ImmF9toF12 DecodeImmF9toF12(const LocoNetMessage& message);
