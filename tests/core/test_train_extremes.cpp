// Whatever the settings file, the roster or the window hands the train model, its state
// stays finite and its gauges inside their frames.

#include "support/TrainHarness.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectSane(const TrainModel& m, const std::string& what) {
    const double values[] = {m.dSpeed,
                             m.dAccel,
                             m.dMph,
                             m.dBrakePipe,
                             m.dAuxReservoir,
                             m.dBrakeCylinder,
                             m.dTractiveEffort,
                             m.dResistance,
                             m.dGradeForce,
                             m.dBrakeForce,
                             m.dShownMph,
                             m.dCarWeight,
                             m.dTrainWeight,
                             m.dCarAxles,
                             m.dTrainAxles,
                             m.dCarBrakingFactor,
                             m.dFullServicePressure};
    for (double v : values)
        ASSERT_TRUE(std::isfinite(v)) << what;
    ASSERT_LE(std::fabs(m.dSpeed), 27.5) << what;
    ASSERT_GE(m.iSpeedStep, 0) << what;
    ASSERT_LE(m.iSpeedStep, 126) << what;
    const GaugeValues g = m.CurrentGauges();
    for (int bar : {g.AmmeterBar, g.BrakeBar, g.BrakePipeBar}) {
        ASSERT_GE(bar, 0) << what;
        ASSERT_LE(bar, 98) << what;
    }
}

// Drives the train through power, release, application, a long pause, an emergency and
// both brake switches, checking the state after every step.
void Exercise(TrainHarness& h, const std::string& what) {
    auto steps = [&](int n) {
        for (int i = 0; i < n; ++i) {
            h.Step();
            ExpectSane(h.model, what);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    };
    h.model.iBrakeHandle = 90;
    h.model.iPowerStep = h.model.iAppliedPowerStep = 8;
    steps(60);
    h.model.iAppliedPowerStep = 0;
    h.model.iBrakeHandle = 0;
    steps(60);
    h.now += 3'600'000; // an hour without a step
    steps(2);
    h.model.EmergencyStop(true);
    h.model.bSpeedHold = false;
    steps(5);
    h.model.SwitchToLocoBrake();
    steps(5);
    h.model.SwitchToTrainBrake();
    steps(5);
}

struct Mutation {
    std::string what;
    std::function<void(TrainHarness&)> apply;
};

std::vector<Mutation> Mutations() {
    std::vector<Mutation> all;
    const std::pair<const char*, double Settings::*> doubles[] = {
        {"EmptyCarWeight", &Settings::EmptyCarWeight},
        {"NetCarLoad", &Settings::NetCarLoad},
        {"StandardBrakeSystemPreasure", &Settings::StandardBrakeSystemPreasure},
        {"MaxLocoBrakeCylinderPreasure", &Settings::MaxLocoBrakeCylinderPreasure},
        {"EmptyCarBrakingFactor", &Settings::EmptyCarBrakingFactor},
        {"LoadedCarBrakingFactor", &Settings::LoadedCarBrakingFactor},
        {"LocoBrakingFactor", &Settings::LocoBrakingFactor},
        {"BrakePipeInitialFillRate", &Settings::BrakePipeInitialFillRate},
        {"BrakePipeDelayedFillRate", &Settings::BrakePipeDelayedFillRate},
        {"BrakePipeInitialReleaseRate", &Settings::BrakePipeInitialReleaseRate},
        {"BrakePipeDelayedReleaseRate", &Settings::BrakePipeDelayedReleaseRate},
        {"AuxFillRate", &Settings::AuxFillRate},
        {"ResistanceFactorWeight", &Settings::ResistanceFactorWeight},
        {"ResistanceFactorAxels", &Settings::ResistanceFactorAxels},
        {"ResistanceFactorSpeedLoco", &Settings::ResistanceFactorSpeedLoco},
        {"ResistanceFactorSpeedCar", &Settings::ResistanceFactorSpeedCar},
        {"ResistanceFactorAir", &Settings::ResistanceFactorAir},
        {"LocoCrossSection", &Settings::LocoCrossSection},
    };
    const double odd[] = {kInf, -kInf, kNaN, 1e308, -1e308, 0.0, 1e-308, -3.0};
    for (const auto& [name, field] : doubles)
        for (double v : odd)
            all.push_back(
                {std::string(name) + "=" + std::to_string(v), [member = field, v](TrainHarness& h) {
                     h.settings.*member = v;
                     h.Load(TrainHarness::DefaultLoco());
                     h.model.iCars = 20;
                     h.model.dLoadPercent = 50;
                 }});
    for (int v : {0, -1, INT_MAX, INT_MIN}) {
        all.push_back(
            {"BrakeDelayCalculationTrainLength=" + std::to_string(v), [v](TrainHarness& h) {
                 h.settings.BrakeDelayCalculationTrainLength = v;
                 h.model.iCars = 7;
             }});
        all.push_back({"AxelsPerCar=" + std::to_string(v), [v](TrainHarness& h) {
                           h.settings.AxelsPerCar = v;
                           h.model.iCars = UINT_MAX;
                       }});
    }
    const std::pair<const char*, std::function<void(Loco&)>> locos[] = {
        {"Power inf", [](Loco& l) { l.Power = kInf; }},
        {"Power NaN", [](Loco& l) { l.Power = kNaN; }},
        {"Power 1e308", [](Loco& l) { l.Power = 1e308; }},
        {"Weight 0", [](Loco& l) { l.Weight = 0; }},
        {"Weight 1e-300", [](Loco& l) { l.Weight = 1e-300; }},
        {"Weight -200", [](Loco& l) { l.Weight = -200; }},
        {"Weight NaN", [](Loco& l) { l.Weight = kNaN; }},
        {"Axels INT_MAX", [](Loco& l) { l.Axels = INT_MAX; }},
        {"InitialBrakeType 5", [](Loco& l) { l.InitialBrakeType = 5; }},
    };
    for (const auto& [name, change] : locos)
        all.push_back({std::string("loco ") + name, [edit = change](TrainHarness& h) {
                           Loco loco = TrainHarness::DefaultLoco();
                           edit(loco);
                           h.Load(loco);
                       }});
    const std::pair<const char*, std::function<void(TrainModel&)>> inputs[] = {
        {"cars UINT_MAX", [](TrainModel& m) { m.iCars = UINT_MAX; }},
        {"load inf", [](TrainModel& m) { m.dLoadPercent = kInf; }},
        {"load NaN", [](TrainModel& m) { m.dLoadPercent = kNaN; }},
        {"load -1e308", [](TrainModel& m) { m.dLoadPercent = -1e308; }},
        {"grade inf", [](TrainModel& m) { m.dGradePercent = kInf; }},
        {"grade -inf", [](TrainModel& m) { m.dGradePercent = -kInf; }},
        {"grade NaN", [](TrainModel& m) { m.dGradePercent = kNaN; }},
        {"brake type 7", [](TrainModel& m) { m.iBrakeType = 7; }},
        {"speed NaN", [](TrainModel& m) { m.dSpeed = kNaN; }},
    };
    for (const auto& [name, change] : inputs)
        all.push_back({name, [edit = change](TrainHarness& h) { edit(h.model); }});
    return all;
}

TEST(TrainExtremes, StateStaysFiniteWhateverTheInputs) {
    for (const Mutation& m : Mutations()) {
        TrainHarness h;
        m.apply(h);
        Exercise(h, m.what);
        if (HasFatalFailure())
            return;
    }
}

TEST(TrainExtremes, HandlesOutOfRangeStayFinite) {
    for (int handle : {INT_MAX, INT_MIN}) {
        for (int type : {kTrainBrake, kLocoBrake}) {
            TrainHarness h(type);
            h.model.iPowerStep = h.model.iAppliedPowerStep = handle;
            h.model.iBrakeHandle = handle;
            for (int i = 0; i < 200; ++i) {
                h.Step();
                ExpectSane(h.model, "handle " + std::to_string(handle));
            }
        }
    }
}

TEST(TrainExtremes, TrainWithoutWeightDoesNotAccelerate) {
    Loco loco = TrainHarness::DefaultLoco();
    loco.Weight = 0;
    TrainHarness h;
    h.Load(loco);
    h.model.iBrakeHandle = 90;
    h.model.iAppliedPowerStep = 8;
    h.model.dGradePercent = 3;
    for (int i = 0; i < 100; ++i) {
        h.Step();
        ASSERT_EQ(h.model.dAccel, 0.0);
        ASSERT_EQ(h.model.dSpeed, 0.0);
    }
    // With cars it has weight again and moves.
    h.model.iCars = 5;
    h.Run(3);
    EXPECT_NE(h.model.dSpeed, 0.0);
}

} // namespace
