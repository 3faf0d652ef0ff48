// Cost of one physics step of the train model.

#include "core/throttles/TrainModel.h"

#include <benchmark/benchmark.h>

namespace {

Loco DefaultLoco() {
    Loco loco;
    loco.Axels = 4;
    loco.Power = 2500;
    loco.Weight = 200;
    return loco;
}

// A loaded train under way: power on, brake pipe moving, every term of the step active.
void BM_TrainStep(benchmark::State& state) {
    Settings settings;
    TrainModel model(settings);
    model.LoadLoco(DefaultLoco());
    model.iCars = 20;
    model.dLoadPercent = 50;
    model.dGradePercent = 0.5;
    model.iPowerStep = model.iAppliedPowerStep = 6;
    model.iBrakeHandle = 90;
    Tick now = 0;
    model.StartTicks(now);
    for (auto _ : state) {
        now += 10;
        // Swing the brake handle now and then so the pipe and valve keep working.
        if ((now & 0xFFF) == 0)
            model.iBrakeHandle = model.iBrakeHandle == 90 ? 70 : 90;
        StepReport report = model.Step(now);
        benchmark::DoNotOptimize(report);
        benchmark::DoNotOptimize(model.dSpeed);
    }
}
BENCHMARK(BM_TrainStep);

// The common case between steps: less than 10 ms has passed.
void BM_TrainStepSkipped(benchmark::State& state) {
    Settings settings;
    TrainModel model(settings);
    model.LoadLoco(DefaultLoco());
    model.StartTicks(0);
    for (auto _ : state) {
        StepReport report = model.Step(5);
        benchmark::DoNotOptimize(report);
    }
}
BENCHMARK(BM_TrainStepSkipped);

} // namespace
