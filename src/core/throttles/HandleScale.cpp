#include "core/throttles/HandleScale.h"

#include "core/settings/Settings.h"
#include "core/throttles/TrainModel.h"

#include <algorithm>

namespace {
// A setting truncated into 0..high; anything else (NaN too) reads as 0.
int Truncated(double value, int high) {
    if (!(value >= 0))
        return 0;
    return value < high ? static_cast<int>(value) : high;
}
} // namespace

namespace handlescale {

int ToWire(int value) {
    return value <= 0 ? 0 : (value >= 126 ? 127 : value + 1);
}

int FromWire(int speedByte) {
    return speedByte > 1 ? speedByte - 1 : 0;
}

int NotchValue(int index) {
    return kNotchTable[static_cast<std::size_t>(std::clamp(index, 0, kLastNotch))];
}

int NotchFor(int value, int current, int lastIndex) {
    value = std::min(value, NotchValue(lastIndex));
    if (value > NotchValue(current)) {
        for (int n = 0; n <= lastIndex; ++n)
            if (NotchValue(n) >= value)
                return n;
        return lastIndex;
    }
    for (int n = lastIndex; n > 0; --n)
        if (NotchValue(n) <= value)
            return n;
    return 0;
}

int MaxBrakeHandle(const Settings& settings, int brakeType) {
    if (brakeType == kLocoBrake)
        return Truncated(settings.MaxLocoBrakeCylinderPreasure / 10, 10);
    return Truncated(settings.StandardBrakeSystemPreasure, 99);
}

} // namespace handlescale
