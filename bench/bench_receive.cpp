// Messages per second through the link's receive path: assembly, checks, slot table,
// throttle updates and monitor text, for a stream of the traffic a busy layout carries.
// A saturated LocoNet carries about 400 messages a second.

#include "core/loconet/Loconet.h"
#include "core/loconet/MemoryPort.h"
#include "core/settings/Settings.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class FixedClock : public Clock {
public:
    Tick Now() const override { return 1000; }
};
class NoBeeper : public Beeper {
public:
    void Tone(int, int) override {}
};
class NoPrompts : public Prompts {
public:
    PromptAnswer Ask(const std::string&, PromptButtons, PromptIcon) override {
        return PromptAnswer::Ok;
    }
};
class CountingThrottle : public Throttle {
public:
    CountingThrottle() : Throttle(ThrottleType::Realistic) {}
    void CloseThrottle() override {}
    void FunctionStateChanged(int, bool) override {}
    void ReleaseAll() override {}
    void UpdateControls(Tick, int, int) override {}
    void SetButtons() override {}
    void Idle(Tick) override {}
    void UpdateThrottle(Tick, int) override { ++updates; }
    void UpdateThrottleF9toF12(std::uint8_t, Tick, int) override { ++updates; }
    long updates = 0;
};

void Add(std::vector<std::uint8_t>& out, std::vector<std::uint8_t> m) {
    m.push_back(Checksum(m.data(), static_cast<std::uint32_t>(m.size())));
    out.insert(out.end(), m.begin(), m.end());
}

// One round of mixed traffic: 20 messages.
std::vector<std::uint8_t> MixedRound(std::uint8_t n) {
    const std::uint8_t slot = static_cast<std::uint8_t>(1 + n % 20);
    std::vector<std::uint8_t> s;
    Add(s, {0xA0, slot, static_cast<std::uint8_t>(n & 0x7F)});
    Add(s, {0xA1, slot, static_cast<std::uint8_t>(n & 0x3F)});
    Add(s, {0xA2, slot, static_cast<std::uint8_t>(n & 0x0F)});
    Add(s, {0xB0, static_cast<std::uint8_t>(n & 0x7F), 0x30});
    Add(s, {0xB2, static_cast<std::uint8_t>(n & 0x7F), 0x50});
    Add(s, {0xB1, 0x11, 0x20});
    Add(s, {0xBD, 0x11, 0x30});
    Add(s, {0xE7, 0x0E, slot, 0x33, slot, 0x20, 0x10, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00});
    Add(s, {0xEF, 0x0E, slot, 0x33, slot, 0x20, 0x10, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00});
    Add(s, {0xED, 0x0B, 0x7F, 0x24, 0x02, slot, 0x22, 0x00, 0x00, 0x00});
    Add(s, {0xED, 0x0B, 0x7F, 0x34, 0x07, 0x44, 0x52, 0x29, 0x00, 0x00});
    Add(s, {0xBF, 0x00, slot});
    Add(s, {0xB4, 0x3F, 0x00});
    Add(s, {0xBA, slot, slot});
    Add(s, {0xB5, slot, 0x13});
    s.push_back(0x81);
    s.push_back(0x7E);
    s.push_back(0x83);
    s.push_back(0x7C);
    Add(s,
        {0xE5, 0x10, 0x01, 0x02, 0x03, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x11, 0x12, 0x13, 0x7F});
    Add(s, {0xA0, slot, 0x00});
    return s;
}
constexpr int kMessagesPerRound = 20;

void ReceiveMixedTraffic(benchmark::State& state) {
    const bool debug = state.range(0) != 0;
    FixedClock clock;
    NoBeeper beeper;
    NoPrompts prompts;
    ProgramSettings settings;
    settings.DebugMode = debug ? 1 : 0;
    CLoconet link(clock, beeper, prompts);
    link.SetSettings(&settings);
    std::size_t text = 0;
    link.SetMonitorSink([&text](const std::string& line) { text += line.size(); });
    MemoryPort* port = nullptr;
    link.SetPortFactory([&port](const std::string&) {
        auto p = std::make_unique<MemoryPort>();
        port = p.get();
        return p;
    });
    if (!link.Open("bench")) {
        state.SkipWithError("open failed");
        return;
    }
    std::vector<CountingThrottle> throttles(4);
    for (int i = 0; i < 4; ++i) {
        throttles[static_cast<std::size_t>(i)].iSlot = 1 + i;
        throttles[static_cast<std::size_t>(i)].iPowerSlot = 5 + i;
        link.RegisterThrottle(90 + i, &throttles[static_cast<std::size_t>(i)]);
    }
    std::vector<std::uint8_t> stream;
    constexpr int kRounds = 500;
    for (int r = 0; r < kRounds; ++r) {
        const auto round = MixedRound(static_cast<std::uint8_t>(r));
        stream.insert(stream.end(), round.begin(), round.end());
    }
    for (auto _ : state) {
        port->Feed(stream);
        link.Process();
    }
    benchmark::DoNotOptimize(text);
    state.SetItemsProcessed(state.iterations() * kRounds * kMessagesPerRound);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
    for (int i = 0; i < 4; ++i)
        link.RemoveThrottle(90 + i);
}
BENCHMARK(ReceiveMixedTraffic)->Arg(0)->Arg(1)->ArgName("debug");

} // namespace
