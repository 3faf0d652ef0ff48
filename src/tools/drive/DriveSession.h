#pragma once
// One realistic throttle on the link as the program runs it, against the simulated command
// station on a clock that only moves when told: the heart of vlakomat-drive, and the bench
// its tests drive trains on.

#include "core/loconet/Loconet.h"
#include "core/throttles/RealisticThrottle.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class SimCommandStation;
class SimPort;

// A clock that moves only when told; with a jitter, each reading also moves it on by 0 to
// `jitterMs` ms (a fixed pseudo-random series), as a real clock does during a step.
class ManualClock : public Clock {
public:
    Tick Now() const override {
        const Tick t = now;
        if (jitterMs > 0) {
            seed_ = seed_ * 1103515245u + 12345u;
            now += (seed_ >> 16) % (jitterMs + 1);
        }
        return t;
    }
    mutable Tick now = 0;
    std::uint32_t jitterMs = 0;

private:
    mutable std::uint32_t seed_ = 1;
};

class DriveSession {
public:
    static constexpr int kRegistryIndex = CLoconet::kRegistrySize - 1;

    // Opens the link on the simulated station (whatever the settings say of the port) and
    // sets up the throttle; all four must outlive the session.
    DriveSession(ProgramSettings& settings, RosterData& data, Prompts& prompts, Beeper& beeper);
    ~DriveSession();
    DriveSession(const DriveSession&) = delete;
    DriveSession& operator=(const DriveSession&) = delete;

    // Every complete message the station takes from the program ('R') and every piece of
    // traffic it puts on the bus ('T', the echoes of the program's messages included).
    using BusTrace =
        std::function<void(Tick now, char direction, const std::vector<std::uint8_t>& bytes)>;
    void SetBusTrace(BusTrace trace);

    // One processing step at the clock's time.
    void Step() { link.Process(); }
    // Moves the clock on by `ms`, with a processing step every `stepMs` on the way (the
    // last one at the end).
    void Advance(std::uint32_t ms, std::uint32_t stepMs = 5);
    // Moves the clock on by `ms` with the steps the program's heartbeat would make: at the
    // deadline the link reports, within 5 ms while something waits.
    void AdvanceByDeadlines(std::uint32_t ms);

    // A line of the station's text commands ("throttle 1 speed 5"); its reply.
    std::string Station(const std::string& command);
    SimCommandStation& Cs();

    ManualClock clock;
    CLoconet link;
    RealisticThrottle throttle;

private:
    SimPort* port_ = nullptr;
};
