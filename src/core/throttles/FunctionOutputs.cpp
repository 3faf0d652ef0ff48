#include "core/throttles/FunctionOutputs.h"

#include "core/roster/DecoderTable.h"
#include "core/roster/FunctionCatalogue.h"
#include "core/roster/Loco.h"
#include "core/roster/Sequence.h"

namespace {

constexpr std::uint32_t kThrottleKeys = 0x1FF; // F0 to F8, the keys a slot carries
constexpr int kFirstImmediateKey = 9;

// A key number that a catalogue entry may name; anything else is no key.
bool IsKey(int key) {
    return key >= 0 && key < FunctionOutputs::kKeyCount;
}

bool IsFunctionId(int id) {
    return id >= 0 && id < kMaxFunctions;
}

std::uint32_t Bit(int n) {
    return 1u << n;
}

const FunctionDef& Entry(const FunctionCatalogue& catalogue, int i) {
    return catalogue.entries[static_cast<std::size_t>(i)];
}

// The volume key `function` of `word` takes its state from `old`.
void KeepBit(std::uint32_t& word, std::uint32_t old, int function) {
    if (function < 0 || function > 31)
        return;
    word = (word & ~Bit(function)) | (old & Bit(function));
}

} // namespace

bool FunctionOutputs::TakesPart(const FunctionDef& f, const Loco& loco) {
    if (!IsFunctionId(f.Id) || f.Status <= 1)
        return false;
    return f.Status == 4 || (loco.FuncFlags[static_cast<std::size_t>(f.Id)] & kFuncActive) != 0;
}

int FunctionOutputs::EngineId(const FunctionCatalogue& catalogue) {
    const int i = catalogue.FindByBuiltin(builtin::kMotor);
    return i < 0 ? -1 : Entry(catalogue, i).Id;
}

bool FunctionOutputs::EngineFeature(const Loco& loco, const FunctionCatalogue& catalogue) {
    const int i = catalogue.FindByBuiltin(builtin::kMotor);
    return loco.Advanced != 0 && i >= 0 && TakesPart(Entry(catalogue, i), loco);
}

std::uint8_t FunctionOutputs::F0toF4(std::uint32_t word) {
    return static_cast<std::uint8_t>(((word & 0x01) << 4) | ((word >> 1) & 0x0F));
}

std::uint8_t FunctionOutputs::F5toF8(std::uint32_t word) {
    return static_cast<std::uint8_t>((word >> 5) & 0x0F);
}

std::uint8_t FunctionOutputs::F9toF12(std::uint32_t word) {
    return static_cast<std::uint8_t>((word >> kFirstImmediateKey) & 0x0F);
}

void FunctionOutputs::ChangeKeys(std::uint32_t keys) {
    iFunctionKeysChanged = iFunctionKeys ^ keys;
    iFunctionKeys = keys;
}

void FunctionOutputs::LoadInitialKeys(const Loco& loco, const FunctionCatalogue& catalogue) {
    iFunctionKeys = 0;
    for (int i = 0; i < catalogue.count; ++i) {
        const FunctionDef& f = Entry(catalogue, i);
        if (IsKey(f.Fkey) && TakesPart(f, loco) &&
            (loco.FuncFlags[static_cast<std::size_t>(f.Id)] & kFuncInitialOn) != 0)
            iFunctionKeys |= Bit(f.Fkey);
    }
}

void FunctionOutputs::TakeKeysFromSlot(std::uint8_t dirf, std::uint8_t snd) {
    const std::uint32_t fromSlot =
        ((dirf >> 4) & 0x01) | ((dirf & 0x0Fu) << 1) | ((snd & 0x0Fu) << 5);
    ChangeKeys((iFunctionKeys & ~kThrottleKeys) | fromSlot);
}

void FunctionOutputs::SetKey(int key, bool on) {
    if (!IsKey(key))
        return;
    ChangeKeys(on ? iFunctionKeys | Bit(key) : iFunctionKeys & ~Bit(key));
}

void FunctionOutputs::ToggleF9toF12(std::uint8_t bits) {
    ChangeKeys(iFunctionKeys ^ (static_cast<std::uint32_t>(bits & 0x0F) << kFirstImmediateKey));
}

bool FunctionOutputs::Key(int key) const {
    return IsKey(key) && (iFunctionKeys & Bit(key)) != 0;
}

OutputEvents FunctionOutputs::Calculate(const Loco& loco, const FunctionCatalogue& catalogue,
                                        const SoundDecoderType& decoder, bool engineFeature) {
    OutputEvents events;
    const std::uint32_t oldOutputs = iFunctionOutputs;
    for (int i = 0; i < catalogue.count; ++i) {
        const FunctionDef& f = Entry(catalogue, i);
        const bool keyChanged = IsKey(f.Fkey) && (iFunctionKeysChanged & Bit(f.Fkey)) != 0;
        if (f.Id >= 0) {
            // A function without a key keeps its state.
            if (IsKey(f.Fkey) && TakesPart(f, loco))
                iFunctionOutputs = (iFunctionOutputs & ~Bit(f.Id)) |
                                   ((iFunctionKeys & Bit(f.Fkey)) != 0 ? Bit(f.Id) : 0);
        } else if (keyChanged) {
            // The train's own functions act on each press, whatever their status.
            events.carsSteps += f.Builtin == builtin::kNumberOfCars;
            events.loadSteps += f.Builtin == builtin::kCarLoad;
            events.brakeToggles += f.Builtin == builtin::kBrakeType;
        }
    }
    iFunctionKeysChanged = 0;
    oldMotorFunctions = iMotorFunctions;
    oldSoundFunctions = iSoundFunctions;
    iMotorFunctions = iSoundFunctions = 0;
    iFunctionOutputs |= 1u; // the default state is always on
    const std::uint32_t changedOutputs = oldOutputs ^ iFunctionOutputs;

    if (loco.Advanced != 0) {
        // Every function's current sequence runs, in catalogue order; later ones win.
        for (int i = 0; i < catalogue.count; ++i) {
            const FunctionDef& f = Entry(catalogue, i);
            if (!IsFunctionId(f.Id) || !TakesPart(f, loco))
                continue;
            const bool on = (iFunctionOutputs & Bit(f.Id)) != 0;
            ApplySequence(loco.FuncSequences[static_cast<std::size_t>(f.Id)],
                          on ? kSequenceOn : kSequenceOff, iMotorFunctions, iSoundFunctions);
            if (f.Builtin == builtin::kMotor && engineFeature && (changedOutputs & Bit(f.Id)) != 0)
                events.engine = on ? 1 : 0;
        }
    } else {
        // Without the function map the keys go straight through to both decoders.
        iMotorFunctions = iSoundFunctions = iFunctionKeys;
    }

    if (decoder.Type > 0 && decoder.FuncStepped != 0) {
        std::uint32_t& word = decoder.Type == 2 ? iSoundFunctions : iMotorFunctions;
        const std::uint32_t old = decoder.Type == 2 ? oldSoundFunctions : oldMotorFunctions;
        KeepBit(word, old, loco.FuncUp);
        KeepBit(word, old, loco.FuncDown);
    }
    return events;
}
