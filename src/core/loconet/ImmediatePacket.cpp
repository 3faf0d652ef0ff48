#include "core/loconet/ImmediatePacket.h"

#include <array>
#include <cstddef>

namespace {
using namespace dcc;
constexpr std::size_t kMaxPacket = 5;           // IM1 to IM5
constexpr std::uint8_t kLongAddressLast = 0xE7; // highest first byte (address 10239)

struct DccPacket {
    std::array<std::uint8_t, kMaxPacket> bytes{};
    std::size_t count = 0;
    void Add(std::uint8_t b) {
        if (count < kMaxPacket)
            bytes[count++] = b;
    }
};
} // namespace

LocoNetMessage BuildImmFunctions(std::uint8_t adr, std::uint8_t adr2, ImmGroup group,
                                 std::uint8_t bits) {
    DccPacket p;
    if (adr2 == 0) {
        p.Add(adr & 0x7F);
    } else {
        const int address = (adr2 & 0x7F) * 128 + (adr & 0x7F);
        p.Add(static_cast<std::uint8_t>(kLongAddress | (address >> 8)));
        p.Add(static_cast<std::uint8_t>(address & 0xFF));
    }
    switch (group) {
    case ImmGroup::F9toF12:
        p.Add(static_cast<std::uint8_t>(kFunctionGroupTwo | (bits & 0x0F)));
        break;
    case ImmGroup::F13toF20:
        p.Add(kExpansionF13);
        p.Add(bits);
        break;
    case ImmGroup::F21toF28:
        p.Add(kExpansionF21);
        p.Add(bits);
        break;
    }
    // LocoNet data bytes have seven bits: the top bit of each packet byte travels in DHI.
    LocoNetMessage m;
    m.length = kImmLength;
    m.bytes[0] = static_cast<std::uint8_t>(Opcode::OPC_IMM_PACKET);
    m.bytes[1] = kImmLength;
    m.bytes[2] = kImmFixed;
    m.bytes[3] = static_cast<std::uint8_t>((p.count << 4) | kRepeats);
    std::uint8_t dhi = 0;
    for (std::size_t i = 0; i < p.count; ++i) {
        if (p.bytes[i] & 0x80)
            dhi = static_cast<std::uint8_t>(dhi | (1u << i));
        m.bytes[5 + i] = p.bytes[i] & 0x7F;
    }
    m.bytes[4] = dhi;
    return m;
}

ImmFunctions DecodeImmFunctions(const LocoNetMessage& m) {
    ImmFunctions r;
    if (m.length < kImmLength || m.bytes[1] != kImmLength || m.bytes[2] != kImmFixed)
        return r;
    DccPacket p;
    const std::size_t count = (m.bytes[3] >> 4) & 0x07;
    if (count > kMaxPacket)
        return r;
    for (std::size_t i = 0; i < count; ++i)
        p.Add(static_cast<std::uint8_t>((m.bytes[5 + i] & 0x7F) |
                                        ((m.bytes[4] >> i) & 0x01 ? 0x80 : 0x00)));
    std::size_t at = 0;
    int address = 0;
    // Address 0 is the broadcast address; the program builds it for a slot of address 0.
    if (p.count >= 1 && p.bytes[0] <= 0x7F) {
        address = p.bytes[0];
        at = 1;
    } else if (p.count >= 2 && p.bytes[0] >= kLongAddress && p.bytes[0] <= kLongAddressLast) {
        address = ((p.bytes[0] & 0x3F) << 8) | p.bytes[1];
        at = 2;
    } else {
        return r;
    }
    if (at + 1 == p.count && (p.bytes[at] & 0xF0) == kFunctionGroupTwo) {
        r.group = ImmGroup::F9toF12;
        r.bits = p.bytes[at] & 0x0F;
    } else if (at + 2 == p.count && p.bytes[at] == kExpansionF13) {
        r.group = ImmGroup::F13toF20;
        r.bits = p.bytes[at + 1];
    } else if (at + 2 == p.count && p.bytes[at] == kExpansionF21) {
        r.group = ImmGroup::F21toF28;
        r.bits = p.bytes[at + 1];
    } else {
        return r;
    }
    r.understood = true;
    r.adr = static_cast<std::uint8_t>(address & 0x7F);
    r.adr2 = static_cast<std::uint8_t>(address >> 7);
    return r;
}

ImmF9toF12 DecodeImmF9toF12(const LocoNetMessage& m) {
    ImmF9toF12 r = DecodeImmFunctions(m);
    if (r.group != ImmGroup::F9toF12)
        r.understood = false;
    return r;
}
