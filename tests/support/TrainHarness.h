#pragma once
// A train model with the default settings and the built-in default locomotive (2500 hp,
// 200 t, 4 axles), stepped every 10 ms from tick 0.

#include "core/throttles/LocoRecord.h"
#include "core/throttles/TrainModel.h"

struct TrainHarness {
    Settings settings;
    TrainModel model{settings};
    Tick now = 0;

    // Full-service cylinder pressure at the default 90 psi.
    static constexpr double kPfs = 90 * 2.5 / 3.5;

    static Loco DefaultLoco(int brakeType = kTrainBrake) {
        Loco loco = BuiltInLoco();
        loco.InitialBrakeType = brakeType;
        return loco;
    }

    explicit TrainHarness(int brakeType = kTrainBrake) { Load(DefaultLoco(brakeType)); }

    void Load(const Loco& loco) {
        model.LoadLoco(loco);
        model.StartTicks(now);
    }

    // Brakes released and charged, as after a long wait with the handle at 90 psi.
    void Release() {
        model.iBrakeHandle = 90;
        model.dBrakePipe = model.dAuxReservoir = 90;
        model.dBrakeCylinder = 0;
    }

    // Running at `mph` without acceleration carried over from earlier steps.
    void SetMph(double mph) {
        model.dSpeed = mph * 1.60932 / 3.6;
        model.dAccel = 0;
    }

    StepReport Step() {
        now += 10;
        return model.Step(now);
    }

    void Run(int steps) {
        for (int i = 0; i < steps; ++i)
            Step();
    }
};
