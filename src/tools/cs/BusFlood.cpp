#include "tools/cs/BusFlood.h"

bool BusFlood::SetRate(int perSecond, Tick now) {
    if (perSecond < 0 || perSecond > kMaxRate)
        return false;
    if (perSecond > 0 && !handHeldsReady_) {
        for (int i = 0; i < kHandHelds; ++i)
            cs_.ThrottleAcquire(kFirstHandHeld + i);
        handHeldsReady_ = true;
    }
    rate_ = perSecond;
    start_ = now;
    due_ = 0;
    return true;
}

void BusFlood::Step(Tick now) {
    if (rate_ == 0)
        return;
    const std::uint64_t due = static_cast<std::uint64_t>(ElapsedTicks(now, start_)) *
                              static_cast<std::uint64_t>(rate_) / 1000u;
    // A stalled caller catches up by a second at most, never in one burst of minutes.
    if (due > due_ + static_cast<std::uint64_t>(rate_))
        due_ = due - static_cast<std::uint64_t>(rate_);
    for (; due_ < due; ++due_)
        SendOne();
}

void BusFlood::SendOne() {
    const auto n = static_cast<int>(sent_ / 5);
    const int handHeld = kFirstHandHeld + n % kHandHelds;
    switch (sent_ % 5) {
    case 0:
        cs_.SensorReport(n % 4096 + 1, (n & 1) != 0);
        break;
    case 1:
        cs_.SwitchReport(n % 2048, (n & 1) == 0, (n & 1) != 0);
        break;
    case 2:
        cs_.ThrottleSpeed(handHeld, 2 + n % 120);
        break;
    case 3:
        cs_.ThrottleFunction(handHeld, n % 9, (n & 1) != 0);
        break;
    default:
        cs_.SendFromStation({0xBB, static_cast<std::uint8_t>(1 + n % 119), 0x00, 0x00});
        break;
    }
    ++sent_;
}
