#include "core/roster/DecoderTable.h"

#include "core/platform.h"
#include "core/roster/TableFile.h"
#include "core/util/Text.h"

namespace {

SoundDecoderType ReadRow(TableFileReader& reader, bool& speedTableOverflow) {
    SoundDecoderType row;
    std::string names = reader.NextField();
    std::size_t bar = names.find('|');
    row.NameEn = text::Trim(names.substr(0, bar));
    if (bar != std::string::npos) {
        std::string rest = names.substr(bar + 1);
        row.NameSl = text::Trim(rest.substr(0, rest.find('|')));
    }
    if (row.NameSl.empty())
        row.NameSl = row.NameEn;

    row.Type = text::ParseInt(reader.NextField());
    if (row.Type < 1) {
        // No sound equipment: every number stays 0, the speed table too.
        row.FuncStepped = 0;
        row.SpeedTable.fill(0);
        return row;
    }
    row.MaxLevel = text::ParseInt(reader.NextField());
    row.LevelOffset = text::ParseInt(reader.NextField());
    row.FuncStepped = text::ParseInt(reader.NextField());
    if (row.Type == 1)
        row.FuncStepped = 1;
    row.FuncUp = text::ParseInt(reader.NextField());
    row.FuncDown = text::ParseInt(reader.NextField());
    auto items = SplitCommaList(reader.NextField());
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i >= row.SpeedTable.size()) {
            speedTableOverflow = true;
            break;
        }
        row.SpeedTable[i] = text::ParseInt(items[i]);
    }
    row.StartLevel = text::ParseInt(reader.NextField());
    return row;
}

} // namespace

void LoadDecoders(TableFileReader& reader, DecoderTable& table, Prompts& prompts,
                  const std::string& fileName) {
    table.count = 0;
    if (!reader.Opened() || !reader.SkipHeader())
        return;
    while (reader.NextLine()) {
        bool overflow = false;
        SoundDecoderType row = ReadRow(reader, overflow);
        if (table.count >= DecoderTable::kCapacity) {
            prompts.Inform(
                TableFileMessage(fileName, reader.LineNumber(),
                                 text::Format("tabela tipov zvočnih dekoderjev je polna (največ %d "
                                              "vrstic), vrstica je izpuščena.",
                                              DecoderTable::kCapacity)),
                PromptIcon::Warning);
            continue;
        }
        if (overflow)
            prompts.Inform(TableFileMessage(fileName, reader.LineNumber(),
                                            "tabela hitrosti zvoka ima največ 10 vrednosti, "
                                            "odvečne vrednosti so izpuščene."),
                           PromptIcon::Warning);
        table.rows[static_cast<std::size_t>(table.count++)] = std::move(row);
    }
}
