#pragma once
// The function keys of a realistic throttle and what they switch. The thirteen keys F0 to
// F12 form one key state; the catalogue and the locomotive's function map turn it into
// catalogue functions that are on or off, and those into the decoder functions of the
// motor and the sound decoder. Built-in functions that act on the train (cars, load, brake
// type, engine) are reported back for the throttle to carry out.

#include <cstdint>

struct FunctionCatalogue;
struct FunctionDef;
struct Loco;
struct SoundDecoderType;

// What one calculation asks of the throttle besides sending the decoder words.
struct OutputEvents {
    int carsSteps = 0;    // the number-of-cars list moves on this many entries
    int loadSteps = 0;    // the car load list likewise
    int brakeToggles = 0; // the brake type switches this many times
    int engine = -1;      // the engine was switched on (1) or off (0); -1 unchanged
};

class FunctionOutputs {
public:
    static constexpr int kKeyCount = 13;
    static constexpr std::uint8_t kNothingSeen = 0x80;

    // The catalogue function takes part on this locomotive.
    static bool TakesPart(const FunctionDef& f, const Loco& loco);
    // The locomotive uses the catalogue and its engine on/off function takes part.
    static bool EngineFeature(const Loco& loco, const FunctionCatalogue& catalogue);
    // The catalogue Id of the engine on/off function, -1 when there is none.
    static int EngineId(const FunctionCatalogue& catalogue);

    // Decoder function bits of a word in the layouts of the slot commands.
    static std::uint8_t F0toF4(std::uint32_t word);  // F0 = 0x10, F1 = 0x01 .. F4 = 0x08
    static std::uint8_t F5toF8(std::uint32_t word);  // F5 = 0x01 .. F8 = 0x08
    static std::uint8_t F9toF12(std::uint32_t word); // F9 = 0x01 .. F12 = 0x08

    // The keys a locomotive starts with: those of its functions that start switched on.
    void LoadInitialKeys(const Loco& loco, const FunctionCatalogue& catalogue);
    // F0 to F8 from a hand-held throttle's slot bytes; F9 to F12 stay.
    void TakeKeysFromSlot(std::uint8_t dirf, std::uint8_t snd);
    void SetKey(int key, bool on);
    // Toggles the keys F9 to F12 whose bits are set (F9 = 0x01).
    void ToggleF9toF12(std::uint8_t bits);
    bool Key(int key) const;

    // Turns the keys into catalogue functions and decoder words. The volume keys of a sound
    // decoder stepped by keys keep their old state: they belong to the level stepping.
    OutputEvents Calculate(const Loco& loco, const FunctionCatalogue& catalogue,
                           const SoundDecoderType& decoder, bool engineFeature);

    std::uint32_t iFunctionKeys = 0;
    std::uint32_t iFunctionKeysChanged = 0;
    std::uint32_t iFunctionOutputs = 0;
    std::uint32_t iMotorFunctions = 0;
    std::uint32_t iSoundFunctions = 0;
    // The words before the last calculation.
    std::uint32_t oldMotorFunctions = 0;
    std::uint32_t oldSoundFunctions = 0;

private:
    void ChangeKeys(std::uint32_t keys);
};
