#include "core/roster/RosterEditor.h"

#include "core/platform.h"
#include "core/roster/LocoEditor.h"
#include "core/util/Text.h"

#include <algorithm>
#include <utility>

namespace {

constexpr const char* kFunctionIdsUsed = "Doseženo maksimalno število funkcionalnosti!";

// Swaps the selected row with its neighbour `step` away, the selection following it; rows
// before `first` stay. False when it cannot move.
template <typename Table>
bool MoveSelected(Table& table, int count, int& selected, int step, int first) {
    const int target = selected + step;
    if (selected < first || selected >= count || target < first || target >= count)
        return false;
    std::swap(table[static_cast<std::size_t>(selected)], table[static_cast<std::size_t>(target)]);
    selected = target;
    return true;
}

// Removes row `index`, moving every later one up.
template <typename Table> void RemoveAt(Table& table, int& count, int index) {
    auto begin = table.begin();
    std::move(begin + index + 1, begin + count, begin + index);
    table[static_cast<std::size_t>(--count)] = {};
}

} // namespace

RosterEditor::RosterEditor(RosterData& data, Prompts& prompts, LocoDialog locoDialog,
                           FunctionDialog functionDialog)
    : data_(data), prompts_(prompts), locoDialog_(std::move(locoDialog)),
      functionDialog_(std::move(functionDialog)) {}

void RosterEditor::SelectLoco(int index) {
    loco_ = index >= 0 && index < data_.roster.count ? index : -1;
}

void RosterEditor::SelectFunction(int index) {
    function_ = index >= 0 && index < data_.functions.count ? index : -1;
}

int RosterEditor::FreeLocoId() const {
    int id = 0;
    while (data_.roster.FindById(id) >= 0)
        ++id;
    return id;
}

int RosterEditor::FreeFunctionId() const {
    int id = 1;
    while (id < kMaxFunctions && data_.functions.FindById(id) >= 0)
        ++id;
    return id;
}

bool RosterEditor::RosterFull() {
    if (data_.roster.count < Roster::kCapacity)
        return false;
    prompts_.Inform(text::Format("Doseženo maksimalno število lokomotiv! Seznam lahko vsebuje "
                                 "največ %d lokomotiv.",
                                 Roster::kCapacity),
                    PromptIcon::Warning);
    return true;
}

// --- locomotives -------------------------------------------------------------------------

void RosterEditor::NewLoco() {
    if (RosterFull())
        return;
    std::optional<Loco> loco = locoDialog_(LocoEditor::NewLoco(data_.functions));
    if (!loco)
        return;
    loco->Id = FreeLocoId();
    loco_ = data_.roster.count;
    data_.roster.locos[static_cast<std::size_t>(data_.roster.count++)] = std::move(*loco);
    data_.RosterModified = true;
}

bool RosterEditor::EditLocoAt(int index) {
    Loco& stored = data_.roster.locos[static_cast<std::size_t>(index)];
    std::optional<Loco> loco = locoDialog_(stored);
    if (!loco)
        return false;
    loco->Id = stored.Id;
    stored = std::move(*loco);
    data_.RosterModified = true;
    return true;
}

void RosterEditor::EditLoco() {
    if (loco_ >= 0)
        EditLocoAt(loco_);
}

void RosterEditor::CopyLoco() {
    if (loco_ < 0 || RosterFull())
        return;
    const int original = loco_;
    Roster& roster = data_.roster;
    Loco copy = roster.locos[static_cast<std::size_t>(original)];
    copy.Id = FreeLocoId();
    loco_ = roster.count;
    roster.locos[static_cast<std::size_t>(roster.count++)] = std::move(copy);
    if (EditLocoAt(loco_))
        return;
    // A cancelled copy leaves no trace: the roster as it was, the original selected.
    RemoveAt(roster.locos, roster.count, roster.count - 1);
    loco_ = original;
}

void RosterEditor::DeleteLoco() {
    if (loco_ < 0 || !prompts_.YesNo("Ali res želite trajno zbrisati to lokomotivo?"))
        return;
    RemoveAt(data_.roster.locos, data_.roster.count, loco_);
    loco_ = -1;
    data_.RosterModified = true;
}

void RosterEditor::MoveLoco(int step) {
    if (MoveSelected(data_.roster.locos, data_.roster.count, loco_, step, 0))
        data_.RosterModified = true;
}

// --- functions ---------------------------------------------------------------------------

void RosterEditor::NewFunction() {
    FunctionCatalogue& catalogue = data_.functions;
    const int id = FreeFunctionId();
    if (id >= kMaxFunctions) {
        prompts_.Inform(kFunctionIdsUsed, PromptIcon::Warning);
        return;
    }
    if (catalogue.count >= FunctionCatalogue::kCapacity) {
        prompts_.Inform(text::Format("%s Seznam lahko vsebuje največ %d funkcionalnosti.",
                                     kFunctionIdsUsed, FunctionCatalogue::kCapacity),
                        PromptIcon::Warning);
        return;
    }
    FunctionDef fresh;
    fresh.Id = id;
    fresh.Status = 3;
    std::optional<FunctionEdit> edit = functionDialog_(FunctionEdit::Of(fresh));
    if (!edit)
        return;
    FunctionDef function = edit->Applied();
    function.Id = id;
    function_ = catalogue.count;
    catalogue.entries[static_cast<std::size_t>(catalogue.count++)] = function;
    data_.FunctionsModified = true;
    // Only an active status has anything to give the locomotives.
    const bool active = function.Status == 3 || function.Status == 4;
    if (active && data_.roster.count > 0 &&
        prompts_.YesNo("Ali želite uporabiti privzeti status nove funkcionalnosti za vse "
                       "obstoječe lokomotive")) {
        for (int i = 0; i < data_.roster.count; ++i)
            data_.roster.locos[static_cast<std::size_t>(i)]
                .FuncFlags[static_cast<std::size_t>(id)] |= kFuncActive;
        data_.RosterModified = true;
    }
}

void RosterEditor::EditFunction() {
    if (function_ < 0)
        return;
    FunctionDef& stored = data_.functions.entries[static_cast<std::size_t>(function_)];
    std::optional<FunctionEdit> edit = functionDialog_(FunctionEdit::Of(stored));
    if (!edit)
        return;
    FunctionDef function = edit->Applied();
    // The dialog changes neither the Id nor the builtin meaning.
    function.Id = stored.Id;
    function.Builtin = stored.Builtin;
    stored = function;
    data_.FunctionsModified = true;
}

void RosterEditor::DeleteFunction() {
    if (function_ < 0)
        return;
    FunctionCatalogue& catalogue = data_.functions;
    const FunctionDef function = catalogue.entries[static_cast<std::size_t>(function_)];
    if (function.Builtin != 0)
        return;
    if (!prompts_.OkCancel(text::Format(
            "Ali res želite trajno zbrisati funkcionalnost %s? To bo hkkrati izbrisalo vse "
            "funkcijske mape definirane za to funkcionalnost v vseh lokomotivah.",
            function.Name.c_str())))
        return;
    RemoveAt(catalogue.entries, catalogue.count, function_);
    if (function_ >= catalogue.count)
        function_ = catalogue.count - 1;
    data_.FunctionsModified = true;
    if (function.Id < 0 || function.Id >= kMaxFunctions)
        return;
    const auto id = static_cast<std::size_t>(function.Id);
    for (int i = 0; i < data_.roster.count; ++i) {
        Loco& loco = data_.roster.locos[static_cast<std::size_t>(i)];
        loco.FuncFlags[id] = kFuncAuto;
        loco.FuncSequences[id] = FunctionSequences{};
    }
    // The maps are part of the roster: without this the old ones would be saved and read
    // back for a function that no longer exists.
    if (data_.roster.count > 0)
        data_.RosterModified = true;
}

void RosterEditor::MoveFunction(int step) {
    // The default-state function stays first.
    if (MoveSelected(data_.functions.entries, data_.functions.count, function_, step, 1))
        data_.FunctionsModified = true;
}

// --- the lists ---------------------------------------------------------------------------

std::vector<std::array<std::string, 4>> RosterEditor::LocoRows() const {
    std::vector<std::array<std::string, 4>> rows;
    const DecoderTable& decoders = data_.decoders;
    for (int i = 0; i < data_.roster.count; ++i) {
        const Loco& l = data_.roster.locos[static_cast<std::size_t>(i)];
        const bool valid = l.SoundDecoder >= 0 && l.SoundDecoder < decoders.count;
        const SoundDecoderType* type =
            valid ? &decoders.rows[static_cast<std::size_t>(l.SoundDecoder)] : nullptr;
        rows.push_back({l.Descr, std::to_string(l.MotorAddr), type ? type->NameSl : "???",
                        type && type->Type == 2 ? std::to_string(l.SoundAddr) : "---"});
    }
    return rows;
}

std::vector<RosterEditor::FunctionRow> RosterEditor::FunctionRows() const {
    std::vector<FunctionRow> rows;
    for (int i = 0; i < data_.functions.count; ++i) {
        const FunctionDef& f = data_.functions.entries[static_cast<std::size_t>(i)];
        FunctionRow row;
        row.image = f.Id < 0 ? 5 : std::clamp(f.Status, 0, 4);
        row.columns = {f.Name, LongName[BuiltinIndex(f.Builtin)], KeyText(f, "brez")};
        rows.push_back(std::move(row));
    }
    return rows;
}
