#include "core/roster/Roster.h"

#include "core/platform.h"
#include "core/roster/DecoderTable.h"
#include "core/roster/FunctionCatalogue.h"
#include "core/roster/FunctionsFile.h"
#include "core/roster/RosterFunctionField.h"
#include "core/roster/TableFile.h"
#include "core/util/Text.h"

#include <algorithm>

namespace {

constexpr int kReservedColumns = 9;

void Warn(Prompts& prompts, const std::string& message) {
    prompts.Inform(message, PromptIcon::Warning);
}

// "B 101": a leading B and every blank removed, the last three characters are the brake
// type, the advanced flag and the decoder-defaults flag; anything but 0 counts as 1.
void ReadFlags1(const std::string& field, Loco& loco) {
    std::string_view f = field;
    if (!f.empty() && f.front() == 'B')
        f.remove_prefix(1);
    std::string digits;
    for (char c : f)
        if (c != ' ')
            digits += c;
    auto flagAt = [&](std::size_t fromEnd) {
        if (digits.size() < fromEnd)
            return 0;
        return text::ParseInt(std::string_view(digits).substr(digits.size() - fromEnd, 1)) != 0 ? 1
                                                                                                : 0;
    };
    loco.UseDecoderDefaults = flagAt(1);
    loco.Advanced = flagAt(2);
    loco.InitialBrakeType = flagAt(3);
}

// The items fill the table from the front, the last one repeated to the end; more than ten
// are cut and reported. Returns false when items were cut.
bool ReadSpeedTable(const std::string& field, Loco& loco) {
    for (int i = 0; i < 10; ++i)
        loco.SoundSpeedTable[static_cast<std::size_t>(i)] = i;
    auto items = SplitCommaList(field);
    const std::size_t size = loco.SoundSpeedTable.size();
    for (std::size_t i = 0; i < items.size() && i < size; ++i)
        loco.SoundSpeedTable[i] = text::ParseInt(items[i]);
    if (!items.empty() && items.size() < size)
        std::fill(loco.SoundSpeedTable.begin() + static_cast<std::ptrdiff_t>(items.size()),
                  loco.SoundSpeedTable.end(), loco.SoundSpeedTable[items.size() - 1]);
    return items.size() <= size;
}

// Reads columns 2 to 26 of a data row into `loco`.
void ReadColumns(TableFileReader& reader, Loco& loco, const DecoderTable& decoders,
                 Prompts& prompts, bool& modified) {
    const int line = reader.LineNumber();
    reader.NextField(); // Consist
    loco.Descr = reader.NextField();
    loco.MotorAddr = text::ParseInt(reader.NextField());
    loco.SoundAddr = text::ParseInt(reader.NextField());
    loco.Power = text::ParseDouble(reader.NextField());
    loco.Weight = text::ParseDouble(reader.NextField());
    loco.Axels = text::ParseInt(reader.NextField());
    loco.PowerDelay = text::ParseInt(reader.NextField());
    loco.SoundDecoder = text::ParseInt(reader.NextField());
    if (loco.SoundDecoder < 0 || loco.SoundDecoder >= decoders.count) {
        Warn(prompts, text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: Neznan tip "
                                   "zvočnega dekoderja: %d! Zvočni dekoder bo ignoriran.",
                                   line, loco.SoundDecoder));
        loco.SoundDecoder = 0;
    }
    loco.FuncUp = text::ParseInt(reader.NextField());
    loco.FuncDown = text::ParseInt(reader.NextField());
    ReadFlags1(reader.NextField(), loco);
    std::string speedTable = reader.NextField();
    if (loco.UseDecoderDefaults == 1) {
        const SoundDecoderType& type = decoders.rows[static_cast<std::size_t>(loco.SoundDecoder)];
        loco.SoundSpeedTable = type.SpeedTable;
        loco.FuncUp = type.FuncUp;
        loco.FuncDown = type.FuncDown;
    } else if (!ReadSpeedTable(speedTable, loco)) {
        Warn(prompts, TableFileMessage(kRosterFileName, line,
                                       "tabela hitrosti zvoka ima največ 10 vrednosti, odvečne "
                                       "vrednosti so izpuščene."));
        modified = true;
    }
    loco.DynBrakeDelay = text::ParseInt(reader.NextField());
    loco.DynBrakePowerStep = text::ParseInt(reader.NextField());
    loco.CompressorPowerStep = text::ParseInt(reader.NextField());
    for (int i = 0; i < kReservedColumns; ++i)
        reader.NextField();
}

const SoundDecoderType& DecoderOf(const Loco& loco, const DecoderTable& decoders) {
    bool valid = loco.SoundDecoder >= 0 && loco.SoundDecoder < DecoderTable::kCapacity;
    return decoders.rows[static_cast<std::size_t>(valid ? loco.SoundDecoder : 0)];
}

std::string FormatSpeedTable(const Loco& loco, const DecoderTable& decoders) {
    if (loco.UseDecoderDefaults == 1)
        return {};
    // MaxLevel comes from a hand-edited file: it may be anything, INT_MAX included.
    const int size = static_cast<int>(loco.SoundSpeedTable.size());
    const int entries = std::clamp(DecoderOf(loco, decoders).MaxLevel, -1, size - 1) + 1;
    std::string out;
    for (int i = 0; i < entries; ++i) {
        if (i > 0)
            out += ',';
        out += std::to_string(loco.SoundSpeedTable[static_cast<std::size_t>(i)]);
    }
    return out;
}

} // namespace

int Roster::FindById(int id) const {
    for (int i = 0; i < count; ++i)
        if (locos[static_cast<std::size_t>(i)].Id == id)
            return i;
    return -1;
}

void ResetFunctionMap(Loco& loco) {
    loco.FuncFlags.fill(kFuncAuto);
    loco.FuncFlags[0] = kFuncActive | kFuncInitialOn | kFuncAuto;
    loco.FuncSequences.fill(FunctionSequences{});
}

void LoadRoster(TableFileReader& reader, Roster& roster, const FunctionCatalogue& catalogue,
                const DecoderTable& decoders, Prompts& prompts, bool& modified) {
    roster.count = 0;
    if (!reader.Opened() || !reader.SkipHeader())
        return;
    while (reader.NextLine()) {
        const int line = reader.LineNumber();
        const int id = text::ParseInt(reader.NextField());
        if (roster.FindById(id) >= 0) {
            Warn(prompts, text::Format("Napaka v datoteki 'Roster.tab', v vrstici %d: Podvojen ID "
                                       "%d lokomotive! Lokomotiva ne bo upoštevana.",
                                       line, id));
            continue;
        }
        if (roster.count >= Roster::kCapacity) {
            Warn(prompts, TableFileMessage(kRosterFileName, line,
                                           text::Format("seznam lokomotiv je poln (največ %d), "
                                                        "lokomotiva ne bo upoštevana.",
                                                        Roster::kCapacity)));
            modified = true;
            continue;
        }
        Loco loco;
        loco.Id = id;
        ReadColumns(reader, loco, decoders, prompts, modified);
        ResetFunctionMap(loco);
        for (std::string field = reader.NextField(); !field.empty() && field.front() == '#';
             field = reader.NextField())
            ReadFunctionField(field, loco, catalogue, prompts, line, modified);
        loco.FuncFlags[0] |= kFuncActive | kFuncInitialOn;
        roster.locos[static_cast<std::size_t>(roster.count++)] = std::move(loco);
    }
}

std::string FormatFunctionField(const Loco& loco, int id) {
    const auto slot = static_cast<std::size_t>(id);
    const std::uint8_t flags = loco.FuncFlags[slot];
    return text::Format("#%d[%d%d%d]%s|%s", id, (flags & kFuncActive) ? 1 : 0,
                        (flags & kFuncInitialOn) ? 1 : 0, (flags & kFuncAuto) ? 1 : 0,
                        FormatSequence(loco.FuncSequences[slot], kSequenceOn).c_str(),
                        FormatSequence(loco.FuncSequences[slot], kSequenceOff).c_str());
}

std::string FormatRoster(const Roster& roster, const FunctionCatalogue& catalogue,
                         const DecoderTable& decoders) {
    std::string out = "Id\tConsist\tDescr\tMotorAddr\tSoundAddr\tPower\tWeight\tAxels\tPowerDelay"
                      "\tSoundDecoder\tFuncUp\tFuncDown\tFlags1\tSoundSpeedTable\tDynBrakeDelay"
                      "\tDynBrakePowerStep\tCompressorPowerStep\tReserved1\tReserved2\tReserved3"
                      "\tReserved4\tReserved5\tReserved6\tReserved7\tReserved8\tReserved9";
    auto hasColumn = [](const FunctionDef& f) { return f.Id >= 0 && f.Id < kMaxFunctions; };
    for (int i = 0; i < catalogue.count; ++i)
        if (const FunctionDef& f = catalogue.entries[static_cast<std::size_t>(i)]; hasColumn(f))
            out += text::Format("\tFunc %d", f.Id);
    out += '\n';
    for (int r = 0; r < roster.count; ++r) {
        const Loco& l = roster.locos[static_cast<std::size_t>(r)];
        out += text::Format("%d\t\t%s\t%d\t%d\t%s\t%s\t%d\t%d\t%d\t%d\t%d\tB %d%d%d\t%s\t%d\t%d\t%d"
                            "\t\t\t\t\t\t\t\t\t",
                            l.Id, TableFileText(l.Descr).c_str(), l.MotorAddr, l.SoundAddr,
                            text::FormatFixed(l.Power, 0).c_str(),
                            text::FormatFixed(l.Weight, 0).c_str(), l.Axels, l.PowerDelay,
                            l.SoundDecoder, l.FuncUp, l.FuncDown, l.InitialBrakeType, l.Advanced,
                            l.UseDecoderDefaults, FormatSpeedTable(l, decoders).c_str(),
                            l.DynBrakeDelay, l.DynBrakePowerStep, l.CompressorPowerStep);
        for (int i = 0; i < catalogue.count; ++i)
            if (const FunctionDef& f = catalogue.entries[static_cast<std::size_t>(i)]; hasColumn(f))
                out.append(1, '\t').append(FormatFunctionField(l, f.Id));
        out += '\n';
    }
    return out;
}
