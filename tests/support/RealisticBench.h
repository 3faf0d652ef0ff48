#pragma once
// A realistic throttle on the link against the simulated command station, on a fake clock,
// with a view that records what it is told and the messages the program puts on the bus.
// Tables: decoder types (0 none, 1 stepped on the motor address, 2 separate by speed), a
// small catalogue, and one plain locomotive at address 3; hand-helds on addresses 1 and 2.

#include "core/roster/RosterData.h"
#include "core/roster/TableFile.h"
#include "core/settings/Settings.h"
#include "support/Fakes.h"
#include "tools/drive/DriveSession.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class RecordingView : public RealisticThrottleView {
public:
    void Show(unsigned parts) override { shown |= parts; }
    void ShowButtons() override { ++buttonShows; }
    void Redraw(unsigned regions) override { redrawn |= regions; }
    void Focus(RealisticField field) override { focus = field; }
    void CloseWindow() override { ++closes; }

    unsigned shown = 0;
    unsigned redrawn = 0;
    int buttonShows = 0;
    RealisticField focus = RealisticField::Grade;
    int closes = 0;
};

struct BusMessage {
    Tick ms;
    std::vector<std::uint8_t> bytes; // without the checksum
};

class RealisticTest : public ::testing::Test {
protected:
    static constexpr const char* kDecoders =
        "Name\tType\tMaxLevel\tLevelOffset\tFuncStepped\tFuncUp\tFuncDown\tSpeedTable\tStartLevel\n"
        "None\t0\n"
        "Stepped\t1\t7\t1\t1\t5\t6\t\t2\n"
        "Speed\t2\t9\t1\t0\t0\t0\t0,14,28,42,56,70,84,98,112,126\t-1\n";
    static constexpr const char* kFunctions = "Id\tName\tBuiltin\tStatus\tFkey\n"
                                              "0\tPrivzeto\t1\t4\t-1\n"
                                              "1\tLuči\t0\t3\t0\n"
                                              "2\tVklop motorja\t5\t3\t1\n"
                                              "3\tHupa\t0\t2\t3\n"
                                              "-1\tŠtevilo vagonov\t2\t0\t9\n"
                                              "-2\tObtežba\t3\t0\t10\n"
                                              "-3\tTip zavore\t4\t0\t11\n";
    // Motor address 3, no sound, not advanced: the keys go straight through.
    static constexpr const char* kRoster =
        "header\n1\t\tPlain\t3\t0\t2500\t200\t4\t0\t0\t0\t0\tB 000\t\t0\t0\t0\n";

    RealisticTest() {
        auto d = TableFileReader::FromText(kDecoders);
        auto f = TableFileReader::FromText(kFunctions);
        auto r = TableFileReader::FromText(kRoster);
        EXPECT_TRUE(LoadStartupTables(data, prompts, d, f, r));
        prompts.texts.clear();
    }

    Loco& Record() { return data.roster.locos[0]; }

    // The session after the test has set up the settings and the record.
    void Start() {
        session = std::make_unique<DriveSession>(settings, data, prompts, beeper);
        throttle().SetView(&view);
        session->SetBusTrace([this](Tick now, char direction, const std::vector<std::uint8_t>& b) {
            if (direction == 'R')
                sent.push_back({now, std::vector<std::uint8_t>(b.begin(), b.end() - 1)});
        });
    }
    void Acquire() {
        if (!session)
            Start();
        throttle().OnAcquireRelease("1", "2");
        Run(300);
        ASSERT_TRUE(throttle().Running());
    }
    RealisticThrottle& throttle() { return session->throttle; }
    const TrainModel& model() { return session->throttle.Model(); }
    void Run(std::uint32_t ms) { session->Advance(ms); }
    std::string Cs(const std::string& command) { return session->Station(command); }
    void HandHeld(int address, const std::string& action) {
        ASSERT_EQ(Cs("throttle " + std::to_string(address) + " " + action).rfind("OK", 0), 0u);
        Run(20);
    }
    // The value bytes the program sent with `opcode` to `slot`, in order.
    std::vector<int> SentValues(std::uint8_t opcode, int slot) const {
        std::vector<int> values;
        for (const BusMessage& m : sent)
            if (m.bytes.size() == 3 && m.bytes[0] == opcode && m.bytes[1] == slot)
                values.push_back(m.bytes[2]);
        return values;
    }
    std::vector<Tick> SentTimes(std::uint8_t opcode, int slot) const {
        std::vector<Tick> times;
        for (const BusMessage& m : sent)
            if (m.bytes.size() == 3 && m.bytes[0] == opcode && m.bytes[1] == slot)
                times.push_back(m.ms);
        return times;
    }
    std::string SlotState(int slot) { return Cs("slot " + std::to_string(slot)); }

    ProgramSettings settings;
    RosterData data;
    ScriptedPrompts prompts;
    RecordingBeeper beeper;
    RecordingView view;
    std::unique_ptr<DriveSession> session;
    std::vector<BusMessage> sent;
};
