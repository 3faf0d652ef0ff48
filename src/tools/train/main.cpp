// vlakomat-train: runs the train model of the realistic throttle without a window.

#include "core/settings/Settings.h"
#include "core/util/Files.h"
#include "tools/train/TrainTool.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    Settings settings;
    const std::string iniPath = "vlakomat.ini";
    if (files::Exists(iniPath))
        settings = ReadSettings(iniPath).settings;
    return RunTrainTool(args, settings, std::cout, std::cerr);
}
