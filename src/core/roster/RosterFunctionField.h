#pragma once
// Reading one function field of a Roster.tab row.

#include <string>

class Prompts;
struct FunctionCatalogue;
struct Loco;

// Applies the field (its leading "#" included) to the locomotive's function map; faults
// are reported with `line` and set `modified`.
void ReadFunctionField(const std::string& field, Loco& loco, const FunctionCatalogue& catalogue,
                       Prompts& prompts, int line, bool& modified);
