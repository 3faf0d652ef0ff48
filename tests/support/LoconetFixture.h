#pragma once
// A link on an in-memory bus with a fake clock, recorded monitor lines and throttles that
// record what the link calls.

#include "core/loconet/Loconet.h"
#include "core/loconet/MemoryPort.h"
#include "core/settings/Settings.h"
#include "core/util/Text.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The bytes with their checksum appended.
inline Bytes WithChecksum(Bytes bytes) {
    bytes.push_back(Checksum(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    return bytes;
}

// A slot data message (0xE7 by default) for `slot` holding `address`.
inline Bytes SlotData(int slot, int address, std::uint8_t stat1 = 0x33, std::uint8_t spd = 0,
                      std::uint8_t dirf = 0, std::uint8_t snd = 0, std::uint8_t opcode = 0xE7) {
    return WithChecksum({opcode, 0x0E, static_cast<std::uint8_t>(slot), stat1,
                         static_cast<std::uint8_t>(address & 0x7F), spd, dirf, 0x07, 0x00,
                         static_cast<std::uint8_t>((address >> 7) & 0x7F), snd, 0x00, 0x00});
}

class RecordingThrottle : public Throttle {
public:
    explicit RecordingThrottle(ThrottleType kind = ThrottleType::Simple) : Throttle(kind) {}
    void CloseThrottle() override { calls.push_back("CloseThrottle"); }
    void FunctionStateChanged(int function, bool state) override {
        calls.push_back(text::Format("FunctionStateChanged %d %d", function, state ? 1 : 0));
    }
    void ReleaseAll() override {
        calls.push_back("ReleaseAll");
        if (onReleaseAll)
            onReleaseAll();
    }
    void UpdateControls(Tick now, int slot, int which) override {
        calls.push_back(text::Format("UpdateControls %u %d %d", now, slot, which));
        if (onUpdateControls)
            onUpdateControls(slot, which);
    }
    void SetButtons() override { calls.push_back("SetButtons"); }
    void Idle(Tick now) override {
        calls.push_back(text::Format("Idle %u", now));
        if (onIdle)
            onIdle();
    }
    void UpdateThrottle(Tick now, int which) override {
        calls.push_back(text::Format("UpdateThrottle %u %d", now, which));
        if (onUpdateThrottle)
            onUpdateThrottle(which);
    }
    void UpdateThrottleF9toF12(std::uint8_t bits, Tick now, int which) override {
        calls.push_back(text::Format("F9toF12 %d %u %d", bits, now, which));
    }

    std::uint32_t NextIdleDue(Tick) const override { return due; }

    std::vector<std::string> calls;
    std::uint32_t due = 0;
    std::function<void(int slot, int which)> onUpdateControls;
    std::function<void()> onIdle;
    std::function<void()> onReleaseAll;
    std::function<void(int which)> onUpdateThrottle;
};

// Counts its closes in a place that outlives it.
class CountingPort : public MemoryPort {
public:
    explicit CountingPort(int& closes) : closes_(closes) {}
    void Close() override {
        MemoryPort::Close();
        ++closes_;
    }

private:
    int& closes_;
};

class LinkTest : public ::testing::Test {
protected:
    LinkTest() {
        link.SetSettings(&settings);
        link.SetMonitorSink([this](const std::string& line) { lines.push_back(line); });
        link.SetPortFactory([this](const std::string&) {
            auto p = std::make_unique<CountingPort>(portCloses);
            p->openError = nextOpenError;
            port = p.get();
            return p;
        });
    }

    void OpenLink() { ASSERT_TRUE(link.Open("/dev/ttyUSB0")); }

    // Bytes from the bus, then one processing step.
    void Receive(const Bytes& bytes) {
        port->Feed(bytes);
        link.Process();
    }
    // The interface hands back the last message written.
    void EchoLastWrite() {
        ASSERT_FALSE(port->writes.empty());
        Receive(port->writes.back());
    }
    Bytes LastWrite() const { return port->writes.empty() ? Bytes{} : port->writes.back(); }
    // A valid slot from another station's slot data, lines and calls cleared afterwards.
    void MakeSlot(int slot, int address, std::uint8_t stat1 = 0x33, std::uint8_t spd = 0,
                  std::uint8_t dirf = 0, std::uint8_t snd = 0) {
        Receive(SlotData(slot, address, stat1, spd, dirf, snd));
        lines.clear();
    }
    RecordingThrottle& AddThrottle(int index, ThrottleType type, int slot, int sound = kNoSlot,
                                   int power = kNoSlot, int brake = kNoSlot) {
        auto t = std::make_unique<RecordingThrottle>(type);
        t->iSlot = slot;
        t->iSoundSlot = sound;
        t->iPowerSlot = power;
        t->iBrakeSlot = brake;
        EXPECT_TRUE(link.RegisterThrottle(index, t.get()));
        throttles.push_back(std::move(t));
        return *throttles.back();
    }

    FakeClock clock{1000};
    RecordingBeeper beeper;
    ScriptedPrompts prompts;
    ProgramSettings settings;
    std::vector<std::string> lines;
    std::string nextOpenError;
    MemoryPort* port = nullptr;
    int portCloses = 0;
    std::vector<std::unique_ptr<RecordingThrottle>> throttles;
    CLoconet link{clock, beeper, prompts};
};
