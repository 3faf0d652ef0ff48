#pragma once
// Function switching sequences: decoder function commands that a function map entry
// carries out when a function is switched on (index 1) or off (index 0).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class Prompts;

// Bits 0..4 function number (0..12), bit 5 sound decoder, bits 8..9 state code
// (0 "-", 1 "F", 2 "B", 3 "+").
using SequenceCommand = std::uint16_t;

struct FunctionSequences {
    static constexpr int kMaxCommands = 10;
    std::array<std::int32_t, 2> count{0, 0};
    std::array<std::array<SequenceCommand, kMaxCommands>, 2> commands{};
    bool operator==(const FunctionSequences&) const = default;
};

inline constexpr int kSequenceOff = 0;
inline constexpr int kSequenceOn = 1;

namespace sequence {
inline constexpr SequenceCommand kNumberMask = 0x1F;
inline constexpr SequenceCommand kSoundDecoderBit = 0x20;
inline constexpr int kStateShift = 8;
inline constexpr SequenceCommand kStateMask = 0x300;
inline constexpr int kStateOff = 0; // "-"
inline constexpr int kStateF = 1;   // "F"
inline constexpr int kStateB = 2;   // "B"
inline constexpr int kStateOn = 3;  // "+"
inline constexpr int kMaxFunctionNumber = 12;

constexpr SequenceCommand MakeCommand(bool soundDecoder, int number, int state) {
    return static_cast<SequenceCommand>((soundDecoder ? kSoundDecoderBit : 0) |
                                        (number & kNumberMask) | ((state & 3) << kStateShift));
}
constexpr int Number(SequenceCommand c) {
    return c & kNumberMask;
}
constexpr bool IsSound(SequenceCommand c) {
    return (c & kSoundDecoderBit) != 0;
}
constexpr int State(SequenceCommand c) {
    return (c & kStateMask) >> kStateShift;
}
} // namespace sequence

// Takes the next item of a comma-separated text (a sequence, a speed table) from the front
// of `rest`: the text up to the first comma with trailing white space cut; leading white
// space stays in the item and in the rest.
std::string_view TakeListItem(std::string_view& rest);

enum class SequenceError { None, InvalidDecoder, JustDecoder, InvalidState, InvalidNumber };

// What went wrong in a sequence text, with what the messages report.
struct SequenceParseError {
    SequenceError error = SequenceError::None;
    int commandNumber = 0;  // 1-based number of the failing command
    std::string character;  // the offending character (a whole UTF-8 character)
    std::string numberText; // the command without its first and last characters
};

// Empties sequence `index` of `sequences` and fills it from `text`; `lenient` also takes
// small letters for the decoder and the states F and B. After an error the commands
// before the failing one stay.
SequenceParseError ParseSequenceText(std::string_view text, int index, FunctionSequences& sequences,
                                     bool lenient);

enum class SequenceParseOutcome { Accepted, EditAgain, Revert };

// The function map dialog's parse: a fault is shown with OK (edit again) and Cancel
// (revert).
SequenceParseOutcome ParseSequence(std::string_view text, int index, FunctionSequences& sequences,
                                   Prompts& prompts);

// The roster file's parse: a fault is shown with the line number of Roster.tab; returns
// false when there was one.
bool ParseSequenceFromFile(std::string_view text, int index, FunctionSequences& sequences,
                           Prompts& prompts, int lineNumber);

// The messages of both variants.
std::string InteractiveSequenceMessage(const SequenceParseError& error);
std::string FileSequenceMessage(const SequenceParseError& error, int lineNumber);

// The normalized text of sequence `index`: capitals, no spaces, no leading zeros.
std::string FormatSequence(const FunctionSequences& sequences, int index);

// Overwrites the switch-off sequence with the mirror image of the switch-on sequence.
void DeriveOffSequence(FunctionSequences& sequences);

// Carries out sequence `index`: each command sets ("+", "F", "B") or clears ("-") bit
// <number> of the motor or sound decoder's function word, in order.
void ApplySequence(const FunctionSequences& sequences, int index, std::uint32_t& motorFunctions,
                   std::uint32_t& soundFunctions);
