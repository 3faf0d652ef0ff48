// Arbitrary bus bytes through the link's receive path, with the program's own traffic,
// selections and clock steps mixed in, so that echo, retry, the reply hold, the slot
// table and the monitor text all see hostile input.

#include "core/loconet/Loconet.h"
#include "core/loconet/MemoryPort.h"
#include "core/settings/Settings.h"

#include "support/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

// A throttle that drives the link back from every call it gets.
class EchoThrottle : public Throttle {
public:
    EchoThrottle(CLoconet& link, ThrottleType type) : Throttle(type), link_(link) {}
    void CloseThrottle() override {}
    void FunctionStateChanged(int, bool) override {}
    void ReleaseAll() override { link_.ReleaseLoco(iSlot, this); }
    void UpdateControls(Tick, int slot, int which) override {
        if (which == 0)
            iSlot = slot;
        else
            iSoundSlot = slot;
        if (which == 0)
            link_.SelectLoco(registryIndex, 3, 1);
    }
    void SetButtons() override {}
    void Idle(Tick) override { link_.SetSlotSpeed(iSlot, 5, false); }
    void UpdateThrottle(Tick, int) override { link_.SetSlotForw(iSlot, true, false); }
    void UpdateThrottleF9toF12(std::uint8_t bits, Tick, int) override {
        link_.SendImmF9toF12(iSlot, bits);
    }

private:
    CLoconet& link_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    StepClock clock;
    SilentBeeper beeper;
    SilentPrompts prompts;
    ProgramSettings settings;
    settings.DebugMode = data[0] & 1;
    clock.now = (data[0] & 2) != 0 ? 0xFFFFFF00u : 0;
    std::size_t lineBytes = 0;
    MemoryPort* port = nullptr;
    CLoconet link(clock, beeper, prompts);
    link.SetSettings(&settings);
    link.SetMonitorSink([&](const std::string& line) { lineBytes += line.size(); });
    link.SetPortFactory([&](const std::string&) {
        auto p = std::make_unique<MemoryPort>();
        p->echo = (data[0] & 4) != 0;
        port = p.get();
        return p;
    });
    EchoThrottle simple(link, ThrottleType::Simple);
    EchoThrottle realistic(link, ThrottleType::Realistic);
    link.RegisterThrottle(0, &simple);
    link.RegisterThrottle(99, &realistic);
    simple.bActive = (data[0] & 8) != 0;
    realistic.iSlot = data[1] & 0x7F;
    realistic.iPowerSlot = (data[1] + 1) & 0x7F;
    if (!link.Open("fuzz"))
        return 0;
    link.SelectLoco(99, data[1] * 40, 0);

    // The rest: runs of bus bytes, each followed by a processing step. A byte 0xF8 to 0xFF
    // that ends a run also advances the clock by a step of its own size.
    std::size_t start = 2;
    for (std::size_t i = 2; i < size; ++i) {
        const std::uint8_t b = data[i];
        if (b < 0xF8 && i + 1 < size)
            continue;
        port->Feed(data + start, i + 1 - start);
        link.Process();
        clock.now += (b & 0x07) * 60u;
        if ((b & 0x07) == 5)
            link.SetSlotF0toF08(b & 0x7F, b & 0x0F, true);
        start = i + 1;
    }
    link.Process();
    link.RemoveThrottle(0);
    link.RemoveThrottle(99);
    return 0;
}
