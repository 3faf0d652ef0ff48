#pragma once
// One locomotive of the roster.

#include "core/roster/Sequence.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr int kMaxFunctions = 30;

enum FunctionMapFlags : std::uint8_t {
    kFuncActive = 0x01,
    kFuncInitialOn = 0x02,
    kFuncAuto = 0x04,
};

struct Loco {
    int Id = 0;
    std::string Descr;
    int MotorAddr = 0;
    int SoundAddr = 0;
    int Axels = 0;
    double Power = 0.0;
    double Weight = 0.0;
    int PowerDelay = 0;
    int DynBrakeDelay = 0;
    int DynBrakePowerStep = 0;
    int CompressorPowerStep = 0;
    int SoundDecoder = 0;
    int UseDecoderDefaults = 0;
    int Advanced = 0;
    int InitialBrakeType = 0;
    std::array<int, 10> SoundSpeedTable{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    int FuncUp = 0;
    int FuncDown = 0;
    // Per function Id 0..29: flags and sequences form that function's map entry.
    std::array<std::uint8_t, kMaxFunctions> FuncFlags{};
    std::array<FunctionSequences, kMaxFunctions> FuncSequences{};

    Loco() {
        FuncFlags.fill(kFuncAuto);
        FuncFlags[0] = kFuncActive | kFuncInitialOn | kFuncAuto;
    }
    bool operator==(const Loco&) const = default;
};
