// The realistic throttle's function keys, what they switch on the decoders and on the
// train, and the sound level.

#include "core/throttles/RealisticThrottle.h"

#include "core/loconet/Loconet.h"
#include "core/roster/FunctionCatalogue.h"
#include "core/roster/RosterData.h"

void RealisticThrottle::FunctionStateChanged(int function, bool state) {
    if (!IsSlotNumber(iSlot) || function < 0 || function >= FunctionOutputs::kKeyCount)
        return;
    keys_.SetKey(function, state);
    // Both hand-helds show the keys as the window has them.
    MirrorKeysTo(iPowerSlot, model_.iDirection == kForwards);
    MirrorKeysTo(iBrakeSlot, ForwardForBrakeThrottle());
    CalculateOutFunctions(false);
}

void RealisticThrottle::UpdateThrottleF9toF12(std::uint8_t bits, Tick now, int which) {
    if (phase_ != Phase::Running)
        return;
    if (which == kWhichPower || which == kWhichBrake) {
        std::uint8_t& seen = f9to12Seen_[which == kWhichPower ? 0 : 1];
        const std::uint8_t old = seen;
        seen = static_cast<std::uint8_t>(bits & 0x0F);
        if (old == FunctionOutputs::kNothingSeen) {
            // The first packet says where the keys stand, not what was pressed.
            beeper_.Tone(1000, 100);
            secondBeepDue_ = true;
            firstBeepTick_ = now;
            keys_.iFunctionKeysChanged = 0;
        } else {
            // A hand-held sends each press of F9 to F12 as a change of its bit.
            keys_.ToggleF9toF12(static_cast<std::uint8_t>(old ^ seen));
        }
    } else {
        keys_.iFunctionKeysChanged = 0;
    }
    SetButtons();
    CalculateOutFunctions(false);
}

void RealisticThrottle::SetButtons() {
    if (view_)
        view_->ShowButtons();
}

void RealisticThrottle::CalculateOutFunctions(bool forceAll) {
    const OutputEvents events =
        keys_.Calculate(CurrentLoco(), data_.functions, decoder_, engineFeature_);
    for (int i = 0; i < events.carsSteps; ++i)
        StepList(cars_, true);
    for (int i = 0; i < events.loadSteps; ++i)
        StepList(load_, false);
    for (int i = 0; i < events.brakeToggles; ++i) {
        const int other = BrakeType() == kLocoBrake ? kTrainBrake : kLocoBrake;
        if (other == kLocoBrake)
            beeper_.Tone(500, 100);
        SwitchBrakeType(other);
        Redraw(RealisticRedraw::kAll);
    }
    if (events.engine >= 0)
        EngineSwitched(events.engine == 1);
    if (IsSlotNumber(iSlot))
        SendWords(iSlot, keys_.iMotorFunctions, keys_.oldMotorFunctions, forceAll);
    if (IsSlotNumber(iSoundSlot))
        SendWords(iSoundSlot, keys_.iSoundFunctions, keys_.oldSoundFunctions, forceAll);
}

void RealisticThrottle::SendWords(int slot, std::uint32_t word, std::uint32_t old, bool forceAll) {
    const std::uint32_t changed = forceAll ? ~0u : word ^ old;
    const bool forward = model_.iSentDirection == kForwards;
    if ((changed & 0x001F) != 0)
        link_.SetSlotF0toF4(slot, FunctionOutputs::F0toF4(word), forward, false);
    if ((changed & 0x01E0) != 0)
        link_.SetSlotF5toF8(slot, FunctionOutputs::F5toF8(word), false);
    if ((changed & 0x1E00) != 0)
        link_.SendImmF9toF12(slot, FunctionOutputs::F9toF12(word));
}

void RealisticThrottle::EngineSwitched(bool on) {
    if (on) {
        engineRunning_ = true;
        SetSoundLevel();
    } else {
        // A stopped engine stops the train and locks the handles until it runs again.
        EmergencyBreak(false);
        engineRunning_ = false;
        SetSoundLevel();
        sound_.RestartKeyTick(clock_.Now());
    }
    Show(RealisticShow::kStatusPicture | RealisticShow::kState);
    Redraw(RealisticRedraw::kAll);
}

int RealisticThrottle::EngineKey() const {
    const int i = data_.functions.FindByBuiltin(builtin::kMotor);
    if (!engineFeature_ || i < 0)
        return -1;
    const int key = data_.functions.entries[static_cast<std::size_t>(i)].Fkey;
    return key >= 0 && key < FunctionOutputs::kKeyCount ? key : -1;
}

void RealisticThrottle::SetSoundLevel() {
    sound_.Set(model_.iPowerStep, Locked(), iSoundSlot);
}
