#pragma once
// The link on a real port with the real clock, driven as the program drives it: a 5 ms timer
// and the port's ready-read call both run the processing step. A registered test throttle
// records what the link tells it.

#include "core/loconet/Loconet.h"
#include "core/settings/Settings.h"
#include "core/sim/SimPort.h"
#include "core/util/SystemClock.h"
#include "io/PortFactory.h"
#include "support/Fakes.h"

#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// Records selections, slot updates and releases; counts its periodic calls. Like a throttle
// window it takes the slot that a selection gives its locomotive.
class TestThrottle : public Throttle {
public:
    TestThrottle() : Throttle(ThrottleType::Simple) {}
    void CloseThrottle() override {}
    void FunctionStateChanged(int, bool) override {}
    void ReleaseAll() override { ++releases; }
    void UpdateControls(Tick, int slot, int which) override {
        controls.push_back(std::to_string(slot) + " " + std::to_string(which));
        if (which == kWhichLoco)
            iSlot = slot;
    }
    void SetButtons() override {}
    void Idle(Tick) override { ++idles; }
    void UpdateThrottle(Tick, int which) override { updates.push_back(which); }
    void UpdateThrottleF9toF12(std::uint8_t bits, Tick, int which) override {
        f9to12.push_back(std::to_string(bits) + " " + std::to_string(which));
    }

    std::vector<std::string> controls; // "slot which" of each UpdateControls
    std::vector<int> updates;          // `which` of each UpdateThrottle
    std::vector<std::string> f9to12;   // "bits which"
    int releases = 0;
    int idles = 0;
};

class LinkBench {
public:
    static constexpr int kThrottleIndex = 99;
    static constexpr int kWaitMs = 10000; // generous: the machine may be busy

    LinkBench() {
        link.SetSettings(&settings);
        link.SetMonitorSink([this](const std::string& line) { lines.push_back(line); });
        link.SetPortFactory([this](const std::string& name) {
            ++portsMade;
            auto port = CreatePort(name, clock);
            port->SetReadyReadHandler([this] { link.Process(); });
            return port;
        });
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            if (auto* sim = dynamic_cast<SimPort*>(link.Port()))
                sim->Poll();
            link.Process();
        });
        timer.setTimerType(Qt::PreciseTimer);
        timer.start(5);
        throttle.bActive = true;
        link.RegisterThrottle(kThrottleIndex, &throttle);
    }
    ~LinkBench() { link.RemoveThrottle(kThrottleIndex); }

    static bool WaitFor(const std::function<bool()>& condition, int timeoutMs = kWaitMs) {
        return QTest::qWaitFor(condition, timeoutMs);
    }
    // Every queued message was sent and echoed.
    bool Idle() const { return link.Queue().Empty() && !link.IsWaitingForEcho(); }
    bool HasLine(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0)
                out.push_back(l);
        return out;
    }
    // The lines appear in this order (others may come between them); "" when they do, else
    // the first one missing.
    std::string MissingInOrder(const std::vector<std::string>& expected) const {
        auto it = lines.begin();
        for (const auto& e : expected) {
            it = std::find(it, lines.end(), e);
            if (it == lines.end())
                return e;
            ++it;
        }
        return "";
    }
    SimCommandStation* Sim() const {
        auto* sim = dynamic_cast<SimPort*>(link.Port());
        return sim != nullptr ? &sim->Station() : nullptr;
    }

    SystemClock clock;
    RecordingBeeper beeper;
    ScriptedPrompts prompts;
    ProgramSettings settings;
    std::vector<std::string> lines;
    int portsMade = 0; // the first opening and each attempt to open again
    TestThrottle throttle;
    CLoconet link{clock, beeper, prompts};
    QTimer timer;
};
