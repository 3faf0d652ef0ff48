#include "tools/drive/DriveSession.h"

#include "core/settings/Settings.h"
#include "core/sim/SimCommands.h"
#include "core/sim/SimPort.h"

#include <algorithm>

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

void DriveSession::AdvanceByDeadlines(std::uint32_t ms) {
    constexpr std::uint32_t kBusyMs = 5;
    const Tick end = clock.now + ms;
    // The clock may run past the end within a step; the distance left is then none.
    for (std::uint32_t left = ms; left > 0; left = TicksSince(end, clock.now)) {
        const std::uint32_t due = link.NextStepDue();
        clock.now += std::min(due == 0 ? kBusyMs : due, left);
        Step();
    }
}

SimCommandStation& DriveSession::Cs() {
    return port_->Station();
}

std::string DriveSession::Station(const std::string& command) {
    return RunSimCommand(Cs(), command);
}
