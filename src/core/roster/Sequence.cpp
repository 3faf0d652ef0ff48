#include "core/roster/Sequence.h"

#include "core/platform.h"
#include "core/util/Text.h"

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The whole UTF-8 character at the front or the back, so that a message never shows half
// of a letter such as "Š".
std::string FirstCharacter(std::string_view s) {
    std::size_t n = 1;
    while (n < s.size() && n < 4 && IsContinuation(s[n]))
        ++n;
    return std::string(s.substr(0, n));
}

std::string LastCharacter(std::string_view s) {
    std::size_t start = s.size() - 1;
    while (start > 0 && s.size() - start < 4 && IsContinuation(s[start]))
        --start;
    return std::string(s.substr(start));
}

int DecoderOf(char c, bool lenient) {
    if (c == 'M' || (lenient && c == 'm'))
        return 0;
    if (c == 'S' || (lenient && c == 's'))
        return 1;
    return -1;
}

int StateOf(char c, bool lenient) {
    if (c == 'F' || (lenient && c == 'f'))
        return sequence::kStateF;
    if (c == 'B' || (lenient && c == 'b'))
        return sequence::kStateB;
    if (c == '+')
        return sequence::kStateOn;
    if (c == '-')
        return sequence::kStateOff;
    return -1;
}

int Slot(int index) {
    return index != 0 ? 1 : 0;
}

} // namespace

std::string_view TakeListItem(std::string_view& rest) {
    std::size_t comma = rest.find(',');
    std::string_view item = comma == std::string_view::npos ? rest : rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    return text::TrimRight(item);
}

SequenceParseError ParseSequenceText(std::string_view text, int index, FunctionSequences& sequences,
                                     bool lenient) {
    const int slot = Slot(index);
    auto& count = sequences.count[static_cast<std::size_t>(slot)];
    auto& commands = sequences.commands[static_cast<std::size_t>(slot)];
    count = 0;
    std::string_view rest = text;
    std::string_view command = TakeListItem(rest);
    while (!command.empty() && count < FunctionSequences::kMaxCommands) {
        SequenceParseError fault;
        fault.commandNumber = count + 1;
        int decoder = DecoderOf(command.front(), lenient);
        if (decoder < 0) {
            fault.error = SequenceError::InvalidDecoder;
            fault.character = FirstCharacter(command);
            return fault;
        }
        command.remove_prefix(1);
        if (command.empty()) {
            fault.error = SequenceError::JustDecoder;
            return fault;
        }
        int state = StateOf(command.back(), lenient);
        if (state < 0) {
            fault.error = SequenceError::InvalidState;
            fault.character = LastCharacter(command);
            return fault;
        }
        command.remove_suffix(1);
        int number = text::ParseInt(command);
        if (number < 0 || number > sequence::kMaxFunctionNumber) {
            fault.error = SequenceError::InvalidNumber;
            fault.numberText = std::string(command);
            return fault;
        }
        commands[static_cast<std::size_t>(count++)] =
            sequence::MakeCommand(decoder == 1, number, state);
        command = TakeListItem(rest);
    }
    return {};
}

std::string InteractiveSequenceMessage(const SequenceParseError& e) {
    switch (e.error) {
    case SequenceError::None:
        return {};
    case SequenceError::InvalidDecoder:
        return text::Format("Napaka v ukazu %d: Napačna oznaka dekoderja '%s'! Ali želite "
                            "popraviti podatke?",
                            e.commandNumber, e.character.c_str());
    case SequenceError::JustDecoder:
        return text::Format("Napaka v ukazu %d: Komanda s samo oznako dekoderja! Ali želite "
                            "popraviti podatke?",
                            e.commandNumber);
    case SequenceError::InvalidState:
        return text::Format("Napaka v ukazu %d: Neveljavna koda statusa '%s'! Ali želite "
                            "popraviti podatke?",
                            e.commandNumber, e.character.c_str());
    case SequenceError::InvalidNumber:
        return text::Format("Napaka v ukazu %d: Neveljavna številka funkcije '%s'! Ali želite "
                            "popraviti podatke?",
                            e.commandNumber, e.numberText.c_str());
    }
    return {};
}

std::string FileSequenceMessage(const SequenceParseError& e, int line) {
    switch (e.error) {
    case SequenceError::None:
        return {};
    case SequenceError::InvalidDecoder:
        return text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: Neveljavena koda "
                            "dekoderja  '%s' v sekvenci!",
                            line, e.character.c_str());
    case SequenceError::JustDecoder:
        return text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: Komanda s samo "
                            "dekoderjevo kodo v sekvenci!",
                            line);
    case SequenceError::InvalidState:
        return text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: Neveljavna koda "
                            "stanja funkcije '%s' v sekvenci!",
                            line, e.character.c_str());
    case SequenceError::InvalidNumber:
        return text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: Neveljavna številka "
                            "funkcije '%s' v sekvenci!",
                            line, e.numberText.c_str());
    }
    return {};
}

SequenceParseOutcome ParseSequence(std::string_view text, int index, FunctionSequences& sequences,
                                   Prompts& prompts) {
    SequenceParseError fault = ParseSequenceText(text, index, sequences, true);
    if (fault.error == SequenceError::None)
        return SequenceParseOutcome::Accepted;
    return prompts.OkCancel(InteractiveSequenceMessage(fault), PromptIcon::Warning)
               ? SequenceParseOutcome::EditAgain
               : SequenceParseOutcome::Revert;
}

bool ParseSequenceFromFile(std::string_view text, int index, FunctionSequences& sequences,
                           Prompts& prompts, int lineNumber) {
    SequenceParseError fault = ParseSequenceText(text, index, sequences, false);
    if (fault.error == SequenceError::None)
        return true;
    prompts.Inform(FileSequenceMessage(fault, lineNumber), PromptIcon::Warning);
    return false;
}

namespace {
int ValidCount(const FunctionSequences& s, int slot) {
    int n = s.count[static_cast<std::size_t>(slot)];
    return n < 0 ? 0 : (n > FunctionSequences::kMaxCommands ? FunctionSequences::kMaxCommands : n);
}
} // namespace

std::string FormatSequence(const FunctionSequences& sequences, int index) {
    static constexpr char kStateLetters[4] = {'-', 'F', 'B', '+'};
    const int slot = Slot(index);
    std::string out;
    for (int i = 0; i < ValidCount(sequences, slot); ++i) {
        SequenceCommand c =
            sequences.commands[static_cast<std::size_t>(slot)][static_cast<std::size_t>(i)];
        if (!out.empty())
            out += ',';
        out += sequence::IsSound(c) ? 'S' : 'M';
        out += std::to_string(sequence::Number(c));
        out += kStateLetters[sequence::State(c)];
    }
    return out;
}

void DeriveOffSequence(FunctionSequences& sequences) {
    const int n = ValidCount(sequences, kSequenceOn);
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
        SequenceCommand on = sequences.commands[kSequenceOn][i];
        int state =
            sequence::State(on) == sequence::kStateOff ? sequence::kStateOn : sequence::kStateOff;
        sequences.commands[kSequenceOff][i] =
            sequence::MakeCommand(sequence::IsSound(on), sequence::Number(on), state);
    }
    sequences.count[kSequenceOff] = n;
}

void ApplySequence(const FunctionSequences& sequences, int index, std::uint32_t& motorFunctions,
                   std::uint32_t& soundFunctions) {
    const int slot = Slot(index);
    for (int i = 0; i < ValidCount(sequences, slot); ++i) {
        SequenceCommand c =
            sequences.commands[static_cast<std::size_t>(slot)][static_cast<std::size_t>(i)];
        std::uint32_t& word = sequence::IsSound(c) ? soundFunctions : motorFunctions;
        std::uint32_t bit = 1u << sequence::Number(c);
        if (sequence::State(c) == sequence::kStateOff)
            word &= ~bit;
        else
            word |= bit;
    }
}
