#pragma once
// The tables that the application reads at start-up and writes at exit: sound decoder
// types, the function catalogue and the roster, with their modified flags.

#include "core/roster/DecoderTable.h"
#include "core/roster/FunctionCatalogue.h"
#include "core/roster/Roster.h"

#include <string>

class Prompts;
class TableFileReader;

struct RosterData {
    DecoderTable decoders;
    FunctionCatalogue functions;
    Roster roster;
    // The roster or the catalogue differs from its file and should be offered for saving.
    bool RosterModified = false;
    bool FunctionsModified = false;
};

// Reads Decoders.tab, Functions.tab and Roster.tab from `directory` (empty: the current
// one), puts the default-state function first, adds the missing builtin functions and
// reports them. Returns false, without a message, when no sound decoder type was read:
// the program cannot start then and the caller says why.
bool LoadStartupTables(RosterData& data, Prompts& prompts, const std::string& directory);
// The same from readers that are already open (in-memory text, for tests and fuzzing).
bool LoadStartupTables(RosterData& data, Prompts& prompts, TableFileReader& decoders,
                       TableFileReader& functions, TableFileReader& roster);

// What saving would write.
std::string FormatFunctionsFile(const RosterData& data);
std::string FormatRosterFile(const RosterData& data);

// Write the file into `directory` atomically; a failure is shown with the file and the
// reason, and false returned, so that the operator's edits are not lost unnoticed.
bool SaveFunctionsFile(const RosterData& data, Prompts& prompts, const std::string& directory);
bool SaveRosterFile(const RosterData& data, Prompts& prompts, const std::string& directory);
// Writes Roster.tab, then Functions.tab, each only while its modified flag is set, and
// clears the flag of each file written. False when a file would not save (its message has
// been shown and its flag stays set, so nothing is lost).
bool SaveModifiedTables(RosterData& data, Prompts& prompts, const std::string& directory);

// The path of a table file in `directory`.
std::string TableFilePath(const std::string& directory, const std::string& fileName);
