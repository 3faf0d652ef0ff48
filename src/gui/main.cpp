// Vlakomat: a control panel for a LocoNet model railway.

#include "gui/app/CommandLine.h"

int main(int argc, char** argv) {
    return RunVlakomat(argc, argv);
}
