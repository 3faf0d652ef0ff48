// vlakomat-train: the command line, its table and its errors.

#include "tools/train/TrainTool.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct ToolRun {
    int code = -1;
    std::vector<std::string> lines;
    std::string err;
};

ToolRun RunTool(const std::vector<std::string>& args, const Settings& settings = {}) {
    std::ostringstream out, err;
    ToolRun run;
    run.code = RunTrainTool(args, settings, out, err);
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);)
        run.lines.push_back(line);
    run.err = err.str();
    return run;
}

const std::vector<std::string> kLoco = {"--power", "2500", "--weight", "200", "--axles", "4"};

std::vector<std::string> With(std::vector<std::string> more) {
    std::vector<std::string> args = kLoco;
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::vector<std::string> Fields(const std::string& csvLine) {
    std::vector<std::string> fields;
    std::istringstream in(csvLine);
    for (std::string f; std::getline(in, f, ',');)
        fields.push_back(f);
    return fields;
}

TEST(TrainTool, CsvStartsFromTheLoadPresetAndPrintsEverySecond) {
    const ToolRun run = RunTool(With({"--duration", "3", "--csv"}));
    ASSERT_EQ(run.code, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 5u);
    EXPECT_EQ(run.lines[0], "t,dSpeed,dMph,iSpeedStep,dBrakePipe,dAuxReservoir,dBrakeCylinder,"
                            "dTractiveEffort,dResistance,dBrakeForce,bWheelSlip");
    // Train brake applied: pipe 63, reservoir and cylinder at full service.
    EXPECT_EQ(run.lines[1], "0,0,0,0,63,64.285714285714292,64.285714285714292,0,0,0,0");
    // Nothing moves without power; the pipe holds at its target.
    EXPECT_EQ(run.lines[4], "3,0,0,0,63,64.285714285714292,64.285714285714292,0,0,0,0");
    EXPECT_TRUE(run.err.empty());
}

TEST(TrainTool, AtEntriesTakeEffectBeforeTheirStep) {
    // The locomotive brake at 0: its preset charges the pipe to 90 and the handle to 7.
    ToolRun run = RunTool(With({"--duration", "1", "--csv", "--at", "0", "brake-type=L"}));
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.lines[1], "0,0,0,0,90,64.285714285714292,64.285714285714292,0,0,0,0");

    // The last brake type at 0 is the starting one, without a switch preset.
    run = RunTool(With(
        {"--duration", "0", "--csv", "--at", "0", "brake-type=T", "--at", "0", "brake-type=L"}));
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.lines[1], "0,0,0,0,90,64.285714285714292,64.285714285714292,0,0,0,0");

    // A switch at 1 s applies before the step at tick 1000: the pipe gains its first psi.
    run = RunTool(With({"--duration", "1", "--csv", "--at", "1", "brake-type=L"}));
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.lines[2], "1,0,0,0,64,64.285714285714292,64.285714285714292,0,0,0,0");

    // Release and full power at 0: after one second the pipe is charged (1 psi a step), the
    // cylinder released and the wheels slip at this speed.
    run = RunTool(With({"--duration", "2", "--csv", "--at", "0", "brake=90", "power=8"}));
    ASSERT_EQ(run.code, 0) << run.err;
    const std::vector<std::string> f = Fields(run.lines[2]);
    ASSERT_EQ(f.size(), 11u);
    EXPECT_EQ(f[0], "1");
    EXPECT_GT(std::stod(f[1]), 0.0);
    EXPECT_EQ(f[4], "90");
    EXPECT_EQ(f[6], "0");
    EXPECT_EQ(f[10], "1");

    // Backwards: the speed is negative.
    run = RunTool(
        With({"--duration", "1", "--csv", "--at", "0", "brake=90", "power=8", "direction=B"}));
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_LT(std::stod(Fields(run.lines[2])[1]), 0.0);
}

TEST(TrainTool, AlignedTableHasOneLinePerSecond) {
    const ToolRun run = RunTool(With({"--cars", "10", "--load", "50", "--duration", "2"}));
    ASSERT_EQ(run.code, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 4u);
    EXPECT_EQ(run.lines[0], "     t     dSpeed   dMph iSpeedStep dBrakePipe dAuxReservoir "
                            "dBrakeCylinder dTractiveEffort dResistance dBrakeForce bWheelSlip");
    EXPECT_EQ(run.lines[1], "     0     0.0000    0.0          0    63.0000       64.2857 "
                            "       64.2857          0.0000      0.0000      0.0000          0");
    EXPECT_EQ(run.lines[3].size(), run.lines[0].size());
}

TEST(TrainTool, SettingsAreUsed) {
    Settings settings;
    settings.StandardBrakeSystemPreasure = 120; // full service 85.71, pipe 84
    const ToolRun run = RunTool(With({"--duration", "0", "--csv"}), settings);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.lines[1], "0,0,0,0,84,85.714285714285708,85.714285714285708,0,0,0,0");
}

struct BadCase {
    std::vector<std::string> args;
    const char* message;
};

TEST(TrainTool, BadArgumentsGiveClearMessagesAndExitCode2) {
    const BadCase cases[] = {
        {{"--duration", "5"}, "--power, --weight, --axles and --duration are required"},
        {With({}), "--power, --weight, --axles and --duration are required"},
        {With({"--duration"}), "--duration needs a value"},
        {With({"--duration", "ten"}), "--duration needs a number from 0 to 1e+06, not \"ten\""},
        {With({"--duration", "5", "--cars", "2.5"}),
         "--cars needs a whole number from 0 to 100000, not \"2.5\""},
        {With({"--duration", "5", "--grade", "nan"}),
         "--grade needs a number from -100 to 100, not \"nan\""},
        {With({"--duration", "5", "--speed", "3"}), "unknown argument \"--speed\""},
        {With({"--duration", "5", "--at", "1"}), "--at 1 needs at least one key=value entry"},
        {With({"--duration", "5", "--at", "1", "power"}),
         "--at expects key=value entries, not \"power\""},
        {With({"--duration", "5", "--at", "1", "power=9"}),
         "power= needs a whole number from 0 to 8, not \"9\""},
        {With({"--duration", "5", "--at", "1", "brake-type=X"}),
         "brake-type= needs T or L, not \"X\""},
        {With({"--duration", "5", "--at", "1", "direction=R"}),
         "direction= needs F or B, not \"R\""},
        {With({"--duration", "5", "--at", "1", "horn=1"}),
         "unknown --at key \"horn\" (use power, brake, brake-type or direction)"},
        {With({"--duration", "5", "--at", "6", "power=1"}),
         "--at 6 is after the end of the run (--duration 5)"},
    };
    for (const BadCase& c : cases) {
        const ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.code, 2) << c.message;
        EXPECT_TRUE(run.lines.empty()) << c.message;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
                  std::string("vlakomat-train: ") + c.message);
        EXPECT_NE(run.err.find("usage: vlakomat-train"), std::string::npos);
    }
}

} // namespace
