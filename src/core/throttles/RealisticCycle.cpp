// The realistic throttle's control cycle: the periodic step, the reaction to its slots'
// changes on the bus, and the emergency stop.

#include "core/throttles/RealisticThrottle.h"

#include "core/loconet/Loconet.h"
#include "core/settings/Settings.h"
#include "core/util/Text.h"

#include <algorithm>
#include <cmath>

using handlescale::ToWire;

void RealisticThrottle::SendLocoSpeed(int wire, bool force, Tick now) {
    link_.SetSlotSpeed(iSlot, wire, force);
    // Every speed command counts: the next one waits its 500 ms, the refresh its minute.
    speedSendTick_ = locoKeepAliveTick_ = now;
}

// --- Idle ----------------------------------------------------------------------------------

void RealisticThrottle::Idle(Tick now) {
    if (reselectWaiting_)
        StartReselect();
    if (!Acquired())
        return;
    PhysicsStep(now);
    KeepAlive(now);
    sound_.Step(now, iSlot, iSoundSlot);
    ApplyPowerStep(now);
    StageTimers(now);
    // While the program steps anyway, a look-ahead would be thrown away at the next step.
    if (!settled_ && !lookedAhead_ && !WantsEveryStep())
        LookAhead();
}

void RealisticThrottle::PhysicsStep(Tick now) {
    CatchUp(now);
    // A step on time: the look-ahead starts again from it.
    if (RunStep(now, clock_.Now()))
        lookedAhead_ = false;
}

// The steps the program slept through run now, each at its own time: nothing in them shows
// or sends anything, so they give what running them on time would have given.
void RealisticThrottle::CatchUp(Tick now) {
    while (quietSteps_ > 0 && TicksSince(now, model_.tLastPhysics) >= TrainModel::kStepMs) {
        --quietSteps_;
        const Tick at = model_.tLastPhysics + TrainModel::kStepMs;
        RunStep(at, at);
    }
}

// Finds how many of the coming physics steps change nothing that is shown or sent: the
// program wakes for the first one that does, and a train under way costs a wake-up a few
// times a second instead of a hundred.
void RealisticThrottle::LookAhead() {
    quietSteps_ = model_.QuietSteps(
        kLookAheadSteps, [this](const TrainModel& train, const StepReport& report, Tick at) {
            return report.SendDirection >= 0 || report.SpeedometerChanged ||
                   report.GaugesChanged != 0 || report.WheelSlipChanged ||
                   report.AccelSignChanged || !report.Moved ||
                   (train.iSpeedStep != lastSentSpeedStep_ &&
                    TicksSince(at, speedSendTick_) >= kSpeedSendMs);
        });
    lookedAhead_ = true;
}

// What the train runs with is about to change: the steps slept through run first with the
// inputs they had, and the next wake-up is worked out again from the new ones.
void RealisticThrottle::BeforeInputChange(Tick now) {
    CatchUp(now);
    quietSteps_ = 0;
    lookedAhead_ = false;
    settled_ = false;
}

bool RealisticThrottle::RunStep(Tick now, Tick fresh) {
    const StepReport report = model_.Step(now);
    if (!report.Ran)
        return false;
    settled_ = !report.Moved;

    if (report.SendDirection >= 0) {
        const bool forward = report.SendDirection == kForwards;
        Trace(forward ? "Idle: SetSlotForw" : "Idle: SetSlotBack");
        link_.SetSlotForw(iSlot, forward, false);
    }
    if (model_.iSpeedStep != lastSentSpeedStep_ &&
        TicksSince(fresh, speedSendTick_) >= kSpeedSendMs) {
        lastSentSpeedStep_ = model_.iSpeedStep;
        Trace("Idle: SetSpeed");
        SendLocoSpeed(ToWire(model_.iSpeedStep), false, fresh);
    }
    AfterPhysics(report, now);
    return true;
}

void RealisticThrottle::AfterPhysics(const StepReport& report, Tick now) {
    unsigned regions = report.GaugesChanged;
    // The direction mark shows the direction last sent to the locomotive.
    if (report.SpeedometerChanged || report.AccelSignChanged || report.SendDirection >= 0)
        regions |= RealisticRedraw::kSpeed;
    if (report.WheelSlipChanged)
        regions |= RealisticRedraw::kWheelSlip;
    if (model_.iPowerStep != previousPowerStep_) {
        model_.bSpeedHold = false;
        regions |= kPowerDigits;
        previousPowerStep_ = model_.iPowerStep;
        powerChangeTick_ = now;
        powerChangePending_ = true;
        Trace(text::Format("Power Step changed to %d (Applied = %d)", model_.iPowerStep,
                           model_.iAppliedPowerStep));
    }
    if (model_.iBrakeHandle != previousBrakeHandle_) {
        BrakeHandleMoved();
        regions |= kBrakeDigits;
    }
    Redraw(regions);
}

void RealisticThrottle::BrakeHandleMoved() {
    model_.bSpeedHold = false;
    if (BrakeType() == kTrainBrake) {
        int& handle = model_.iBrakeHandle;
        const std::int64_t tolerance = settings_.settings.BrakeReleaseTolerance;
        if (handle < lowestBrakeHandle_) {
            lowestBrakeHandle_ = handle;
        } else if (handle > lowestBrakeHandle_ + tolerance) {
            // Raised past the tolerance: the brakes release fully.
            handle = lowestBrakeHandle_ = MaxBrakeHandle();
            Show(RealisticShow::kBrakeSlider);
            Trace("Idle: SetSlotSpeed (iBrakeSlot)");
            link_.SetSlotSpeed(iBrakeSlot, BrakeWire(), false);
        }
    }
    previousBrakeHandle_ = model_.iBrakeHandle;
}

void RealisticThrottle::KeepAlive(Tick now) {
    if (!IsSlotNumber(iSlot))
        return;
    // The locomotive's refresh counts from its last speed command, the hand-helds' and the
    // sound decoder's from their own last refresh: each held slot hears from us every minute.
    if (TicksSince(now, locoKeepAliveTick_) > kKeepAliveMs) {
        Trace("Idle: RefreshSlotSpeed (iSlot)");
        SendLocoSpeed(link_.Slot(iSlot).SPD, true, now);
    }
    if (TicksSince(now, handlesKeepAliveTick_) <= kKeepAliveMs)
        return;
    handlesKeepAliveTick_ = now;
    const std::pair<int, const char*> slots[] = {
        {iPowerSlot, "Idle: RefreshSlotSpeed (iPowerSlot)"},
        {iBrakeSlot, "Idle: RefreshSlotSpeed (iBrakeSlot)"},
        {iSoundSlot, "Idle: RefreshSlotSpeed (iSoundSlot)"},
    };
    for (const auto& [slot, trace] : slots) {
        if (!IsSlotNumber(slot))
            continue;
        Trace(trace);
        link_.SetSlotSpeed(slot, link_.Slot(slot).SPD, true);
    }
}

void RealisticThrottle::ApplyPowerStep(Tick now) {
    if (!powerChangePending_)
        return;
    const std::int64_t waited = TicksSince(now, powerChangeTick_);
    if (waited > CurrentLoco().PowerDelay || model_.iAppliedPowerStep > model_.iPowerStep) {
        // The train answers the new power from the next physics step on.
        BeforeInputChange(now);
        model_.iAppliedPowerStep = model_.iPowerStep;
        powerChangePending_ = false;
        Trace(text::Format("Power Step applied to %d", model_.iAppliedPowerStep));
    }
}

void RealisticThrottle::StageTimers(Tick now) {
    if (secondBeepDue_ && TicksSince(now, firstBeepTick_) >= kBeepPauseMs) {
        secondBeepDue_ = false;
        beeper_.Tone(1000, 100);
    }
    if (emergencyPending_ && TicksSince(now, emergencyTick_) > kStageMs) {
        emergencyPending_ = false;
        SendLocoSpeed(0, false, now);
        sound_.Stop(iSoundSlot);
        releaseTick_ = now;
    }
    if (phase_ == Phase::Releasing && !emergencyPending_ &&
        TicksSince(now, releaseTick_) > kStageMs)
        FinishRelease();
}

// The stages, the keys, a handle just moved and a reselection waiting keep the program
// stepping: no wake-up is worked out for them.
bool RealisticThrottle::WantsEveryStep() const {
    return reselectWaiting_ || emergencyPending_ || phase_ == Phase::Releasing || secondBeepDue_ ||
           sound_.Stepping() || model_.iPowerStep != previousPowerStep_ ||
           model_.iBrakeHandle != previousBrakeHandle_;
}

std::uint32_t RealisticThrottle::NextIdleDue(Tick now) const {
    if (!bActive)
        return kNoDeadline;
    if (WantsEveryStep())
        return 0;
    // The rest wait for their time; each is a deadline, or the heartbeat sleeps through it.
    const auto after = [now](Tick since, std::int64_t wait) -> std::uint32_t {
        const std::int64_t left = wait - TicksSince(now, since);
        return left <= 0 ? 0
                         : static_cast<std::uint32_t>(std::min<std::int64_t>(left, kNoDeadline));
    };
    std::uint32_t due = std::min(after(locoKeepAliveTick_, std::int64_t{kKeepAliveMs} + 1),
                                 after(handlesKeepAliveTick_, std::int64_t{kKeepAliveMs} + 1));
    if (powerChangePending_)
        due = std::min(due,
                       model_.iAppliedPowerStep > model_.iPowerStep
                           ? 0
                           : after(powerChangeTick_, std::int64_t{CurrentLoco().PowerDelay} + 1));
    if (!settled_ && lookedAhead_) {
        // A moving train wakes the program for the first step that shows or sends something;
        // the speed command and the speedometer are among what the look-ahead watches.
        return std::min(
            due, after(model_.tLastPhysics, std::int64_t{TrainModel::kStepMs} * (quietSteps_ + 1)));
    }
    if (model_.iSpeedStep != lastSentSpeedStep_)
        due = std::min(due, after(speedSendTick_, kSpeedSendMs));
    if (!settled_)
        due = std::min(due, model_.PhysicsDue(now));
    return std::min(due, model_.SpeedometerDue(now));
}

// --- the bus -------------------------------------------------------------------------------

void RealisticThrottle::UpdateThrottle(Tick now, int which) {
    // While the release runs the train stays stopped, whatever the hand-helds do.
    if (phase_ != Phase::Running)
        return;
    Trace("UpdateThrottle start");
    switch (which) {
    case kWhichLoco: {
        const SlotRecord& r = link_.Slot(iSlot);
        if (r.SPD == slotbits::kSpeedEmergency) {
            EmergencyBreak(true);
            break;
        }
        // The program owns the locomotive: what another throttle changed is put back.
        const bool forward = model_.iSentDirection == kForwards;
        if (((r.DIRF & slotbits::kDirfBackward) == 0) != forward)
            link_.SetSlotForw(iSlot, forward, false);
        if (r.SPD != ToWire(model_.iSpeedStep))
            SendLocoSpeed(ToWire(model_.iSpeedStep), false, now);
        break;
    }
    case kWhichSound:
        if (link_.Slot(iSoundSlot).SPD == slotbits::kSpeedEmergency)
            EmergencyBreak(true);
        break;
    case kWhichPower:
        PowerThrottleChanged(now);
        break;
    case kWhichBrake:
        BrakeThrottleChanged(now);
        break;
    default:
        break;
    }
    Trace("UpdateThrottle end");
}

// --- emergency stop ------------------------------------------------------------------------

void RealisticThrottle::EmergencyBreak(bool fromThrottle) {
    const Tick now = clock_.Now();
    BeforeInputChange(now);
    // Forced: a stop goes out even when the table holds it already.
    SendLocoSpeed(slotbits::kSpeedEmergency, true, now);
    sound_.Emergency(iSoundSlot);
    model_.EmergencyStop(fromThrottle);
    emergencyPending_ = true;
    emergencyTick_ = now;
    previousPowerStep_ = 0;
    SetSoundLevel();
    sound_.TraceLevels();
    lastSentSpeedStep_ = 0;
    link_.SetSlotSpeed(iPowerSlot, 0, false);
    previousBrakeHandle_ = model_.iBrakeHandle;
    if (BrakeType() == kTrainBrake)
        lowestBrakeHandle_ = model_.iBrakeHandle;
    link_.SetSlotSpeed(iBrakeSlot, BrakeWire(), false);
    Show(RealisticShow::kPowerSlider | RealisticShow::kBrakeSlider);
    Redraw(RealisticRedraw::kAll);
}
