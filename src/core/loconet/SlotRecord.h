#pragma once
// One command-station slot as the link mirrors it: the eleven slot bytes in wire order
// (bytes 2 to 12 of a slot data message), whether slot data for it was ever seen, and
// F9 to F28, which no slot byte holds: the immediate packets sent or seen for its address
// set them.

#include <cstdint>

struct SlotRecord {
    bool valid = false;
    std::uint8_t SLOT = 0;
    std::uint8_t STAT1 = 0;
    std::uint8_t ADR = 0;
    std::uint8_t SPD = 0;
    std::uint8_t DIRF = 0;
    std::uint8_t TRK = 0;
    std::uint8_t SS2 = 0;
    std::uint8_t ADR2 = 0;
    std::uint8_t SND = 0;
    std::uint8_t ID1 = 0;
    std::uint8_t ID2 = 0;
    std::uint32_t high = 0; // F9 to F28, bit n: Fn

    int Address() const { return ADR2 * 128 + ADR; }
    // The slot bytes alike (F9 to F28 and `valid` aside).
    bool SameBytes(const SlotRecord& o) const {
        return SLOT == o.SLOT && STAT1 == o.STAT1 && ADR == o.ADR && SPD == o.SPD &&
               DIRF == o.DIRF && TRK == o.TRK && SS2 == o.SS2 && ADR2 == o.ADR2 && SND == o.SND &&
               ID1 == o.ID1 && ID2 == o.ID2;
    }
};

// Bits of the slot bytes, named once so that no mask is repeated across the link.
namespace slotbits {
inline constexpr std::uint8_t kStat1Consist = 0x40; // linked up into a consist
inline constexpr std::uint8_t kStat1Busy = 0x20;    // slot in use
// The slot's activity: the two bits BUSY and ACTIVE together.
inline constexpr std::uint8_t kStat1StateMask = 0x30;
inline constexpr std::uint8_t kStat1Free = 0x00;
inline constexpr std::uint8_t kStat1Common = 0x10;
inline constexpr std::uint8_t kStat1Idle = 0x20;
inline constexpr std::uint8_t kStat1InUse = 0x30;
inline constexpr std::uint8_t kDirfBackward = 0x20;
inline constexpr std::uint8_t kDirfF0 = 0x10;
inline constexpr std::uint8_t kDirfF1toF4 = 0x0F; // F1 = 0x01 ... F4 = 0x08
inline constexpr std::uint8_t kDirfFunctions = 0x1F;
inline constexpr std::uint8_t kSndF5toF8 = 0x0F; // F5 = 0x01 ... F8 = 0x08
inline constexpr std::uint8_t kSndKeep = 0x70;   // bits of SND that F5-F8 commands keep
inline constexpr std::uint8_t kSpeedEmergency = 1;
inline constexpr std::uint8_t kTrkPower = 0x01; // the track has power (any slot's TRK byte)
} // namespace slotbits

// Slot numbers: 0 to 127 on the wire, -1 for none.
inline constexpr int kSlotCount = 128;
inline constexpr int kNoSlot = -1;
inline constexpr bool IsSlotNumber(int slot) {
    return slot >= 0 && slot < kSlotCount;
}
