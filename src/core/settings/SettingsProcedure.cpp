#include "settings/SettingsProcedure.h"

#include "settings/SerialLine.h"

bool NeedsReopen(const Settings& current, const Settings& edited, bool portOk) {
    return !portOk || edited.ComPort != current.ComPort || edited.Offline != current.Offline ||
           SerialLineOf(edited) != SerialLineOf(current);
}

void RunSettingsProcedure(Settings& settings, const SettingsProcedureSteps& steps) {
    bool portOk = true;
    do {
        std::optional<Settings> edited = steps.showDialog(settings);
        if (!edited)
            continue;
        const bool reopen = NeedsReopen(settings, *edited, portOk);
        if (reopen)
            steps.closeLink();
        settings = *edited;
        if (reopen)
            portOk = steps.openLink();
    } while (!portOk);
}
