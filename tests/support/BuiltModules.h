#pragma once
// Programs that run the program's windows outside its folder find its modules (ports and
// servers, printing, tones) where the build put them.

#include "gui/common/Modules.h"

inline const bool kUsesBuiltModules =
    (SetModuleFolders({QStringLiteral(VLAKOMAT_BINARY_DIR "/src/gui")}), true);
