#include "core/roster/RosterData.h"

#include "core/platform.h"
#include "core/roster/FunctionsFile.h"
#include "core/roster/TableFile.h"
#include "core/util/Files.h"
#include "core/util/Text.h"

std::string TableFilePath(const std::string& directory, const std::string& fileName) {
    std::string path;
    if (directory.empty())
        path = fileName;
    else if (directory.back() == '/' || directory.back() == '\\')
        path = directory + fileName;
    else
        path = directory + "/" + fileName;
    if (files::Exists(path))
        return path;
    // A folder brought over from Windows may hold "decoders.tab" or "ROSTER.TAB".
    std::string found = files::FindNoCase(directory.empty() ? "." : directory, fileName);
    return found.empty() ? path : found;
}

bool LoadStartupTables(RosterData& data, Prompts& prompts, const std::string& directory) {
    TableFileReader decoders(TableFilePath(directory, kDecodersFileName));
    TableFileReader functions(TableFilePath(directory, kFunctionsFileName));
    TableFileReader roster(TableFilePath(directory, kRosterFileName));
    return LoadStartupTables(data, prompts, decoders, functions, roster);
}

bool LoadStartupTables(RosterData& data, Prompts& prompts, TableFileReader& decoders,
                       TableFileReader& functions, TableFileReader& roster) {
    LoadDecoders(decoders, data.decoders, prompts);
    if (data.decoders.count == 0)
        return false;

    std::string added;
    LoadFunctions(functions, data.functions, prompts, data.FunctionsModified);
    MakeDefaultFunctionFirst(data.functions, data.FunctionsModified, added);

    LoadRoster(roster, data.roster, data.functions, data.decoders, prompts, data.RosterModified);

    // Added only now, so that a function active by default is made active on every loco.
    AddMissingBuiltins(data.functions, data.roster, data.FunctionsModified, added);
    ReportAddedFunctions(added, prompts);

    // The roster file has a column per function, so a changed catalogue changes it too.
    if (data.FunctionsModified)
        data.RosterModified = true;
    return true;
}

std::string FormatFunctionsFile(const RosterData& data) {
    return FormatFunctions(data.functions);
}

std::string FormatRosterFile(const RosterData& data) {
    return FormatRoster(data.roster, data.functions, data.decoders);
}

namespace {
bool Save(const std::string& path, const std::string& content, Prompts& prompts) {
    std::string error = files::WriteAtomically(path, content);
    if (error.empty())
        return true;
    prompts.Inform(text::Format("Napaka! Datoteke '%s' ni bilo mogoče shraniti: %s\n"
                                "Spremembe v njej niso shranjene.",
                                path.c_str(), error.c_str()),
                   PromptIcon::Error);
    return false;
}
} // namespace

bool SaveFunctionsFile(const RosterData& data, Prompts& prompts, const std::string& directory) {
    return Save(TableFilePath(directory, kFunctionsFileName), FormatFunctionsFile(data), prompts);
}

bool SaveRosterFile(const RosterData& data, Prompts& prompts, const std::string& directory) {
    return Save(TableFilePath(directory, kRosterFileName), FormatRosterFile(data), prompts);
}

bool SaveModifiedTables(RosterData& data, Prompts& prompts, const std::string& directory) {
    if (data.RosterModified && SaveRosterFile(data, prompts, directory))
        data.RosterModified = false;
    if (data.FunctionsModified && SaveFunctionsFile(data, prompts, directory))
        data.FunctionsModified = false;
    return !data.RosterModified && !data.FunctionsModified;
}
