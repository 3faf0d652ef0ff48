// The air brake of the simulated train: brake pipe rates, the triple valve, the presets
// and the gauges that show them.

#include "support/TrainHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

struct RateCase {
    unsigned cars;
    double fill;
    double release;
};

TEST(TrainBrakes, BrakePipeRatesFallWithTrainLength) {
    const RateCase cases[] = {
        {0, 1.0, 0.5},
        {10, 0.05, 0.25},
        {20, 1.0 / 39, 0.5 / 3}, // 1 / (2 × 19 + 1), 0.5 / (2 × 1 + 1)
    };
    for (const RateCase& c : cases) {
        EXPECT_DOUBLE_EQ(BrakePipeRate(1, 0.05, c.cars, 10), c.fill) << c.cars;
        EXPECT_DOUBLE_EQ(BrakePipeRate(0.5, 0.25, c.cars, 10), c.release) << c.cars;

        TrainHarness h;
        h.model.iCars = c.cars;
        h.model.iBrakeHandle = 80;
        h.model.dBrakePipe = 50;
        h.Step();
        EXPECT_DOUBLE_EQ(h.model.dBrakePipe, 50 + c.fill) << c.cars;
        h.model.iBrakeHandle = 40;
        h.Step();
        EXPECT_DOUBLE_EQ(h.model.dBrakePipe, 50 + c.fill - c.release) << c.cars;
    }
}

TEST(TrainBrakes, PipeStopsExactlyAtItsTarget) {
    TrainHarness h;
    h.model.dBrakePipe = 79.7;
    h.model.iBrakeHandle = 80;
    h.Step();
    EXPECT_EQ(h.model.dBrakePipe, 80.0);
    h.model.iBrakeHandle = 0;
    h.model.dBrakePipe = 0.3;
    h.Step();
    EXPECT_EQ(h.model.dBrakePipe, 0.0);
}

struct GuardCase {
    const char* what;
    double initial;
    double delayed;
    unsigned cars;
    int length;
    double rate;
};

TEST(TrainBrakes, BrakePipeRateGuards) {
    const GuardCase cases[] = {
        {"length 0: delayed rate at once", 1, 0.05, 5, 0, 0.05},
        {"length 0, no cars", 1, 0.05, 0, 0, 0.05},
        {"negative length", 1, 0.05, 5, -3, 0.05},
        {"delayed rate 0", 1, 0, 5, 10, 0},
        {"delayed rate 0, no cars", 1, 0, 0, 10, 1},
        {"initial rate 0", 0, 0.05, 5, 10, 0},
        {"initial rate 0 at the length", 0, 0.05, 10, 10, 0},
        {"negative rate", -1, 0.05, 0, 10, 0},
        {"rising rate past its pole", 0.05, 1, 20, 10, kInstantRate},
        {"rising rate before its pole", 0.05, 1, 5, 10, 0.05 / (0.5 * (0.05 / 1 - 1) + 1)},
    };
    for (const GuardCase& c : cases) {
        const double rate = BrakePipeRate(c.initial, c.delayed, c.cars, c.length);
        EXPECT_DOUBLE_EQ(rate, c.rate) << c.what;
        EXPECT_TRUE(std::isfinite(rate)) << c.what;
    }

    // In the model: length 0 moves the pipe by the delayed rate, a rate of 0 not at all.
    TrainHarness h;
    h.settings.BrakeDelayCalculationTrainLength = 0;
    h.model.iCars = 5;
    h.model.iBrakeHandle = 80;
    h.model.dBrakePipe = 50;
    h.Step();
    EXPECT_DOUBLE_EQ(h.model.dBrakePipe, 50.05);
    h.settings.BrakeDelayCalculationTrainLength = 10;
    h.settings.BrakePipeDelayedFillRate = 0;
    h.Run(100);
    EXPECT_DOUBLE_EQ(h.model.dBrakePipe, 50.05);
    // Past the pole of a rising rate the pipe reaches its target in one step.
    h.settings.BrakePipeInitialFillRate = 0.05;
    h.settings.BrakePipeDelayedFillRate = 1;
    h.model.iCars = 20;
    h.Step();
    EXPECT_EQ(h.model.dBrakePipe, 80.0);
}

TEST(TrainBrakes, ServiceApplicationAndFullServiceLimit) {
    TrainHarness h;
    h.Release(); // reservoir 90, cylinder 0
    h.model.iBrakeHandle = 80;
    h.Run(19);
    EXPECT_GT(h.model.dBrakePipe, 80.0);
    EXPECT_LT(h.model.dBrakeCylinder, 25.0);
    h.Step(); // the pipe reaches 80
    EXPECT_EQ(h.model.dBrakePipe, 80.0);
    EXPECT_EQ(h.model.dBrakeCylinder, 25.0); // 2.5 × 10
    EXPECT_EQ(h.model.dAuxReservoir, 80.0);
    h.Run(10);
    EXPECT_EQ(h.model.dBrakeCylinder, 25.0);

    h.model.iBrakeHandle = 0;
    double highest = 0;
    for (int i = 0; i < 400; ++i) {
        h.Step();
        highest = std::max(highest, h.model.dBrakeCylinder);
    }
    EXPECT_EQ(h.model.dBrakePipe, 0.0);
    EXPECT_NEAR(h.model.dBrakeCylinder, TrainHarness::kPfs, 1e-9);
    EXPECT_NEAR(h.model.dAuxReservoir, TrainHarness::kPfs, 1e-9);
    EXPECT_LE(highest, TrainHarness::kPfs + 1e-9);
}

TEST(TrainBrakes, RaisingPipeAboveReservoirReleasesAtOnce) {
    // One step of fill: 0.005 psi is within the valve's 0.01 tolerance, 0.02 is not.
    const std::pair<double, double> cases[] = {{0.005, 50.0}, {0.02, 0.0}};
    for (const auto& [fill, cylinder] : cases) {
        TrainHarness h;
        h.settings.BrakePipeInitialFillRate = fill;
        h.model.iBrakeHandle = 90;
        h.model.dBrakePipe = h.model.dAuxReservoir = h.model.dBrakeCylinder = 50;
        h.Step();
        EXPECT_DOUBLE_EQ(h.model.dBrakePipe, 50 + fill);
        EXPECT_EQ(h.model.dBrakeCylinder, cylinder) << fill;
    }
    // With the default 1 psi per step: reservoir takes 2 % of the difference.
    TrainHarness h;
    h.model.iBrakeHandle = 90;
    h.model.dBrakePipe = h.model.dAuxReservoir = h.model.dBrakeCylinder = 50;
    h.Step();
    EXPECT_EQ(h.model.dBrakeCylinder, 0.0);
    EXPECT_DOUBLE_EQ(h.model.dAuxReservoir, 50.02);
}

struct PresetCase {
    const char* what;
    int brakeType;
    void (*apply)(TrainModel&);
    int locoLevel;
    int pipeTarget;
    double pipe;
    int handle;
};

TEST(TrainBrakes, BrakePresets) {
    const double pfs = TrainHarness::kPfs;
    const PresetCase cases[] = {
        {"load, train brake", kTrainBrake, [](TrainModel& m) { m.LoadLoco(m.CurrentLoco()); }, 7,
         63, 63, 63},
        {"load, loco brake", kLocoBrake, [](TrainModel& m) { m.LoadLoco(m.CurrentLoco()); }, 7, 90,
         90, 7},
        {"driver emergency, train brake", kTrainBrake,
         [](TrainModel& m) { m.EmergencyStop(false); }, 7, 63, 63, 63},
        {"driver emergency, loco brake", kLocoBrake, [](TrainModel& m) { m.EmergencyStop(false); },
         7, 90, 90, 7},
        {"throttle emergency, train brake", kTrainBrake,
         [](TrainModel& m) { m.EmergencyStop(true); }, 7, 0, 0, 0},
        {"throttle emergency, loco brake", kLocoBrake, [](TrainModel& m) { m.EmergencyStop(true); },
         7, 90, 90, 7},
        // The level stays as it was; only the locomotive brake uses it.
        {"switch to train brake", kLocoBrake, [](TrainModel& m) { m.SwitchToTrainBrake(); }, 3, 63,
         63, 63},
    };
    for (const PresetCase& c : cases) {
        TrainHarness h(c.brakeType);
        h.Release();
        h.model.iLocoBrakeLevel = 3;
        c.apply(h.model);
        EXPECT_EQ(h.model.iLocoBrakeLevel, c.locoLevel) << c.what;
        EXPECT_EQ(h.model.iBrakePipeTarget, c.pipeTarget) << c.what;
        EXPECT_EQ(h.model.dBrakePipe, c.pipe) << c.what;
        EXPECT_EQ(h.model.iBrakeHandle, c.handle) << c.what;
        EXPECT_EQ(h.model.dBrakeCylinder, pfs) << c.what;
        EXPECT_EQ(h.model.dAuxReservoir, pfs) << c.what;
    }

    // Switching to the locomotive brake leaves the pipe and cylinders as they are.
    TrainHarness h;
    h.model.dBrakePipe = 55.5;
    h.model.dAuxReservoir = 70;
    h.model.dBrakeCylinder = 12;
    h.model.SwitchToLocoBrake();
    EXPECT_EQ(h.model.iBrakeType, kLocoBrake);
    EXPECT_EQ(h.model.iLocoBrakeLevel, 7);
    EXPECT_EQ(h.model.iBrakePipeTarget, 90);
    EXPECT_EQ(h.model.iBrakeHandle, 7);
    EXPECT_EQ(h.model.dBrakePipe, 55.5);
    EXPECT_EQ(h.model.dAuxReservoir, 70.0);
    EXPECT_EQ(h.model.dBrakeCylinder, 12.0);
    h.Step(); // the pipe recharges towards 90
    EXPECT_EQ(h.model.dBrakePipe, 56.5);
}

TEST(TrainBrakes, LoadClearsMotionAndEmergencyHoldsTheTrain) {
    TrainHarness h;
    h.model.dSpeed = 10;
    h.model.dAccel = 1;
    h.model.iPowerStep = h.model.iAppliedPowerStep = 5;
    h.model.dGradePercent = 3;
    h.model.iDirection = kBackwards;
    h.model.iSentDirection = kBackwards;
    h.model.bSpeedHold = true;
    h.Load(TrainHarness::DefaultLoco());
    EXPECT_EQ(h.model.dSpeed, 0.0);
    EXPECT_EQ(h.model.dAccel, 0.0);
    EXPECT_EQ(h.model.iPowerStep, 0);
    EXPECT_EQ(h.model.iAppliedPowerStep, 0);
    EXPECT_EQ(h.model.dGradePercent, 0.0);
    EXPECT_EQ(h.model.iDirection, kForwards);
    EXPECT_EQ(h.model.iSentDirection, kForwards);
    EXPECT_FALSE(h.model.bSpeedHold);

    // An emergency on a steep grade: the train stays put while speed hold is set.
    h.Release();
    h.model.dGradePercent = 5;
    h.SetMph(20);
    h.model.iPowerStep = h.model.iAppliedPowerStep = 8;
    h.model.dTractiveEffort = 30;
    h.model.EmergencyStop(false);
    EXPECT_TRUE(h.model.bSpeedHold);
    EXPECT_EQ(h.model.dSpeed, 0.0);
    EXPECT_EQ(h.model.dMph, 0.0);
    EXPECT_EQ(h.model.iPowerStep, 0);
    EXPECT_EQ(h.model.iAppliedPowerStep, 0);
    EXPECT_EQ(h.model.CurrentGauges().Ammeter, 0);
    h.Run(300);
    EXPECT_EQ(h.model.dSpeed, 0.0);
    EXPECT_LT(h.model.dAccel, 0.0); // the grade pulls, the hold keeps it
    h.model.bSpeedHold = false;
    h.Step(); // moves downhill; the applied brakes stop it again in the next step
    EXPECT_LT(h.model.dSpeed, 0.0);
}

TEST(TrainBrakes, GaugesShowTheBrakeSystemAndReportChanges) {
    TrainHarness h; // train brake, pipe 63, cylinder at full service
    GaugeValues g = h.model.CurrentGauges();
    EXPECT_EQ(g.Brake, 63);
    EXPECT_EQ(g.BrakeBar, 63); // 64.29 / 100 × 98
    EXPECT_EQ(g.BrakePipe, 63);
    EXPECT_EQ(g.BrakePipeBar, 61);

    h.model.iBrakeHandle = 90;
    StepReport r = h.Step(); // pipe 64, still below the reservoir
    EXPECT_EQ(r.Gauges.Brake, 90);
    EXPECT_EQ(r.Gauges.BrakePipe, 64);
    EXPECT_EQ(r.Gauges.BrakePipeBar, 62);
    EXPECT_EQ(r.Gauges.BrakeBar, 63);
    EXPECT_EQ(r.GaugesChanged, unsigned{kBrakeDigits | kBrakePipeDigits | kBrakePipeBar});
    r = h.Step(); // pipe 65, above the reservoir: released at once
    EXPECT_EQ(r.Gauges.BrakeBar, 0);
    EXPECT_EQ(r.GaugesChanged, unsigned{kBrakeBar | kBrakePipeDigits | kBrakePipeBar});
    EXPECT_FALSE(r.GaugesChanged & kAmmeterDigits);
    h.model.iPowerStep = 3;
    EXPECT_EQ(h.Step().GaugesChanged & kPowerDigits, unsigned{kPowerDigits});

    TrainHarness l(kLocoBrake);
    g = l.model.CurrentGauges();
    EXPECT_EQ(g.Brake, 70); // level 7 reads in psi
    EXPECT_EQ(g.BrakeBar, 68);
    EXPECT_EQ(g.BrakePipe, 90);
    EXPECT_EQ(g.BrakePipeBar, 88);
    // A pipe far above 100 psi keeps its bar inside the gauge.
    l.model.dBrakePipe = 150;
    EXPECT_EQ(l.model.CurrentGauges().BrakePipeBar, 98);
}

} // namespace
