#include "core/roster/FunctionsFile.h"

#include "core/platform.h"
#include "core/roster/Roster.h"
#include "core/roster/TableFile.h"
#include "core/util/Text.h"

namespace {

void Report(Prompts& prompts, int line, const char* what, bool& modified) {
    prompts.Inform(TableFileMessage(kFunctionsFileName, line, what), PromptIcon::Warning);
    modified = true;
}

// Reads the fields after the Id into `def`, correcting each faulty one in the fixed order.
void ReadChecked(TableFileReader& reader, const FunctionCatalogue& catalogue, FunctionDef& def,
                 Prompts& prompts, bool& modified) {
    const int line = reader.LineNumber();
    def.Name = reader.NextField();
    def.Builtin = text::ParseInt(reader.NextField());
    def.Status = text::ParseInt(reader.NextField());
    def.Fkey = text::ParseInt(reader.NextField());
    if (def.Builtin < 0 || def.Builtin >= kBuiltinCodes) {
        def.Builtin = 0;
        Report(prompts, line, "Neveljavena koda vgrajene funkcije! Ta koda ne bo upoštevana.",
               modified);
    }
    if (def.Builtin == kBuiltinDefault && def.Id != 0) {
        def.Builtin = 0;
        Report(prompts, line,
               "Koda privzete vgrajene funkcije na nepravilnem mestu! Ta koda ne bo upoštevana.",
               modified);
    }
    if (def.Status < 0 || def.Status > 4) {
        def.Status = 0;
        Report(prompts, line, "Neveljavna statusna koda! Status bo postavljen na 'skrit'.",
               modified);
    }
    if (def.Id < 0 && def.Status != 0) {
        def.Status = 0;
        Report(prompts, line,
               "Neveljavna statusna koda interne funkcije! Status bo postavljen na 'skrit'.",
               modified);
    }
    if (def.Fkey < -1 || def.Fkey > 12) {
        def.Fkey = -1;
        Report(prompts, line, "Neveljavna funkcijska tipka! Funkcijska tipka ne bo uporabljena.",
               modified);
    }
    if (def.Fkey != -1 && !IsKeyAllowed(def.Builtin)) {
        def.Fkey = -1;
        Report(prompts, line,
               "Definicija funkcijske tipke za Izhodno funkcionalnost! Funkcijska tipka ne bo "
               "uporabljena.",
               modified);
    }
    if (def.Fkey != -1 && catalogue.FindByFkey(def.Fkey) >= 0) {
        def.Fkey = -1;
        Report(prompts, line, "Podvojena funkcijske tipka! Funkcijska tipka ne bo uporabljena.",
               modified);
    }
    if (def.Builtin != 0 && catalogue.FindByBuiltin(def.Builtin) >= 0) {
        def.Builtin = 0;
        Report(prompts, line,
               "Podvojen sklic na vgrajeno funkcijo! Vgrajena funkcija ne bo prirejena.", modified);
    }
}

} // namespace

void LoadFunctions(TableFileReader& reader, FunctionCatalogue& catalogue, Prompts& prompts,
                   bool& modified) {
    catalogue.count = 0;
    if (!reader.Opened() || !reader.SkipHeader())
        return;
    while (reader.NextLine()) {
        const int line = reader.LineNumber();
        FunctionDef def;
        def.Id = text::ParseInt(reader.NextField());
        bool ignored = false;
        if (def.Id >= FunctionCatalogue::kCapacity) {
            Report(prompts, line,
                   "Neveljaven ID funkcionalnosti! Ta funkcionalnost ne bo upoštevana.", modified);
            ignored = true;
        } else {
            if (catalogue.FindById(def.Id) >= 0) {
                Report(prompts, line,
                       "Dupliciran ID funkcionalnosti! Ta funkcionalnost ne bo upoštevana.",
                       modified);
                ignored = true;
            }
            if (catalogue.count != 0 && def.Id == 0) {
                Report(prompts, line, "Nepričakovan ID=0! Ta funkcionalnost ne bo upoštevana.",
                       modified);
                ignored = true;
            }
        }
        if (ignored)
            continue;
        // The default-state function is inserted in front later when the file lacks it, so
        // the file then gets one place less.
        bool defaultFirst = catalogue.count > 0 ? catalogue.entries[0].Id == 0 : def.Id == 0;
        int room = defaultFirst ? FunctionCatalogue::kCapacity : FunctionCatalogue::kCapacity - 1;
        if (catalogue.count >= room) {
            prompts.Inform(TableFileMessage(kFunctionsFileName, line,
                                            text::Format("seznam funkcionalnosti je poln (največ "
                                                         "%d), ta funkcionalnost ne bo upoštevana.",
                                                         FunctionCatalogue::kCapacity)),
                           PromptIcon::Warning);
            modified = true;
            continue;
        }
        ReadChecked(reader, catalogue, def, prompts, modified);
        catalogue.entries[static_cast<std::size_t>(catalogue.count++)] = std::move(def);
    }
}

void MakeDefaultFunctionFirst(FunctionCatalogue& catalogue, bool& modified, std::string& added) {
    auto& e = catalogue.entries;
    if (catalogue.count == 0 || e[0].Id != 0) {
        if (catalogue.count >= FunctionCatalogue::kCapacity) // the loader keeps a place free
            catalogue.count = FunctionCatalogue::kCapacity - 1;
        for (int i = catalogue.count; i > 0; --i)
            e[static_cast<std::size_t>(i)] = std::move(e[static_cast<std::size_t>(i - 1)]);
        ++catalogue.count;
        e[0] = FunctionDef{};
        e[0].Id = 0;
        e[0].Name = ShortName[kBuiltinDefault];
        modified = true;
        added += std::string("   ") + ShortName[kBuiltinDefault] + "\n";
    }
    e[0].Builtin = kBuiltinDefault;
    e[0].Status = 4;
    e[0].Fkey = -1;
}

void AddMissingBuiltins(FunctionCatalogue& catalogue, Roster& roster, bool& modified,
                        std::string& added) {
    for (int code = builtin::kNumberOfCars; code < kBuiltinCodes; ++code) {
        const auto c = static_cast<std::size_t>(code);
        if (catalogue.count >= FunctionCatalogue::kCapacity || catalogue.FindByBuiltin(code) >= 0)
            continue;
        const int step = InputOnly[c] ? -1 : 1;
        int id = 0;
        while (id != FunctionCatalogue::kCapacity && catalogue.FindById(id) >= 0)
            id += step;
        if (id == FunctionCatalogue::kCapacity)
            continue;
        FunctionDef& def = catalogue.entries[static_cast<std::size_t>(catalogue.count++)];
        def = FunctionDef{id, code, DefaultStatus[c], -1, ShortName[c]};
        if (def.Status > 2 && id >= 0 && id < kMaxFunctions)
            for (int i = 0; i < roster.count; ++i)
                roster.locos[static_cast<std::size_t>(i)].FuncFlags[static_cast<std::size_t>(id)] |=
                    kFuncActive;
        modified = true;
        added += std::string("   ") + ShortName[c] + "\n";
    }
}

void ReportAddedFunctions(const std::string& added, Prompts& prompts) {
    if (!added.empty())
        prompts.Inform("Dodane so bile vgrajene funkcionalnosti:\n" + added,
                       PromptIcon::Information);
}

std::string TableFileText(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    // The reader trims a field's blanks, so they are not written either.
    return std::string(text::Trim(out));
}

std::string FormatFunctions(const FunctionCatalogue& catalogue) {
    std::string out = "Id\tName\tBuiltin\tStatus\tFkey\n";
    for (int i = 0; i < catalogue.count; ++i) {
        const FunctionDef& f = catalogue.entries[static_cast<std::size_t>(i)];
        out += text::Format("%d\t%s\t%d\t%d\t%d\n", f.Id, TableFileText(f.Name).c_str(), f.Builtin,
                            f.Status, f.Fkey);
    }
    return out;
}
