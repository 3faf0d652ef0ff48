#pragma once
// The heart of vlakomat-train: runs the train model without a window from a command line
// and prints the state once a second. Kept in the core so that it can be tested.

#include "core/settings/Settings.h"

#include <iosfwd>
#include <string>
#include <vector>

// `args` are the command-line arguments after the program name. Prints the table (or the
// usage for --help) to `out` and errors to `err`. Returns the exit code: 0 on success,
// 2 for bad arguments.
int RunTrainTool(const std::vector<std::string>& args, const Settings& settings, std::ostream& out,
                 std::ostream& err);
