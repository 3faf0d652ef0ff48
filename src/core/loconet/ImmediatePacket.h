#pragma once
// The immediate packet (0xED) that carries a DCC function command for one locomotive
// address: F9 to F12 (function group two), F13 to F20 and F21 to F28 (feature expansion),
// built for sending and understood when another station sends it.

#include "core/loconet/LocoNetMessage.h"

#include <cstdint>

// The bytes of the immediate packet and of the DCC function packets it carries, for the
// link and the simulated station alike.
namespace dcc {
inline constexpr std::uint8_t kImmLength = 0x0B;
inline constexpr std::uint8_t kImmFixed = 0x7F;
inline constexpr std::uint8_t kRepeats = 0x04;          // each packet goes to the track four times
inline constexpr std::uint8_t kFunctionGroupTwo = 0xA0; // DCC 101x DDDD: F9-F12
inline constexpr std::uint8_t kExpansionF13 = 0xDE;     // feature expansion: F13-F20 byte follows
inline constexpr std::uint8_t kExpansionF21 = 0xDF;     // ... F21-F28
inline constexpr std::uint8_t kLongAddress = 0xC0;      // 11AA AAAA: first byte of a long address
} // namespace dcc

// Which functions one packet carries; the bits are in function order from the first
// (F9 = 0x01 ... F12 = 0x08; F13 = 0x01 ... F20 = 0x80; F21 = 0x01 ... F28 = 0x80).
enum class ImmGroup { F9toF12, F13toF20, F21toF28 };

// The first function number of a group (9, 13 or 21).
constexpr int FirstFunction(ImmGroup group) {
    return group == ImmGroup::F9toF12 ? 9 : (group == ImmGroup::F13toF20 ? 13 : 21);
}

// A group's bits within F9 to F28 held in one word (bit n: Fn), bit 0 the group's first.
constexpr std::uint8_t GroupBits(std::uint32_t high, ImmGroup group) {
    const std::uint32_t mask = group == ImmGroup::F9toF12 ? 0x0Fu : 0xFFu;
    return static_cast<std::uint8_t>((high >> FirstFunction(group)) & mask);
}
// `high` with the group's bits replaced by `bits`.
constexpr std::uint32_t WithGroupBits(std::uint32_t high, ImmGroup group, std::uint8_t bits) {
    const std::uint32_t mask = (group == ImmGroup::F9toF12 ? 0x0Fu : 0xFFu) << FirstFunction(group);
    return (high & ~mask) | ((static_cast<std::uint32_t>(bits) << FirstFunction(group)) & mask);
}

// Short address form when `adr2` is 0, long form otherwise. Bits beyond the group are
// ignored. The checksum is left for QueueMessage to fill in.
LocoNetMessage BuildImmFunctions(std::uint8_t adr, std::uint8_t adr2, ImmGroup group,
                                 std::uint8_t bits);
inline LocoNetMessage BuildImmF9toF12(std::uint8_t adr, std::uint8_t adr2, std::uint8_t bits) {
    return BuildImmFunctions(adr, adr2, ImmGroup::F9toF12, bits);
}

struct ImmFunctions {
    bool understood = false;
    ImmGroup group = ImmGroup::F9toF12;
    std::uint8_t adr = 0;
    std::uint8_t adr2 = 0;
    std::uint8_t bits = 0;
    int Address() const { return adr2 * 128 + adr; }
};
using ImmF9toF12 = ImmFunctions;

// Decodes an intact received 0xED message; `understood` is false for any packet that is not
// one of the three function commands.
ImmFunctions DecodeImmFunctions(const LocoNetMessage& message);
// As DecodeImmFunctions, understood only for F9 to F12.
ImmF9toF12 DecodeImmF9toF12(const LocoNetMessage& message);
