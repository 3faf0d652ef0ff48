#include "core/settings/SettingsProcedure.h"

#include "core/settings/SerialLine.h"

#include <algorithm>

bool NeedsReopen(const Settings& current, const Settings& edited, bool portOk) {
    return !portOk || edited.ComPort != current.ComPort || edited.Offline != current.Offline ||
           SerialLineOf(edited) != SerialLineOf(current);
}

bool RunSettingsProcedure(Settings& settings, const SettingsProcedureSteps& steps, bool openOnOk) {
    bool portOk = true;
    bool confirmed = false;
    do {
        if (steps.abandoned && steps.abandoned())
            break;
        std::optional<Settings> edited = steps.showDialog(settings);
        if (!edited)
            continue;
        confirmed = true;
        const bool reopen = openOnOk || NeedsReopen(settings, *edited, portOk);
        openOnOk = false;
        if (reopen)
            steps.closeLink();
        settings = *edited;
        if (reopen)
            portOk = steps.openLink();
    } while (!portOk);
    return confirmed;
}

std::string FirstRunPort(const std::string& configured, const std::vector<std::string>& ports,
                         const std::vector<std::string>& usbPorts) {
    const bool known = configured == "sim" || configured.rfind("tcp://", 0) == 0 ||
                       std::find(ports.begin(), ports.end(), configured) != ports.end();
    if (known)
        return configured;
    return usbPorts.empty() ? std::string("sim") : usbPorts.front();
}
