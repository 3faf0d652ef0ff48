#pragma once
// Text commands that let a user or a test act as the other stations on the simulated bus and
// switch the station's faults, e.g. "throttle 1234 speed 50" or "fault lose 2".

#include "core/sim/SimCommandStation.h"

#include <string>
#include <string_view>

// Runs one command line; returns "OK ..." or "ERROR ..." (one or more lines, no line end),
// or for "help" the list of commands.
std::string RunSimCommand(SimCommandStation& cs, std::string_view line);

// The list of commands, one per line ("quit" is for vlakomat-cs, which ends on it).
const char* SimCommandHelp();
