// Motion of the simulated train: forces, integration, limits and the step's report.

#include "support/TrainHarness.h"

#include <gtest/gtest.h>

namespace {

constexpr double kAccelPerTon = 32.2 * 0.30479; // ft/s² per g, times m per ft

struct TractiveCase {
    int step;
    int direction;
    double mph; // 0 means at rest, where 0.1 mph is used
    double effort;
};

TEST(TrainMotion, TractiveEffortFollowsPowerSpeedAndReverser) {
    const TractiveCase cases[] = {
        {8, kForwards, 10, 38.90625},   // 375 × 2500 × 0.83 / 10 / 2000
        {4, kForwards, 10, 19.453125},  //
        {8, kBackwards, 10, -38.90625}, //
        {8, kForwards, 0, 3890.625},    // at rest the 0.1 mph floor applies
        {0, kForwards, 10, 0.0},        //
        {8, kForwards, 60, 6.484375},
    };
    for (const TractiveCase& c : cases) {
        TrainHarness h;
        h.Release();
        h.SetMph(c.mph);
        h.model.iAppliedPowerStep = c.step;
        h.model.iDirection = c.direction;
        h.Step();
        EXPECT_DOUBLE_EQ(h.model.dTractiveEffort, c.effort) << c.step << " at " << c.mph;
    }
    // The exact figure of the 10 mph case, and what the ammeter makes of it.
    TrainHarness h;
    h.SetMph(10);
    h.model.iAppliedPowerStep = 8;
    const StepReport r = h.Step();
    EXPECT_EQ(h.model.dMph, 10.0);
    EXPECT_EQ(h.model.dTractiveEffort, 38.90625);
    EXPECT_EQ(r.Gauges.Ammeter, 38);
    EXPECT_EQ(r.Gauges.AmmeterBar, 74); // 38 / 50 × 98
    EXPECT_TRUE(r.GaugesChanged & kAmmeterDigits);
}

TEST(TrainMotion, TrainAtRestOnLevelTrackStaysAtRest) {
    for (const bool released : {false, true}) {
        TrainHarness h;
        if (released)
            h.Release();
        h.model.iCars = 20;
        h.model.dLoadPercent = 100;
        for (int i = 0; i < 500; ++i) {
            const StepReport r = h.Step();
            ASSERT_TRUE(r.Ran);
            ASSERT_EQ(h.model.dSpeed, 0.0);
            ASSERT_EQ(h.model.dAccel, 0.0);
            ASSERT_EQ(h.model.dResistance, 0.0);
            ASSERT_EQ(h.model.dBrakeForce, 0.0);
            ASSERT_EQ(h.model.dGradeForce, 0.0);
            ASSERT_EQ(r.SendDirection, -1);
        }
        EXPECT_EQ(h.model.iSpeedStep, 0);
        EXPECT_EQ(h.model.dMph, 0.0);
    }
}

TEST(TrainMotion, TrainOnGradeRollsDownhillDespiteBrakesThenBrakesStopIt) {
    TrainHarness h; // brakes applied: cylinder at full service
    h.model.dGradePercent = 2;
    ASSERT_DOUBLE_EQ(h.model.dBrakeCylinder, TrainHarness::kPfs);

    h.Step(); // at rest: no brake force, only the grade
    EXPECT_EQ(h.model.dSpeed, 0.0);
    EXPECT_EQ(h.model.dBrakeForce, 0.0);
    EXPECT_DOUBLE_EQ(h.model.dGradeForce, 4.0); // 200 t × 2 %
    EXPECT_DOUBLE_EQ(h.model.dAccel, -4.0 / 200 * kAccelPerTon);

    StepReport r = h.Step(); // rolling backwards downhill
    EXPECT_LT(h.model.dSpeed, 0.0);
    EXPECT_EQ(r.SendDirection, kBackwards);
    EXPECT_DOUBLE_EQ(h.model.dBrakeForce, 40.0); // 200 t × 0.2, opposing the motion
    EXPECT_GT(h.model.dResistance, 0.0);
    EXPECT_GT(h.model.dAccel, 0.0);

    r = h.Step(); // the brakes would reverse it: stopped at exactly 0 instead
    EXPECT_EQ(h.model.dSpeed, 0.0);
    EXPECT_EQ(r.SendDirection, -1);
}

TEST(TrainMotion, BrakingTrainStopsAtZeroAndDoesNotRollBack) {
    TrainHarness h; // train brake applied at full service
    h.model.iCars = 10;
    h.model.dLoadPercent = 50;
    h.SetMph(30);
    int steps = 0;
    while (h.model.dSpeed != 0.0 && steps < 100000) {
        const StepReport r = h.Step();
        ASSERT_GE(h.model.dSpeed, 0.0) << "step " << steps;
        ASSERT_NE(r.SendDirection, kBackwards);
        ++steps;
    }
    EXPECT_GT(steps, 1);
    EXPECT_EQ(h.model.dSpeed, 0.0);
    h.Run(100);
    EXPECT_EQ(h.model.dSpeed, 0.0);
    EXPECT_EQ(h.model.dMph, 0.0);
    EXPECT_EQ(h.model.iSentDirection, kForwards);
}

TEST(TrainMotion, SpeedIsLimitedTo99KmhBothWays) {
    for (const double sign : {1.0, -1.0}) {
        TrainHarness h;
        h.Release();
        h.model.dSpeed = 27 * sign;
        h.model.dAccel = 100 * sign;
        h.Step();
        EXPECT_EQ(h.model.dSpeed, 27.5 * sign);
        EXPECT_EQ(h.model.dMph, 62.0); // 61.5167 mph rounded
        EXPECT_EQ(h.model.iSpeedStep, 126);
    }
}

TEST(TrainMotion, SpeedometerValueIsRoundedAndRefreshedAtMostEvery500Ms) {
    const std::pair<double, double> rounding[] = {
        {0.04, 0.0}, {0.96, 1.0},  {1.4, 1.0},      {0.45, 0.5},
        {0.44, 0.4}, {12.6, 13.0}, {61.5167, 62.0},
    };
    for (const auto& [mph, shown] : rounding) {
        EXPECT_EQ(RoundMph(mph), shown) << mph;
        if (mph == 0.45)
            continue; // too close to the rounding edge to survive the m/s round trip
        TrainHarness h;
        h.Release();
        h.SetMph(mph);
        h.Step();
        EXPECT_EQ(h.model.dMph, shown) << mph;
    }

    TrainHarness h;
    h.Release();
    h.SetMph(20);
    StepReport r = h.Step(); // tick 10: changed, but too soon after the start
    EXPECT_EQ(h.model.dMph, 20.0);
    EXPECT_FALSE(r.SpeedometerChanged);
    EXPECT_EQ(r.Gauges.Speed, 0.0);
    while (h.now < 490)
        ASSERT_FALSE(h.Step().SpeedometerChanged);
    r = h.Step(); // tick 500
    EXPECT_TRUE(r.SpeedometerChanged);
    EXPECT_EQ(r.Gauges.Speed, h.model.dMph);
    EXPECT_EQ(h.model.dShownMph, h.model.dMph);
}

// A window redraws the speedometer on the report only, so the step after a reset must
// report the 0 that the reset put there.
TEST(TrainMotion, ResetReportsTheSpeedometerOnTheNextStep) {
    const std::pair<const char*, void (*)(TrainModel&)> resets[] = {
        {"emergency stop", [](TrainModel& m) { m.EmergencyStop(false); }},
        {"loco load", [](TrainModel& m) { m.LoadLoco(m.CurrentLoco()); }},
    };
    for (const auto& [name, reset] : resets) {
        SCOPED_TRACE(name);
        TrainHarness h;
        h.Release();
        h.SetMph(20);
        h.Run(50);
        ASSERT_EQ(h.model.CurrentGauges().Speed, 20.0);
        reset(h.model);
        const StepReport r = h.Step();
        EXPECT_TRUE(r.SpeedometerChanged);
        EXPECT_EQ(r.Gauges.Speed, 0.0);
        EXPECT_FALSE(h.Step().SpeedometerChanged);
    }
}

TEST(TrainMotion, AdhesionLimitsOnlyPositiveWheelForce) {
    // 5 mph at full power: 77.8 tons-force, cut to 200 t × 0.2 = 40.
    TrainHarness h;
    h.Release();
    h.SetMph(5);
    h.model.iAppliedPowerStep = 8;
    StepReport r = h.Step();
    EXPECT_DOUBLE_EQ(h.model.dTractiveEffort, 77.8125);
    EXPECT_TRUE(h.model.bWheelSlip);
    EXPECT_TRUE(r.WheelSlipChanged);
    EXPECT_DOUBLE_EQ(h.model.dAccel, (40 + h.model.dResistance) / 200 * kAccelPerTon);
    r = h.Step();
    EXPECT_TRUE(h.model.bWheelSlip);
    EXPECT_FALSE(r.WheelSlipChanged);

    // 10 mph: 38.9 is under the limit.
    h.SetMph(10);
    r = h.Step();
    EXPECT_FALSE(h.model.bWheelSlip);
    EXPECT_TRUE(r.WheelSlipChanged);

    // Strong braking while moving forwards: far below -40 and not limited.
    TrainHarness b;
    b.model.iCars = 20;
    b.SetMph(30);
    b.Step();
    const double weight = 200 + 20 * 20.0;
    EXPECT_LT(b.model.dBrakeForce, -40.0);
    EXPECT_FALSE(b.model.bWheelSlip);
    EXPECT_DOUBLE_EQ(b.model.dAccel,
                     (b.model.dBrakeForce + b.model.dResistance) / weight * kAccelPerTon);

    // Full power in reverse at rest: a huge negative force, not limited either.
    TrainHarness r2;
    r2.Release();
    r2.model.iAppliedPowerStep = 8;
    r2.model.iDirection = kBackwards;
    r2.Step();
    EXPECT_DOUBLE_EQ(r2.model.dTractiveEffort, -3890.625);
    EXPECT_FALSE(r2.model.bWheelSlip);
    EXPECT_DOUBLE_EQ(r2.model.dAccel, -3890.625 / 200 * kAccelPerTon);
}

TEST(TrainMotion, StepsRunOnlyAfter10MsAlsoAcrossTheTickWrap) {
    TrainHarness h;
    h.Release();
    h.model.StartTicks(0xFFFFFFF8u);
    h.model.dAccel = 1.0;
    EXPECT_FALSE(h.model.Step(0xFFFFFFFFu).Ran); // 7 ms
    EXPECT_FALSE(h.model.Step(2).Ran);           // 2 + (2^32 - 1 - last) = 9 ms
    EXPECT_EQ(h.model.dSpeed, 0.0);
    EXPECT_TRUE(h.model.Step(3).Ran); // 10 ms
    EXPECT_DOUBLE_EQ(h.model.dSpeed, 0.01);
    EXPECT_EQ(h.model.tLastPhysics, 3u);
    EXPECT_FALSE(h.model.Step(12).Ran);
    EXPECT_TRUE(h.model.Step(13).Ran);
}

// A long pause between steps (a suspended laptop) is taken in one step, within the speed
// limit, and the operator sees no box of numbers.
TEST(TrainMotion, ASpeedJumpAfterALongPauseIsLimitedQuietly) {
    TrainHarness h;
    h.Release();
    h.model.dAccel = 10;
    h.model.Step(6000);
    EXPECT_EQ(h.model.dSpeed, 27.5);
}

TEST(TrainMotion, ReportsDirectionChangesAndAccelerationSign) {
    TrainHarness h;
    h.Release();
    h.model.iAppliedPowerStep = 8;
    h.model.iDirection = kBackwards;
    StepReport r = h.Step(); // accelerating backwards from rest
    EXPECT_EQ(r.SendDirection, -1);
    EXPECT_TRUE(r.AccelSignChanged);
    r = h.Step();
    EXPECT_EQ(r.SendDirection, kBackwards);
    EXPECT_FALSE(r.AccelSignChanged);
    EXPECT_EQ(h.Step().SendDirection, -1);

    h.model.iDirection = kForwards; // slows, stops at 0, then moves forwards
    r = h.Step();
    EXPECT_TRUE(r.AccelSignChanged);
    int forwardsSent = 0;
    for (int i = 0; i < 2000; ++i)
        forwardsSent += h.Step().SendDirection == kForwards ? 1 : 0;
    EXPECT_EQ(forwardsSent, 1);
    EXPECT_GT(h.model.dSpeed, 0.0);
}

} // namespace
