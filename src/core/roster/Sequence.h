#pragma once
// Function switching sequences: decoder function commands that a function map entry
// carries out when a function is switched on (index 1) or off (index 0).

#include <array>
#include <cstdint>

// Bits 0..4 function number (0..12), bit 5 sound decoder, bits 8..9 state code
// (0 "-", 1 "F", 2 "B", 3 "+").
using SequenceCommand = std::uint16_t;

struct FunctionSequences {
    static constexpr int kMaxCommands = 10;
    std::array<std::int32_t, 2> count{0, 0};
    std::array<std::array<SequenceCommand, kMaxCommands>, 2> commands{};
    bool operator==(const FunctionSequences&) const = default;
};
