#pragma once
// The train simulated by a realistic throttle: a locomotive with cars, running resistance,
// a grade and an air brake in psi. It knows nothing of windows: the throttle sets the
// inputs, calls Step with the current tick and acts on the returned report.

#include "core/platform.h"
#include "core/roster/Loco.h"
#include "core/settings/Settings.h"

#include <functional>

// Brake types of `iBrakeType`.
inline constexpr int kTrainBrake = 0;
inline constexpr int kLocoBrake = 1;

// Directions of `iDirection` and of the locomotive.
inline constexpr int kBackwards = 0;
inline constexpr int kForwards = 1;

// What the gauges show, and the heights of their bars in pixels (0 to 98).
struct GaugeValues {
    int Power = 0;        // "Moč"
    int Ammeter = 0;      // "Amperi"
    int AmmeterBar = 0;   //
    int Brake = 0;        // "Zavora[psi]"
    int BrakeBar = 0;     //
    int BrakePipe = 0;    // "Tlak[psi]"
    int BrakePipeBar = 0; //
    double Speed = 0.0;   // "Hitrost[mph]", the speed last shown

    bool operator==(const GaugeValues&) const = default;
};

// Bits of StepReport::GaugesChanged, one per region the window redraws.
enum GaugeRegion : unsigned {
    kPowerDigits = 1u << 0,
    kAmmeterDigits = 1u << 1,
    kAmmeterBar = 1u << 2,
    kBrakeDigits = 1u << 3,
    kBrakeBar = 1u << 4,
    kBrakePipeDigits = 1u << 5,
    kBrakePipeBar = 1u << 6,
};

// What one call of Step changed, for the window and the control cycle to act on.
struct StepReport {
    bool Ran = false;                // false: less than 10 ms since the last step, nothing done
    int SendDirection = -1;          // kForwards or kBackwards to send to the locomotive, -1 none
    bool SpeedometerChanged = false; // the speed shown changed (at most every 500 ms)
    GaugeValues Gauges;              // the values after the step
    unsigned GaugesChanged = 0;      // GaugeRegion bits of the values that changed
    bool WheelSlipChanged = false;
    bool AccelSignChanged = false;
    bool Moved = false; // speed, acceleration or a brake pressure changed
};

class TrainModel {
public:
    static constexpr std::uint32_t kStepMs = 10; // the shortest time between physics steps

    // `settings` is read on every step, so edits in the settings dialog apply at once; it
    // must outlive the model.
    explicit TrainModel(const Settings& settings);

    // The locomotive chosen: takes its data and sets the loco-load preset.
    void LoadLoco(const Loco& loco);
    const Loco& CurrentLoco() const { return loco_; }
    // An edited record of the same locomotive: its data count from the next step, the
    // train keeps its state.
    void TakeLoco(const Loco& loco) { loco_ = loco; }

    // Emergency stop: from the driver or the window (false) or reported by a throttle
    // (true, which vents the train brake pipe to 0).
    void EmergencyStop(bool fromThrottle);
    // The train stands and its power is off; the brakes stay as they are.
    void Stop();
    void SwitchToLocoBrake();
    void SwitchToTrainBrake();

    // Starts the time base: the next step runs 10 ms after `now`. The window is taken to
    // draw every gauge now, so only later changes are reported.
    void StartTicks(Tick now);

    // One physics step when at least 10 ms have passed since the last one.
    StepReport Step(Tick now);

    // The gauge values of the current state.
    GaugeValues CurrentGauges() const;

    // Inputs, set from the window's controls before every step.
    unsigned iCars = 0;
    double dLoadPercent = 0.0;
    double dGradePercent = 0.0;
    int iDirection = kForwards;
    int iBrakeType = kTrainBrake;
    int iPowerStep = 0;
    int iAppliedPowerStep = 0;
    int iBrakeHandle = 0;

    // Simulation state.
    double dSpeed = 0.0; // m/s, positive forwards
    double dAccel = 0.0; // m/s², used by the next step
    double dMph = 0.0;   // absolute speed, rounded for the speedometer
    int iSpeedStep = 0;  // 0 to 126
    int iLocoBrakeLevel = 0;
    int iBrakePipeTarget = 0;
    double dBrakePipe = 0.0;
    double dAuxReservoir = 0.0;
    double dBrakeCylinder = 0.0;
    double dTractiveEffort = 0.0; // short tons-force
    double dResistance = 0.0;
    double dGradeForce = 0.0;
    double dBrakeForce = 0.0;
    bool bWheelSlip = false;
    bool bSpeedHold = false;

    // Direction last sent to the locomotive, and the speed last shown.
    int iSentDirection = kForwards;
    double dShownMph = 0.0;

    // Derived train quantities of the last step.
    double dCarWeight = 0.0;           // Wc, tons
    double dTrainWeight = 0.0;         // W, tons
    double dCarAxles = 0.0;            // Nc
    double dTrainAxles = 0.0;          // N
    double dCarBrakingFactor = 0.0;    // Kc
    double dFullServicePressure = 0.0; // Pfs, psi

    Tick tLastPhysics = 0;
    Tick tLastSpeedometer = 0;

    // Milliseconds until a physics step would show a new speed on the speedometer:
    // 0xFFFFFFFF while it shows the speed the train has.
    std::uint32_t SpeedometerDue(Tick now) const;
    // Milliseconds until the next physics step may run (0: it may run now).
    std::uint32_t PhysicsDue(Tick now) const;

    // The steps of the next `limit` times 10 ms, run on a copy of the train with the inputs
    // as they stand: how many pass before one for which `shows` is true (`limit` when none
    // is). The train itself does not change, and the copy shows no message.
    using StepTest = std::function<bool(const TrainModel& after, const StepReport&, Tick at)>;
    int QuietSteps(int limit, const StepTest& shows) const;

private:
    void AdvanceSpeed(Tick now, std::uint32_t dt, StepReport& report);
    void ComputeForces(StepReport& report);
    void ReportGauges(StepReport& report);
    void ComputeDerived();
    double FullServicePressure() const; // Pfs from the standard brake system pressure
    int MaxLocoBrakeLevel() const;
    void ApplyBrakePresets(bool emergencyFromThrottle);
    // Clears the speed state of a loco load or an emergency stop.
    void ResetSpeed();
    void UpdateBrakePipe();
    void UpdateTripleValve();

    const Settings& settings_;
    Loco loco_;
    GaugeValues shown_;
    // A reset changed the speed behind the speedometer's back: the next step reports it.
    bool speedometerDue_ = false;
};

// Brake pipe rate per step for `cars` cars from an initial and a delayed rate: falls from
// the initial rate with no cars to the delayed rate at `trainLength` cars. A train length
// of 0 or less gives the delayed rate; a rate of 0 stops the pipe (returns 0). The result is
// never negative; kInstantRate means the pipe reaches its target in one step.
double BrakePipeRate(double initialRate, double delayedRate, unsigned cars, int trainLength);
inline constexpr double kInstantRate = 1e300;

// Rounds an absolute speed in mph for the speedometer: whole numbers from 1 mph, tenths
// below.
double RoundMph(double mph);
