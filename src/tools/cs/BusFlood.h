#pragma once
// Other stations' traffic at a steady rate, for soak tests and benchmarks: sensor and switch
// reports, hand-held throttles' speed and function messages, and slot reads (which the
// station answers), in turn.

#include "core/platform.h"
#include "core/sim/SimCommandStation.h"

#include <cstdint>

class BusFlood {
public:
    static constexpr int kMaxRate = 100000;
    static constexpr int kFirstHandHeld = 9001;
    static constexpr int kHandHelds = 4;

    explicit BusFlood(SimCommandStation& cs) : cs_(cs) {}

    // Messages a second; 0 stops. The hand-helds take their addresses on the first start.
    bool SetRate(int perSecond, Tick now);
    int Rate() const { return rate_; }
    // Puts on the bus what is due by `now`.
    void Step(Tick now);
    std::uint64_t Sent() const { return sent_; }

private:
    void SendOne();

    SimCommandStation& cs_;
    int rate_ = 0;
    Tick start_ = 0;
    std::uint64_t due_ = 0; // messages sent since start_
    std::uint64_t sent_ = 0;
    bool handHeldsReady_ = false;
};
