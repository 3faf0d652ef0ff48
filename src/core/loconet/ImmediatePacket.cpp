#include "core/loconet/ImmediatePacket.h"

namespace {
constexpr std::uint8_t kImmLength = 0x0B;
constexpr std::uint8_t kImmFixed = 0x7F;
constexpr std::uint8_t kRepsShort = 0x24;        // 2 packet bytes, 4 repeats
constexpr std::uint8_t kRepsLong = 0x34;         // 3 packet bytes, 4 repeats
constexpr std::uint8_t kFunctionGroupTwo = 0x20; // DCC 101x: F9-F12, bit 7 travels in DHI
} // namespace

LocoNetMessage BuildImmF9toF12(std::uint8_t adr, std::uint8_t adr2, std::uint8_t bits) {
    const std::uint8_t f = bits & 0x0F;
    LocoNetMessage m;
    m.length = kImmLength;
    m.bytes[0] = static_cast<std::uint8_t>(Opcode::OPC_IMM_PACKET);
    m.bytes[2] = kImmFixed;
    if (adr2 == 0) {
        m.bytes[3] = kRepsShort;
        m.bytes[4] = 0x02;
        m.bytes[5] = adr & 0x7F;
        m.bytes[6] = kFunctionGroupTwo | f;
    } else {
        m.bytes[3] = kRepsLong;
        m.bytes[4] = static_cast<std::uint8_t>(0x05 | ((adr2 & 0x01) != 0 ? 0x02 : 0x00));
        m.bytes[5] = static_cast<std::uint8_t>(0x40 | ((adr2 & 0x7F) >> 1));
        m.bytes[6] = adr & 0x7F;
        m.bytes[7] = kFunctionGroupTwo | f;
    }
    return m;
}

ImmF9toF12 DecodeImmF9toF12(const LocoNetMessage& m) {
    ImmF9toF12 r;
    if (m.length < kImmLength || m.bytes[1] != kImmLength || m.bytes[2] != kImmFixed)
        return r;
    const std::uint8_t reps = m.bytes[3];
    const std::uint8_t dhi = m.bytes[4];
    if ((reps & 0xF0) == 0x20) {
        r.understood = true;
        r.adr = m.bytes[5];
        r.adr2 = 0;
        r.bits = m.bytes[6] & 0x0F;
    } else if ((reps & 0xF0) == 0x30) {
        r.understood = true;
        r.adr = m.bytes[6];
        r.adr2 =
            static_cast<std::uint8_t>(((m.bytes[5] & 0x3F) << 1) | ((dhi & 0x02) != 0 ? 1 : 0));
        r.bits = m.bytes[7] & 0x0F;
    }
    return r;
}
