#pragma once
// Reading and writing Functions.tab, and the start-up additions to the catalogue.

#include <string>

#include "core/roster/FunctionCatalogue.h"

class Prompts;
class TableFileReader;
struct Roster;

inline constexpr const char* kFunctionsFileName = "Functions.tab";

// Reads the entries, reporting every fault with its line and correcting it; sets
// `modified` when anything was reported. A line beyond the capacity is ignored (one place
// is kept for the default-state function when it will have to be inserted).
void LoadFunctions(TableFileReader& reader, FunctionCatalogue& catalogue, Prompts& prompts,
                   bool& modified);

// Puts the default-state function (Id 0) first, inserting it when missing; an insertion is
// recorded in `added` ("   Privzeto\n") and sets `modified`.
void MakeDefaultFunctionFirst(FunctionCatalogue& catalogue, bool& modified, std::string& added);

// Appends the builtin functions 2..9 that the catalogue lacks, activating those whose
// default status is above 2 on every locomotive; each is recorded in `added`.
void AddMissingBuiltins(FunctionCatalogue& catalogue, Roster& roster, bool& modified,
                        std::string& added);

// The one message that lists the added functions; nothing when the list is empty.
void ReportAddedFunctions(const std::string& added, Prompts& prompts);

// The content of Functions.tab for the catalogue.
std::string FormatFunctions(const FunctionCatalogue& catalogue);

// A name as it can be stored in a table file and read back unchanged: tabs and line ends
// become blanks, and blanks at either end are dropped.
std::string TableFileText(const std::string& name);
