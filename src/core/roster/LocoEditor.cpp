#include "core/roster/LocoEditor.h"

#include "core/platform.h"
#include "core/roster/FunctionsFile.h"
#include "core/util/Fields.h"
#include "core/util/Text.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kMissingType = "Fatalna Napaka! Izbrani tip zvočnega dekoderja ne obstaja!";
constexpr const char* kNoName = "Lokomotiva mora imeti ime!";
constexpr const char* kEmptySpeedTable =
    "Tabela hitrosti ne vsebuje nobene vrednosti, zato ostane nespremenjena.";
constexpr const char* kInternalMapId = "Interna napaka! Negativni ID funkcije v EditFunctionMap";

SoundControls ControlsFor(const SoundDecoderType& type, bool useDefaults) {
    SoundControls c;
    if (type.Type <= 0)
        return c;
    c.defaultsShown = c.soundShown = true;
    c.editable = !useDefaults;
    c.keysShown = type.FuncStepped != 0;
    c.speedTableShown = !c.keysShown;
    c.tableLabel = c.keysShown ? "Funkciji:" : "Tabela hitrosti:";
    return c;
}

// How many speed table values the type has: MaxLevel + 1, within the table.
int TableEntries(const SoundDecoderType& type) {
    return std::clamp(type.MaxLevel, -1, 9) + 1;
}

std::string FieldText(int value) {
    return std::to_string(value);
}

} // namespace

LocoEditor::LocoEditor(const DecoderTable& decoders, const FunctionCatalogue& catalogue,
                       Prompts& prompts, Loco loco)
    : decoders_(decoders), catalogue_(catalogue), prompts_(prompts), loco_(std::move(loco)) {
    UpdateSound();
}

Loco LocoEditor::NewLoco(const FunctionCatalogue& catalogue) {
    Loco loco;
    loco.Id = -1;
    loco.MotorAddr = 3;
    loco.Axels = 4;
    loco.Power = 2500.0;
    loco.Weight = 200.0;
    loco.UseDecoderDefaults = 1;
    loco.Advanced = 1;
    loco.InitialBrakeType = 1;
    loco.FuncUp = 5;
    loco.FuncDown = 6;
    for (int i = 0; i < catalogue.count; ++i) {
        const FunctionDef& f = catalogue.entries[static_cast<std::size_t>(i)];
        if (f.Id >= 0 && f.Id < kMaxFunctions && (f.Status == 3 || f.Status == 4))
            loco.FuncFlags[static_cast<std::size_t>(f.Id)] |= kFuncActive;
    }
    return loco;
}

const SoundDecoderType& LocoEditor::Type() const {
    const bool valid = loco_.SoundDecoder >= 0 && loco_.SoundDecoder < decoders_.count;
    return decoders_.rows[static_cast<std::size_t>(valid ? loco_.SoundDecoder : 0)];
}

void LocoEditor::UpdateSound() {
    if (loco_.SoundDecoder < 0 || loco_.SoundDecoder >= std::max(decoders_.count, 1)) {
        prompts_.Inform(kMissingType, PromptIcon::Error);
        loco_.SoundDecoder = 0;
    }
    if (loco_.UseDecoderDefaults) {
        loco_.SoundSpeedTable = Type().SpeedTable;
        loco_.FuncUp = Type().FuncUp;
        loco_.FuncDown = Type().FuncDown;
    }
}

SoundControls LocoEditor::Sound() const {
    return ControlsFor(Type(), loco_.UseDecoderDefaults != 0);
}

std::string LocoEditor::SpeedTableText() const {
    std::string out;
    for (int i = 0; i < TableEntries(Type()); ++i) {
        if (i > 0)
            out += ',';
        out += FieldText(loco_.SoundSpeedTable[static_cast<std::size_t>(i)]);
    }
    return out;
}

LocoEntries LocoEditor::Entries() const {
    const Loco& l = loco_;
    LocoEntries e;
    e[LocoField::Name] = l.Descr;
    e[LocoField::Weight] = fields::FormatNumber(l.Weight);
    e[LocoField::Axles] = FieldText(l.Axels);
    e[LocoField::Power] = fields::FormatNumber(l.Power);
    e[LocoField::MotorAddr] = FieldText(l.MotorAddr);
    e[LocoField::PowerDelay] = FieldText(l.PowerDelay);
    e[LocoField::DynBrakeDelay] = FieldText(l.DynBrakeDelay);
    e[LocoField::SpeedTable] = SpeedTableText();
    e[LocoField::FuncUp] = FieldText(l.FuncUp);
    e[LocoField::FuncDown] = FieldText(l.FuncDown);
    e[LocoField::SoundAddr] = FieldText(l.SoundAddr);
    e[LocoField::DynBrakeLevel] = FieldText(l.DynBrakePowerStep);
    e[LocoField::CompressorLevel] = FieldText(l.CompressorPowerStep);
    e.brakeType = l.InitialBrakeType != 0 ? 1 : 0;
    e.useDefaults = l.UseDecoderDefaults != 0;
    e.advanced = l.Advanced != 0;
    return e;
}

bool LocoEditor::ReadSpeedTable(const std::string& text, std::array<int, 10>& table, int& values,
                                bool quiet) const {
    std::string_view rest = text;
    values = 0;
    for (std::string_view item = TakeListItem(rest); !item.empty() && values < 10;
         item = TakeListItem(rest)) {
        int value = 0;
        const std::string message = fields::ReadInt(item, 0, kMaxSpeedValue, value);
        if (!message.empty()) {
            if (!quiet)
                prompts_.Inform(message, PromptIcon::Warning);
            return false;
        }
        table[static_cast<std::size_t>(values++)] = value;
    }
    // Every entry after the last value given takes that value.
    for (int i = values; values > 0 && i < 10; ++i)
        table[static_cast<std::size_t>(i)] = table[static_cast<std::size_t>(values - 1)];
    return true;
}

void LocoEditor::OnSoundChanged(int soundDecoder, const LocoEntries& entries) {
    // What the operator typed into the sound fields so far is kept where it is valid.
    const SoundControls before = Sound();
    if (before.editable && before.speedTableShown) {
        std::array<int, 10> table = loco_.SoundSpeedTable;
        int values = 0;
        if (ReadSpeedTable(entries[LocoField::SpeedTable], table, values, true) && values > 0)
            loco_.SoundSpeedTable = table;
    }
    if (before.editable && before.keysShown) {
        fields::ReadInt(entries[LocoField::FuncUp], 0, kMaxSoundKey, loco_.FuncUp);
        fields::ReadInt(entries[LocoField::FuncDown], 0, kMaxSoundKey, loco_.FuncDown);
    }
    loco_.SoundDecoder = soundDecoder;
    loco_.UseDecoderDefaults = entries.useDefaults ? 1 : 0;
    loco_.Advanced = entries.advanced ? 1 : 0;
    UpdateSound();
}

std::optional<LocoField> LocoEditor::Accept(const LocoEntries& e) {
    Loco l = loco_;
    const SoundControls sound = ControlsFor(Type(), e.useDefaults);
    // The first field that fails gets its message; hidden and read-only fields keep the
    // record's values.
    std::string message;
    LocoField failed = LocoField::Name;
    auto fail = [&](LocoField field, std::string text) {
        if (message.empty() && !text.empty()) {
            message = std::move(text);
            failed = field;
        }
    };
    auto integer = [&](LocoField field, int low, int high, int& value, bool shown = true) {
        if (shown)
            fail(field, fields::ReadInt(e[field], low, high, value));
    };
    auto number = [&](LocoField field, double low, double& value) {
        fail(field, fields::ReadNumber(e[field], low, kMaxPowerWeight, value));
    };
    const bool keys = sound.keysShown && sound.editable;
    number(LocoField::Weight, 1, l.Weight);
    integer(LocoField::Axles, 1, kMaxAxles, l.Axels);
    number(LocoField::Power, 0, l.Power);
    integer(LocoField::MotorAddr, 0, kMaxAddress, l.MotorAddr);
    integer(LocoField::PowerDelay, 0, kMaxDelayMs, l.PowerDelay);
    integer(LocoField::DynBrakeDelay, 0, kMaxDelayMs, l.DynBrakeDelay);
    integer(LocoField::FuncUp, 0, kMaxSoundKey, l.FuncUp, keys);
    integer(LocoField::FuncDown, 0, kMaxSoundKey, l.FuncDown, keys);
    integer(LocoField::SoundAddr, 0, kMaxAddress, l.SoundAddr, sound.soundShown);
    integer(LocoField::DynBrakeLevel, 0, kMaxLevel, l.DynBrakePowerStep, sound.soundShown);
    integer(LocoField::CompressorLevel, 0, kMaxLevel, l.CompressorPowerStep, sound.soundShown);
    if (!message.empty()) {
        prompts_.Inform(message, PromptIcon::Warning);
        return failed;
    }
    l.Descr = TableFileText(e[LocoField::Name]);
    if (l.Descr.empty()) {
        prompts_.Inform(kNoName, PromptIcon::Warning);
        return LocoField::Name;
    }
    if (sound.editable && sound.speedTableShown) {
        int values = 0;
        if (!ReadSpeedTable(e[LocoField::SpeedTable], l.SoundSpeedTable, values, false))
            return LocoField::SpeedTable;
        if (values == 0 && !SpeedTableText().empty())
            prompts_.Inform(kEmptySpeedTable, PromptIcon::Information);
    }
    l.Weight = std::round(l.Weight);
    l.Power = std::round(l.Power);
    l.InitialBrakeType = e.brakeType != 0 ? 1 : 0;
    l.UseDecoderDefaults = e.useDefaults ? 1 : 0;
    l.Advanced = e.advanced ? 1 : 0;
    loco_ = std::move(l);
    return std::nullopt;
}

std::vector<MapRow> LocoEditor::MapRows() const {
    std::vector<MapRow> rows;
    for (int i = 0; i < catalogue_.count; ++i) {
        const FunctionDef& f = catalogue_.entries[static_cast<std::size_t>(i)];
        if (f.Status == 0 || f.Id < 0 || f.Id >= kMaxFunctions)
            continue;
        const auto id = static_cast<std::size_t>(f.Id);
        const std::uint8_t flags = loco_.FuncFlags[id];
        const bool map = IsMapAllowed(f.Builtin);
        MapRow row;
        row.catalogueIndex = i;
        if (f.Id == 0 || f.Status == 4)
            row.image = 4;
        else if (f.Status == 1)
            row.image = 1;
        else
            row.image = (flags & kFuncActive) ? 3 : 2;
        row.columns[0] = f.Name;
        row.columns[1] = Letter[BuiltinIndex(f.Builtin)];
        row.columns[2] = KeyText(f, "");
        row.columns[3] = (flags & kFuncInitialOn) ? '1' : '0';
        row.columns[4] = map ? FormatSequence(loco_.FuncSequences[id], kSequenceOn) : "-----";
        row.columns[5] = !map ? "-----"
                         : (flags & kFuncAuto)
                             ? "Auto"
                             : FormatSequence(loco_.FuncSequences[id], kSequenceOff);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<FunctionMapEditor> LocoEditor::MapEditor(int catalogueIndex) {
    if (catalogueIndex < 0 || catalogueIndex >= catalogue_.count)
        return std::nullopt;
    const FunctionDef& f = catalogue_.entries[static_cast<std::size_t>(catalogueIndex)];
    if (f.Status == 0 || f.Status == 1)
        return std::nullopt;
    if (f.Id < 0) {
        prompts_.Inform(kInternalMapId, PromptIcon::Error);
        return std::nullopt;
    }
    if (f.Id >= kMaxFunctions)
        return std::nullopt;
    const auto id = static_cast<std::size_t>(f.Id);
    return FunctionMapEditor(f, loco_.FuncFlags[id], loco_.FuncSequences[id], prompts_);
}

void LocoEditor::StoreMap(int catalogueIndex, const FunctionMapEditor& editor) {
    if (catalogueIndex < 0 || catalogueIndex >= catalogue_.count)
        return;
    const int id = catalogue_.entries[static_cast<std::size_t>(catalogueIndex)].Id;
    if (id < 0 || id >= kMaxFunctions)
        return;
    loco_.FuncFlags[static_cast<std::size_t>(id)] = editor.Flags();
    loco_.FuncSequences[static_cast<std::size_t>(id)] = editor.Sequences();
}
