#include "core/roster/RosterFunctionField.h"

#include "core/platform.h"
#include "core/roster/FunctionCatalogue.h"
#include "core/roster/Loco.h"
#include "core/util/Text.h"

namespace {

void Report(Prompts& prompts, const std::string& message, bool& modified) {
    prompts.Inform(message, PromptIcon::Warning);
    modified = true;
}

} // namespace

void ReadFunctionField(const std::string& field, Loco& loco, const FunctionCatalogue& catalogue,
                       Prompts& prompts, int line, bool& modified) {
    // Small letters in the sequences read as capitals: the whole field is capitalised.
    const std::string f = text::ToUpperAscii(field).substr(1);
    const std::size_t open = f.find('[');
    const int id = text::ParseInt(std::string_view(f).substr(0, open));
    if (id < 0 || id >= kMaxFunctions) {
        Report(prompts,
               text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: Neveljaven ID %d "
                            "funkcionalnosti! Funkcionalnost ne bo upoštevana ne bo upoštevana.",
                            line, id),
               modified);
        return;
    }
    const FunctionDef* def = catalogue.ById(id);
    if (def == nullptr) {
        Report(prompts,
               text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: Neznana ID "
                            "funkcionalnosti %d!",
                            line, id),
               modified);
        return;
    }
    const auto slot = static_cast<std::size_t>(id);
    std::uint8_t flags = 0;
    if (open != std::string::npos)
        for (std::size_t k = 0; k < 3 && open + 1 + k < f.size(); ++k)
            if (f[open + 1 + k] == '1')
                flags = static_cast<std::uint8_t>(flags | (1u << k));
    if (id == 0)
        flags |= kFuncActive | kFuncInitialOn;
    loco.FuncFlags[slot] = flags;
    // A field defines its map entry whole: a second field for the same function in a row
    // must not leave sequences of the first behind (they would not match its flags).
    loco.FuncSequences[slot] = FunctionSequences{};

    // Without a closing bracket the sequences are taken to follow the three flag digits; the
    // field is reported, so that the mended row is offered for saving.
    std::size_t close = f.find(']', open == std::string::npos ? 0 : open);
    if (close == std::string::npos)
        Report(prompts,
               text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: V polju funkcionalnosti "
                            "%d manjka zaklepaj ']'!",
                            line, id),
               modified);
    std::size_t start = close != std::string::npos  ? close + 1
                        : open != std::string::npos ? std::min(open + 4, f.size())
                                                    : f.size();
    std::string_view sequences = std::string_view(f).substr(start);
    std::size_t bar = sequences.find('|');
    std::string_view onText = text::Trim(sequences.substr(0, bar));
    std::string_view offText =
        bar == std::string_view::npos ? std::string_view() : text::Trim(sequences.substr(bar + 1));
    if (onText.empty() && offText.empty())
        return;
    if (!IsMapAllowed(def->Builtin)) {
        Report(prompts,
               text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: Funkcijska mapa ne more "
                            "biti definirana za vhodno funkcijo %d!",
                            line, id),
               modified);
        return;
    }
    FunctionSequences& seq = loco.FuncSequences[slot];
    if (!ParseSequenceFromFile(offText, kSequenceOff, seq, prompts, line))
        modified = true;
    if (!ParseSequenceFromFile(onText, kSequenceOn, seq, prompts, line))
        modified = true;
    if (flags & kFuncAuto)
        DeriveOffSequence(seq);
}
