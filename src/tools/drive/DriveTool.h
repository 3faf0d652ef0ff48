#pragma once
// The heart of vlakomat-drive: one realistic throttle against the simulated command station
// on a simulated clock, no window, driven by timed operator events and printing every
// message on the bus. Kept in the core so that it can be tested.

#include <iosfwd>
#include <string>
#include <vector>

// `args` are the command-line arguments after the program name; the tables are read from
// the current folder unless --tables names another. Prints the bus (or the usage for
// --help) to `out` and messages to `err`. Returns the exit code: 0 on success, 1 when the
// tables cannot be used, 2 for bad arguments.
int RunDriveTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
