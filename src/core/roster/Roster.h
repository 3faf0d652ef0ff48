#pragma once
// The roster: the locomotives the program knows, and Roster.tab that holds them.

#include "core/roster/Loco.h"

#include <array>
#include <string>

class Prompts;
class TableFileReader;
struct DecoderTable;
struct FunctionCatalogue;

inline constexpr const char* kRosterFileName = "Roster.tab";

struct Roster {
    static constexpr int kCapacity = 100;
    std::array<Loco, kCapacity> locos{};
    int count = 0;

    int FindById(int id) const;
};

// Reads the locomotives after the catalogue and the decoder types have been read. Faults
// are reported with their line; those the saved file would correct set `modified`.
void LoadRoster(TableFileReader& reader, Roster& roster, const FunctionCatalogue& catalogue,
                const DecoderTable& decoders, Prompts& prompts, bool& modified);

// The content of Roster.tab: one function column per catalogue function with Id 0 or more.
std::string FormatRoster(const Roster& roster, const FunctionCatalogue& catalogue,
                         const DecoderTable& decoders);

// One function field, "#<Id>[<Active><InitialOn><Auto>]<on>|<off>".
std::string FormatFunctionField(const Loco& loco, int id);

// Puts every function map entry back to its state before the file mentions it: flags Auto
// only (function 0 active and on) and no sequences.
void ResetFunctionMap(Loco& loco);
