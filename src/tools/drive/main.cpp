// vlakomat-drive: drives one realistic throttle against the simulated command station on a
// simulated clock and prints the bus.

#include "tools/drive/DriveTool.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return RunDriveTool(args, std::cout, std::cerr);
}
