// The realistic throttle's handles: the power and brake hand-helds and the window's
// sliders, the reverser and the brake type, and what each hand-held is shown.

#include "core/throttles/RealisticThrottle.h"

#include "core/loconet/Loconet.h"
#include "core/settings/Settings.h"
#include "core/util/Text.h"

#include <algorithm>

using handlescale::FromWire;
using handlescale::NotchFor;
using handlescale::NotchValue;
using handlescale::ToWire;

namespace {
bool SlotForward(const SlotRecord& r) {
    return (r.DIRF & slotbits::kDirfBackward) == 0;
}
} // namespace

// --- scales --------------------------------------------------------------------------------

int RealisticThrottle::MaxBrakeHandle() const {
    return handlescale::MaxBrakeHandle(settings_.settings, BrakeType());
}

int RealisticThrottle::PowerWire() const {
    return ToWire(TableMode() ? NotchValue(model_.iPowerStep) : model_.iPowerStep);
}

int RealisticThrottle::BrakeWire() const {
    const int handle = model_.iBrakeHandle;
    if (BrakeType() == kTrainBrake)
        return CLoconet::PercentToSpeed(handle);
    return ToWire(TableMode() ? NotchValue(handle) : handle);
}

bool RealisticThrottle::ForwardForBrakeThrottle() const {
    return settings_.settings.UseRightDirForBrakeType == 0 || BrakeType() == kLocoBrake;
}

int RealisticThrottle::PowerSliderPosition() const {
    return kMaxPowerStep - std::clamp(model_.iPowerStep, 0, kMaxPowerStep);
}

int RealisticThrottle::BrakeSliderMax() const {
    return BrakeType() == kLocoBrake ? kLocoBrakeSliderMax : kTrainBrakeSliderMax;
}

int RealisticThrottle::BrakeSliderPosition() const {
    return BrakeSliderMax() - std::clamp(model_.iBrakeHandle, 0, BrakeSliderMax());
}

// --- the hand-helds ------------------------------------------------------------------------

void RealisticThrottle::MirrorKeysTo(int slot, bool forward) {
    link_.SetSlotF0toF4(slot, FunctionOutputs::F0toF4(keys_.iFunctionKeys), forward, false);
    link_.SetSlotF5toF8(slot, FunctionOutputs::F5toF8(keys_.iFunctionKeys), false);
}

void RealisticThrottle::CopyFunctions(int from, int to, bool forward) {
    const SlotRecord& r = link_.Slot(from);
    link_.SetSlotF0toF4(to, r.DIRF & slotbits::kDirfFunctions, forward, false);
    link_.SetSlotF5toF8(to, r.SND & slotbits::kSndF5toF8, false);
}

void RealisticThrottle::PowerThrottleChanged(Tick now) {
    BeforeInputChange(now);
    const SlotRecord& r = link_.Slot(iPowerSlot);
    if (r.SPD == slotbits::kSpeedEmergency) {
        EmergencyBreak(true);
        return;
    }
    const int value = FromWire(r.SPD);
    if (Locked())
        model_.iPowerStep = 0;
    else if (TableMode())
        model_.iPowerStep = NotchFor(value, model_.iPowerStep, kMaxPowerStep);
    else
        model_.iPowerStep = std::min(value, kMaxPowerStep);
    // The hand-held shows the notch the knob has snapped to.
    link_.SetSlotSpeed(iPowerSlot, PowerWire(), false);
    SetSoundLevel();
    if (!Locked())
        model_.iDirection = SlotForward(r) ? kForwards : kBackwards;
    else
        link_.SetSlotForw(iPowerSlot, model_.iDirection == kForwards, false);
    CopyFunctions(iPowerSlot, iBrakeSlot, ForwardForBrakeThrottle());
    keys_.TakeKeysFromSlot(r.DIRF, r.SND);
    CalculateOutFunctions(false);
    SetButtons();
    Show(RealisticShow::kPowerSlider | RealisticShow::kReverser);
    Idle(now);
}

void RealisticThrottle::BrakeThrottleChanged(Tick now) {
    BeforeInputChange(now);
    const SlotRecord& r = link_.Slot(iBrakeSlot);
    if (!Locked() && settings_.settings.UseRightDirForBrakeType != 0) {
        const int wanted = SlotForward(r) ? kLocoBrake : kTrainBrake;
        if (wanted != BrakeType()) {
            SwitchBrakeType(wanted);
            Redraw(RealisticRedraw::kAll);
        }
    }
    if (Locked())
        link_.SetSlotForw(iBrakeSlot, ForwardForBrakeThrottle(), false);
    CopyFunctions(iBrakeSlot, iPowerSlot, model_.iDirection == kForwards);
    keys_.TakeKeysFromSlot(r.DIRF, r.SND);
    Trace(text::Format("---%.2X %.2X %.8X", r.DIRF, r.SND << 5, keys_.iFunctionKeys));
    CalculateOutFunctions(false);
    SetButtons();
    if (r.SPD == slotbits::kSpeedEmergency) {
        EmergencyBreak(true);
        return;
    }
    if (!Locked()) {
        int handle = 0;
        if (BrakeType() == kLocoBrake) {
            const int value = FromWire(r.SPD);
            handle = TableMode() ? NotchFor(value, model_.iBrakeHandle, kLastNotch) : value;
        } else {
            handle = CLoconet::SpeedToPercent(r.SPD);
        }
        model_.iBrakeHandle = std::min(handle, MaxBrakeHandle());
    }
    link_.SetSlotSpeed(iBrakeSlot, BrakeWire(), false);
    Show(RealisticShow::kBrakeSlider);
    Idle(now);
}

// --- the window's handles ------------------------------------------------------------------

void RealisticThrottle::OnPowerSliderReleased(int position) {
    if (!Controls().handles) {
        Show(RealisticShow::kPowerSlider);
        return;
    }
    BeforeInputChange(clock_.Now());
    model_.iPowerStep = kMaxPowerStep - std::clamp(position, 0, kMaxPowerStep);
    link_.SetSlotSpeed(iPowerSlot, PowerWire(), false);
    SetSoundLevel();
    Show(RealisticShow::kPowerSlider);
    Idle(clock_.Now());
}

void RealisticThrottle::OnBrakeSliderReleased(int position) {
    if (!Controls().handles) {
        Show(RealisticShow::kBrakeSlider);
        return;
    }
    const int handle = BrakeSliderMax() - std::clamp(position, 0, BrakeSliderMax());
    BeforeInputChange(clock_.Now());
    model_.iBrakeHandle = std::min(handle, MaxBrakeHandle());
    Show(RealisticShow::kBrakeSlider);
    link_.SetSlotSpeed(iBrakeSlot, BrakeWire(), false);
    Idle(clock_.Now());
}

void RealisticThrottle::OnReverser(bool forward) {
    if (!Controls().handles) {
        Show(RealisticShow::kReverser);
        return;
    }
    BeforeInputChange(clock_.Now());
    model_.iDirection = forward ? kForwards : kBackwards;
    link_.SetSlotForw(iPowerSlot, forward, false);
    Idle(clock_.Now());
}

void RealisticThrottle::OnBrakeType(int brakeType) {
    const int wanted = brakeType == kLocoBrake ? kLocoBrake : kTrainBrake;
    // Choosing the type in use again changes nothing (and applies no brakes).
    if (!Controls().handles || wanted == BrakeType()) {
        Show(RealisticShow::kBrakeType);
        return;
    }
    SwitchBrakeType(wanted);
    Redraw(RealisticRedraw::kAll);
}

void RealisticThrottle::SwitchBrakeType(int brakeType) {
    BeforeInputChange(clock_.Now());
    if (brakeType == kLocoBrake) {
        model_.SwitchToLocoBrake();
    } else {
        model_.SwitchToTrainBrake();
        // The switch applies the brakes; the tolerance counts from there, or the next step
        // would take the applied handle for a raised one and release them.
        lowestBrakeHandle_ = model_.iBrakeHandle;
    }
    link_.SetSlotSpeed(iBrakeSlot, BrakeWire(), false);
    if (settings_.settings.UseRightDirForBrakeType != 0)
        link_.SetSlotF0toF4(iBrakeSlot, link_.Slot(iBrakeSlot).DIRF & slotbits::kDirfFunctions,
                            brakeType == kLocoBrake, false);
    Show(RealisticShow::kBrakeSlider | RealisticShow::kBrakeType);
}
