// Cost of one Idle pass of ten running realistic throttles: each train under way with its
// brake pipe charging, as the link's processing step calls them.

#include "core/roster/RosterData.h"
#include "core/settings/Settings.h"
#include "core/sim/SimPort.h"
#include "tools/drive/DriveSession.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

class NoPrompts : public Prompts {
public:
    PromptAnswer Ask(const std::string&, PromptButtons, PromptIcon) override {
        return PromptAnswer::Ok;
    }
};

class NoBeeper : public Beeper {
public:
    void Tone(int, int) override {}
};

constexpr int kTrains = 10;

struct TenTrains {
    ManualClock clock;
    NoPrompts prompts;
    NoBeeper beeper;
    ProgramSettings settings;
    RosterData data;
    CLoconet link{clock, beeper, prompts};
    std::vector<std::unique_ptr<RealisticThrottle>> trains;

    TenTrains() {
        data.decoders.count = 1;
        for (int i = 0; i < kTrains; ++i) {
            Loco& loco = data.roster.locos[static_cast<std::size_t>(i)];
            loco.Id = i;
            loco.MotorAddr = 100 + i;
            loco.Axels = 4;
            loco.Power = 2500;
            loco.Weight = 200;
        }
        data.roster.count = kTrains;
        settings.settings.NumberOfCarsTable = "20";
        link.SetSettings(&settings);
        link.SetPortFactory(
            [this](const std::string&) { return std::make_unique<SimPort>(clock); });
        link.Open("sim");
        for (int i = 0; i < kTrains; ++i) {
            auto t =
                std::make_unique<RealisticThrottle>(link, clock, beeper, prompts, settings, data);
            link.RegisterThrottle(i, t.get());
            t->OnLocoChosen(i);
            t->OnAcquireRelease(std::to_string(200 + i), std::to_string(300 + i));
            for (int step = 0; step < 200 && !t->Running(); ++step) {
                clock.now += 5;
                link.Process();
            }
            t->OnPowerSliderReleased(0); // notch 8
            t->OnBrakeSliderReleased(0); // brakes released fully
            trains.push_back(std::move(t));
        }
        // From here the slot commands only write the table: nothing waits on the bus.
        settings.settings.Offline = 1;
    }
    ~TenTrains() {
        for (int i = 0; i < kTrains; ++i)
            link.RemoveThrottle(i);
    }
};

void BM_RealisticIdlePass(benchmark::State& state) {
    TenTrains trains;
    for (auto& t : trains.trains)
        if (!t->Running()) {
            state.SkipWithError("a train did not acquire its slots");
            return;
        }
    for (auto _ : state) {
        trains.clock.now += 10;
        for (auto& t : trains.trains)
            t->Idle(trains.clock.now);
    }
    // Under way at the end: the passes ran the whole cycle, physics included.
    state.counters["mph"] = trains.trains.front()->Model().dMph;
}
BENCHMARK(BM_RealisticIdlePass)->Unit(benchmark::kMicrosecond);

} // namespace
