#include "core/throttles/TrainModel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace {

// Unit conversions of the model.
constexpr double kMsToKmh = 3.6;
constexpr double kKmhPerMph = 1.60932;
constexpr double kLbPerTon = 2000.0;
constexpr double kGravityFtS2 = 32.2;
constexpr double kMetresPerFoot = 0.30479;
constexpr double kFullServiceFactor = 0.7142857142857143; // 5 / 7

constexpr double kMaxSpeed = 27.5; // m/s, 99 km/h
constexpr std::uint32_t kSpeedometerMs = 500;
constexpr int kMaxBar = 98;

// Settings and records come from text files and may hold anything strtod accepts,
// including "inf" and "nan". Every value the model keeps stays finite and bounded, so
// sums and products of a few of them cannot overflow.
constexpr double kMaxMagnitude = 1e15;

double Finite(double x) {
    if (std::isnan(x))
        return 0.0;
    return std::clamp(x, -kMaxMagnitude, kMaxMagnitude);
}

int TruncToInt(double x) {
    if (std::isnan(x))
        return 0;
    if (x >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (x <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(x);
}

int BarHeight(double fraction) {
    return std::clamp(TruncToInt(fraction * kMaxBar), 0, kMaxBar);
}

} // namespace

double BrakePipeRate(double initialRate, double delayedRate, unsigned cars, int trainLength) {
    initialRate = Finite(initialRate);
    delayedRate = Finite(delayedRate);
    double rate;
    if (trainLength <= 0) {
        rate = delayedRate;
    } else if (cars == 0) {
        rate = initialRate;
    } else if (initialRate <= 0.0 || delayedRate <= 0.0) {
        rate = 0.0;
    } else {
        const double denominator =
            (static_cast<double>(cars) / trainLength) * (initialRate / delayedRate - 1) + 1;
        // A delayed rate above the initial one rises with the train length without bound;
        // past that point the pipe simply reaches its target at once.
        rate = denominator > 0.0 ? initialRate / denominator : kInstantRate;
    }
    if (!(rate > 0.0))
        return 0.0;
    return std::min(rate, kInstantRate);
}

double RoundMph(double mph) {
    if (mph >= 1)
        return static_cast<double>(TruncToInt(mph + 0.5));
    return static_cast<double>(TruncToInt(mph * 10 + 0.5)) / 10;
}

TrainModel::TrainModel(const Settings& settings) : settings_(settings) {}

void TrainModel::LoadLoco(const Loco& loco) {
    loco_ = loco;
    iBrakeType = loco.InitialBrakeType == kLocoBrake ? kLocoBrake : kTrainBrake;
    ResetSpeed();
    iPowerStep = iAppliedPowerStep = 0;
    dGradePercent = 0.0;
    iDirection = kForwards;
    iSentDirection = kForwards;
    bSpeedHold = false;
    ApplyBrakePresets(false);
}

void TrainModel::ResetSpeed() {
    dSpeed = dAccel = dMph = dShownMph = 0.0;
    iSpeedStep = 0;
    // The speedometer still shows the old speed until it hears of the 0.
    speedometerDue_ = true;
}

void TrainModel::EmergencyStop(bool fromThrottle) {
    Stop();
    ApplyBrakePresets(fromThrottle);
}

void TrainModel::Stop() {
    ResetSpeed();
    iPowerStep = iAppliedPowerStep = 0;
    bSpeedHold = true;
    dTractiveEffort = 0.0; // the ammeter drops to 0
}

double TrainModel::FullServicePressure() const {
    return Finite(settings_.StandardBrakeSystemPreasure) * 2.5 / 3.5;
}

int TrainModel::MaxLocoBrakeLevel() const {
    return TruncToInt(Finite(settings_.MaxLocoBrakeCylinderPreasure) / 10);
}

void TrainModel::ApplyBrakePresets(bool emergencyFromThrottle) {
    const double fullService = FullServicePressure();
    iLocoBrakeLevel = MaxLocoBrakeLevel();
    dBrakeCylinder = fullService;
    dAuxReservoir = fullService;
    if (iBrakeType == kLocoBrake) {
        iBrakePipeTarget = TruncToInt(Finite(settings_.StandardBrakeSystemPreasure));
        dBrakePipe = iBrakePipeTarget;
        iBrakeHandle = iLocoBrakeLevel;
    } else {
        // A throttle's emergency vents the pipe; the handle goes with it, or the next step
        // would route the old handle back into the target and recharge the pipe.
        iBrakePipeTarget = emergencyFromThrottle ? 0 : TruncToInt(fullService - 1);
        dBrakePipe = iBrakePipeTarget;
        iBrakeHandle = iBrakePipeTarget;
    }
}

void TrainModel::SwitchToLocoBrake() {
    iBrakeType = kLocoBrake;
    iLocoBrakeLevel = MaxLocoBrakeLevel();
    iBrakePipeTarget = TruncToInt(Finite(settings_.StandardBrakeSystemPreasure));
    iBrakeHandle = iLocoBrakeLevel;
}

void TrainModel::SwitchToTrainBrake() {
    iBrakeType = kTrainBrake;
    const double fullService = FullServicePressure();
    dBrakeCylinder = dAuxReservoir = fullService;
    iBrakePipeTarget = iBrakeHandle = TruncToInt(fullService - 1);
    dBrakePipe = iBrakePipeTarget;
}

void TrainModel::StartTicks(Tick now) {
    tLastPhysics = now;
    tLastSpeedometer = now;
    // The window draws every gauge as it starts.
    shown_ = CurrentGauges();
    speedometerDue_ = false;
}

void TrainModel::ComputeDerived() {
    const double load = Finite(dLoadPercent);
    const double empty = Finite(settings_.EmptyCarWeight);
    const double emptyFactor = Finite(settings_.EmptyCarBrakingFactor);
    dCarWeight = Finite(iCars * (empty + Finite(settings_.NetCarLoad) * load / 100));
    dTrainWeight = Finite(Finite(loco_.Weight) + dCarWeight);
    dCarAxles = static_cast<double>(iCars) * settings_.AxelsPerCar;
    dTrainAxles = loco_.Axels + dCarAxles;
    dCarBrakingFactor =
        Finite(emptyFactor + (Finite(settings_.LoadedCarBrakingFactor) - emptyFactor) * load / 100);
    dFullServicePressure = FullServicePressure();
}

void TrainModel::UpdateBrakePipe() {
    const int length = settings_.BrakeDelayCalculationTrainLength;
    if (iBrakePipeTarget > dBrakePipe) {
        dBrakePipe += BrakePipeRate(settings_.BrakePipeInitialFillRate,
                                    settings_.BrakePipeDelayedFillRate, iCars, length);
        if (dBrakePipe > iBrakePipeTarget)
            dBrakePipe = iBrakePipeTarget;
    } else if (iBrakePipeTarget < dBrakePipe) {
        dBrakePipe -= BrakePipeRate(settings_.BrakePipeInitialReleaseRate,
                                    settings_.BrakePipeDelayedReleaseRate, iCars, length);
        if (dBrakePipe < iBrakePipeTarget)
            dBrakePipe = iBrakePipeTarget;
    }
}

void TrainModel::UpdateTripleValve() {
    if (!(std::fabs(dAuxReservoir - dBrakePipe) > 0.01))
        return;
    if (dBrakePipe > dAuxReservoir) {
        // Charging: the reservoir fills from the pipe and the brakes release at once.
        // A negative rate would drain the reservoir into the higher pipe: no fill instead.
        const double fill = std::max(0.0, Finite(settings_.AuxFillRate));
        dAuxReservoir = Finite(dAuxReservoir + (dBrakePipe - dAuxReservoir) * fill);
        if (dAuxReservoir > dBrakePipe)
            dAuxReservoir = dBrakePipe;
        dBrakeCylinder = 0.0;
    } else {
        // Application: what leaves the reservoir goes into the cylinder, 2.5 times the
        // pressure, until the two are equal.
        double x = dAuxReservoir - dBrakePipe;
        if (2.5 * x + dBrakeCylinder > dAuxReservoir - x)
            x = (dAuxReservoir - dBrakeCylinder) / 3.5;
        dBrakeCylinder = Finite(dBrakeCylinder + 2.5 * x);
        dAuxReservoir = Finite(dAuxReservoir - x);
    }
}

StepReport TrainModel::Step(Tick now) {
    StepReport report;
    const std::uint32_t dt = TicksSince(now, tLastPhysics);
    if (dt < kStepMs) {
        report.Gauges = shown_;
        return report;
    }
    report.Ran = true;
    const double before[] = {dSpeed, dAccel, dBrakePipe, dAuxReservoir, dBrakeCylinder};
    AdvanceSpeed(now, dt, report);
    ComputeForces(report);
    ReportGauges(report);
    const double after[] = {dSpeed, dAccel, dBrakePipe, dAuxReservoir, dBrakeCylinder};
    report.Moved = !std::equal(std::begin(before), std::end(before), std::begin(after));
    return report;
}

int TrainModel::QuietSteps(int limit, const StepTest& shows) const {
    TrainModel copy(*this);
    for (int n = 0; n < limit; ++n) {
        const Tick at = copy.tLastPhysics + kStepMs;
        if (shows(copy, copy.Step(at), at))
            return n;
    }
    return limit;
}

std::uint32_t TrainModel::SpeedometerDue(Tick now) const {
    if (speedometerDue_)
        return 0;
    if (dMph == dShownMph)
        return 0xFFFFFFFFu;
    const std::uint32_t since = TicksSince(now, tLastSpeedometer);
    return since >= kSpeedometerMs ? 0 : kSpeedometerMs - since;
}

std::uint32_t TrainModel::PhysicsDue(Tick now) const {
    const std::uint32_t since = TicksSince(now, tLastPhysics);
    return since >= kStepMs ? 0 : kStepMs - since;
}

// Integration, zero crossing, direction, speed limit, speedometer and speed step.
void TrainModel::AdvanceSpeed(Tick now, std::uint32_t dt, StepReport& report) {
    // Integrate the acceleration of the last step.
    const double oldSpeed = dSpeed;
    const double dv = dAccel * dt / 1000;
    if (bSpeedHold)
        dSpeed = 0.0;
    else
        dSpeed = Finite(dSpeed + dv);
    tLastPhysics = now;

    // Braking and resistance stop a train but never reverse it.
    if ((dSpeed > 0 && oldSpeed < 0) || (dSpeed < 0 && oldSpeed > 0))
        dSpeed = 0.0;

    if (dSpeed > 0 && iSentDirection == kBackwards)
        report.SendDirection = iSentDirection = kForwards;
    else if (dSpeed < 0 && iSentDirection == kForwards)
        report.SendDirection = iSentDirection = kBackwards;

    if (dSpeed * kMsToKmh > 99)
        dSpeed = kMaxSpeed;
    if (dSpeed * kMsToKmh < -99)
        dSpeed = -kMaxSpeed;
    const double kmh = std::fabs(dSpeed * kMsToKmh);

    dMph = RoundMph(std::fabs(dSpeed * kMsToKmh / kKmhPerMph));
    if (speedometerDue_ ||
        (dMph != dShownMph && TicksSince(now, tLastSpeedometer) >= kSpeedometerMs)) {
        speedometerDue_ = false;
        dShownMph = dMph;
        tLastSpeedometer = now;
        report.SpeedometerChanged = true;
    }

    iSpeedStep = TruncToInt(kmh / 99 * 126 + 0.5);
}

// Resistance, brakes, tractive effort, grade, adhesion and the resulting acceleration.
void TrainModel::ComputeForces(StepReport& report) {
    ComputeDerived();
    double mph = std::fabs(dSpeed * kMsToKmh / kKmhPerMph);
    const double locoWeight = Finite(loco_.Weight);

    // Running resistance in pounds; a train at rest has none.
    double rWeight = 0.0;
    double rAxles = 0.0;
    if (mph > 0) {
        rWeight = dTrainWeight * Finite(settings_.ResistanceFactorWeight);
        rAxles = dTrainAxles * Finite(settings_.ResistanceFactorAxels);
    }
    const double rSpeed = (Finite(settings_.ResistanceFactorSpeedCar) * dCarWeight +
                           Finite(settings_.ResistanceFactorSpeedLoco) * locoWeight) *
                          mph;
    const double rAir =
        Finite(settings_.ResistanceFactorAir) * Finite(settings_.LocoCrossSection) * mph * mph;
    dResistance = Finite((rWeight + rAxles + rSpeed + rAir) / kLbPerTon);

    if (iBrakeType == kLocoBrake)
        iLocoBrakeLevel = iBrakeHandle;
    else
        iBrakePipeTarget = iBrakeHandle;
    UpdateBrakePipe();
    UpdateTripleValve();

    const double fullService = Finite(settings_.StandardBrakeSystemPreasure) * kFullServiceFactor;
    const double locoBraking = Finite(settings_.LocoBrakingFactor);
    dBrakeForce = 0.0;
    if (mph > 0 && fullService > 0) {
        if (iBrakeType == kLocoBrake)
            dBrakeForce = Finite(iLocoBrakeLevel * 10.0 / fullService * locoWeight * locoBraking);
        else
            dBrakeForce = Finite((locoWeight * locoBraking + dCarWeight * dCarBrakingFactor) *
                                 dBrakeCylinder / fullService);
    }
    if (dSpeed > 0) {
        dResistance = -dResistance;
        dBrakeForce = -dBrakeForce;
    }

    if (mph < 0.1)
        mph = 0.1;
    dTractiveEffort =
        Finite(375 * Finite(loco_.Power) * (iAppliedPowerStep / 8.0) * 0.83 / mph / kLbPerTon);
    if (iDirection == kBackwards)
        dTractiveEffort = -dTractiveEffort;

    dGradeForce = Finite(dTrainWeight * Finite(dGradePercent) / 100);

    // Adhesion limits only the positive wheel force.
    double force = dTractiveEffort + dBrakeForce;
    const double adhesion = locoWeight * locoBraking;
    const bool slip = force > adhesion;
    if (slip)
        force = adhesion;
    report.WheelSlipChanged = slip != bWheelSlip;
    bWheelSlip = slip;

    // A train without weight cannot be accelerated by anything.
    const double oldAccel = dAccel;
    dAccel = 0.0;
    if (dTrainWeight > 0)
        dAccel = Finite((force + dResistance - dGradeForce) * kGravityFtS2 / dTrainWeight *
                        kMetresPerFoot);
    report.AccelSignChanged = oldAccel * dAccel <= 0 && oldAccel != dAccel;
}

void TrainModel::ReportGauges(StepReport& report) {
    report.Gauges = CurrentGauges();
    const GaugeValues& g = report.Gauges;
    unsigned changed = 0;
    changed |= g.Power != shown_.Power ? kPowerDigits : 0u;
    changed |= g.Ammeter != shown_.Ammeter ? kAmmeterDigits : 0u;
    changed |= g.AmmeterBar != shown_.AmmeterBar ? kAmmeterBar : 0u;
    changed |= g.Brake != shown_.Brake ? kBrakeDigits : 0u;
    changed |= g.BrakeBar != shown_.BrakeBar ? kBrakeBar : 0u;
    changed |= g.BrakePipe != shown_.BrakePipe ? kBrakePipeDigits : 0u;
    changed |= g.BrakePipeBar != shown_.BrakePipeBar ? kBrakePipeBar : 0u;
    report.GaugesChanged = changed;
    shown_ = g;
}

GaugeValues TrainModel::CurrentGauges() const {
    GaugeValues g;
    g.Power = iPowerStep;
    g.Ammeter = TruncToInt(std::fabs(dTractiveEffort));
    g.AmmeterBar = BarHeight(g.Ammeter / 50.0);
    if (iBrakeType == kLocoBrake) {
        g.Brake = TruncToInt(iBrakeHandle * 10.0);
        g.BrakeBar = BarHeight(iLocoBrakeLevel / 10.0);
    } else {
        g.Brake = iBrakeHandle;
        g.BrakeBar = BarHeight(dBrakeCylinder / 100);
    }
    g.BrakePipe = TruncToInt(dBrakePipe);
    g.BrakePipeBar = BarHeight(dBrakePipe / 100);
    g.Speed = dShownMph;
    return g;
}
