#pragma once
// What a realistic throttle takes from a roster record: its sound decoder type, the line
// that describes it, the record as the locomotive dialog opens it, and a new record's Id.

#include "core/roster/DecoderTable.h"
#include "core/roster/Loco.h"

#include <string>

struct Roster;

// The locomotive a realistic throttle drives while the roster has none: "Default Loco",
// motor address 3, 4 axles, 2500 hp, 200 t, no sound decoder.
Loco BuiltInLoco();

// The record's sound decoder type; row 0 for a type number the table lacks, and no sound
// at all when the table is empty.
SoundDecoderType DecoderTypeOf(const Loco& loco, const DecoderTable& types);

// "M:3, Z:Brez, P:2500hp, W:200t": motor address, sound, power and weight.
std::string LocoDescription(const Loco& loco, const SoundDecoderType& type);

// The record as the locomotive dialog opens on it: one that takes its decoder's defaults
// gets that type's sound speed table and volume keys.
Loco WithDecoderDefaults(Loco loco, const DecoderTable& types);

// The smallest Id of 0 or more that no locomotive of the roster has.
int FreeLocoId(const Roster& roster);
