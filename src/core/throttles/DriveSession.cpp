#include "core/throttles/DriveSession.h"

#include "ports/SimPort.h"
#include "settings/Settings.h"
#include "sim/SimCommands.h"

namespace {
// The program's link talks to the station, so the settings may not take it offline.
ProgramSettings& Online(ProgramSettings& settings) {
    settings.settings.Offline = 0;
    return settings;
}
} // namespace

DriveSession::DriveSession(ProgramSettings& settings, RosterData& data, Prompts& prompts,
                           Beeper& beeper)
    : link(clock, beeper, prompts), throttle(link, clock, beeper, prompts, Online(settings), data) {
    link.SetSettings(&settings);
    link.SetPortFactory([this](const std::string&) {
        auto port = std::make_unique<SimPort>(clock);
        port_ = port.get();
        return port;
    });
    link.Open("sim");
    link.RegisterThrottle(kRegistryIndex, &throttle);
}

DriveSession::~DriveSession() {
    link.RemoveThrottle(kRegistryIndex);
}

void DriveSession::SetBusTrace(BusTrace trace) {
    Cs().SetTrace(
        [this, trace = std::move(trace)](char direction, const std::vector<std::uint8_t>& bytes) {
            trace(clock.now, direction, bytes);
        });
}

void DriveSession::Advance(std::uint32_t ms, std::uint32_t stepMs) {
    if (stepMs == 0)
        stepMs = 1;
    for (std::uint32_t left = ms; left > 0;) {
        const std::uint32_t step = left < stepMs ? left : stepMs;
        clock.now += step;
        left -= step;
        Step();
    }
}

SimCommandStation& DriveSession::Cs() {
    return port_->Station();
}

std::string DriveSession::Station(const std::string& command) {
    return RunSimCommand(Cs(), command);
}
