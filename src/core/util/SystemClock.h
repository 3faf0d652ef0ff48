#pragma once
// The Clock seam on the system's steady clock: milliseconds, truncated to 32 bits as the
// program's tick counter is.

#include "core/platform.h"

#include <chrono>

class SystemClock : public Clock {
public:
    Tick Now() const override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return static_cast<Tick>(static_cast<std::uint64_t>(ms.count()));
    }
};
