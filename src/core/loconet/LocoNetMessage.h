#pragma once
// One LocoNet message: a length and up to 32 bytes (opcode, data, checksum), by value.

#include <array>
#include <cstdint>
#include <initializer_list>

enum class Opcode : std::uint8_t {
    OPC_BUSY = 0x81,
    OPC_GPOFF = 0x82,
    OPC_GPON = 0x83,
    OPC_IDLE = 0x85,
    OPC_LOCO_SPD = 0xA0,
    OPC_LOCO_DIRF = 0xA1,
    OPC_LOCO_SND = 0xA2,
    OPC_SW_REQ = 0xB0,
    OPC_SW_REP = 0xB1,
    OPC_INPUT_REP = 0xB2,
    OPC_LONG_ACK = 0xB4,
    OPC_SLOT_STAT1 = 0xB5,
    OPC_MOVE_SLOTS = 0xBA,
    OPC_RQ_SL_DATA = 0xBB,
    OPC_SW_STATE = 0xBC,
    OPC_SW_ACK = 0xBD,
    OPC_LOCO_ADR = 0xBF,
    OPC_PEER_XFER = 0xE5,
    OPC_SL_RD_DATA = 0xE7,
    OPC_IMM_PACKET = 0xED,
    OPC_WR_SL_DATA = 0xEF,
};

// The length byte of a slot data message (0xE7, 0xEF): the whole message, 14 bytes.
inline constexpr std::uint8_t kSlotDataLength = 0x0E;

// The second byte of a long acknowledge (0xB4): the opcode answered, without its top bit.
constexpr std::uint8_t LongAckCode(Opcode answered) {
    return static_cast<std::uint8_t>(static_cast<std::uint8_t>(answered) & 0x7F);
}

struct LocoNetMessage {
    static constexpr std::uint32_t kCapacity = 32;

    std::uint32_t length = 0;
    std::array<std::uint8_t, kCapacity> bytes{};

    LocoNetMessage() = default;
    // The given bytes, checksum position included (as the caller leaves it).
    LocoNetMessage(std::initializer_list<std::uint8_t> data) {
        for (std::uint8_t b : data)
            if (length < kCapacity)
                bytes[length++] = b;
    }

    std::uint8_t Opcode() const { return bytes[0]; }
    bool operator==(const LocoNetMessage& other) const = default;
};

// Length that the opcode's bits 7..5 give: 2, 4 or 6 bytes, or 0 for variable length (where
// byte 1 holds the total). Bytes without bit 7 fall in the variable class too.
constexpr std::uint32_t ExpectedLength(std::uint8_t opcode) {
    switch (opcode & 0xE0) {
    case 0x80:
        return 2;
    case 0xA0:
        return 4;
    case 0xC0:
        return 6;
    default:
        return 0;
    }
}

// The checksum byte for the first `count` bytes: complement of their XOR.
constexpr std::uint8_t Checksum(const std::uint8_t* data, std::uint32_t count) {
    std::uint8_t x = 0;
    for (std::uint32_t i = 0; i < count; ++i)
        x ^= data[i];
    return static_cast<std::uint8_t>(~x);
}

// True when the XOR of all bytes, checksum included, is 0xFF.
inline bool IsIntact(const LocoNetMessage& m) {
    if (m.length == 0 || m.length > LocoNetMessage::kCapacity)
        return false;
    std::uint8_t x = 0;
    for (std::uint32_t i = 0; i < m.length; ++i)
        x ^= m.bytes[i];
    return x == 0xFF;
}
