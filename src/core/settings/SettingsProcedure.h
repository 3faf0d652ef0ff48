#pragma once
// The settings procedure: the settings dialog, and the link opened again when the port
// changed, for as long as the port will not open.

#include "core/settings/Settings.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// True when the link has to be opened again after the dialog's OK: the last open failed, or
// the port name (letter case counts), the offline choice or the interface's line changed.
bool NeedsReopen(const Settings& current, const Settings& edited, bool portOk);

struct SettingsProcedureSteps {
    // Shows the dialog with these values; the values after OK, nothing after Cancel.
    std::function<std::optional<Settings>(const Settings&)> showDialog;
    std::function<void()> closeLink;
    // Opens the link on the settings now in force; false when the port would not open (the
    // link has said why).
    std::function<bool()> openLink;
    // True once nobody can answer the dialog any more (the program is ending): the procedure
    // stops there. Optional.
    std::function<bool()> abandoned;
};

// Runs the procedure on the program's settings. Every value the dialog accepted takes
// effect at once. The dialog comes back, even after Cancel, while the last open failed;
// choosing "Offline" always ends it, since offline the link always opens. With `openOnOk`
// (the link is not open yet) the first OK opens the port even when nothing changed. True when
// the operator confirmed the dialog at least once.
bool RunSettingsProcedure(Settings& settings, const SettingsProcedureSteps& steps,
                          bool openOnOk = false);

// The port that the first run offers: the one configured when this machine has it (or it
// is the simulated station or a TCP address), else the first USB serial interface, else
// "sim".
std::string FirstRunPort(const std::string& configured, const std::vector<std::string>& ports,
                         const std::vector<std::string>& usbPorts);
