#pragma once
// How the realistic throttle's handles read on a hand-held throttle: speed bytes, the
// notches of the precise power throttle mode, and the handles' limits.

#include <array>

struct Settings;

// How power steps and locomotive brake levels read on a hand-held in the precise power
// throttle mode: 4 and 9 are skipped, so that the knob's steps feel like notches.
inline constexpr std::array<int, 11> kNotchTable{0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12};
inline constexpr int kLastNotch = static_cast<int>(kNotchTable.size()) - 1;

namespace handlescale {

// A speed step or handle value as a speed byte: one more than itself (1 is the emergency
// stop), 0 staying 0, 127 at most.
int ToWire(int value);
// A speed byte read back as a value.
int FromWire(int speedByte);

// The table value of notch `index` (held to the table).
int NotchValue(int index);
// The notch 0..lastIndex a knob at `value` snaps to: coming from below (above the current
// notch's value) up to the next notch, from above down to the last one.
int NotchFor(int value, int current, int lastIndex);

// The highest brake handle: psi with the train brake (at most 99), the level with the
// locomotive brake (at most 10).
int MaxBrakeHandle(const Settings& settings, int brakeType);

} // namespace handlescale
