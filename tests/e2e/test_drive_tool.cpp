// vlakomat-drive from the outside: a train driven for ten simulated minutes from the two
// hand-helds, read back from the bus it prints.

#include "support/TempDir.h"
#include "support/ToolProcess.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace {

ToolRun Drive(const TempDir& dir, const QStringList& args) {
    return RunTool(QStringLiteral(VLAKOMAT_BINARY_DIR "/src/tools/drive/vlakomat-drive"), args, "",
                   QString::fromStdString(dir.Path()), 120000);
}

// One line of the bus: "<ms> TX|RX <bytes>".
struct BusLine {
    long ms = 0;
    std::string dir;
    std::vector<int> bytes;
};

std::vector<BusLine> Parse(const std::string& out) {
    std::vector<BusLine> lines;
    std::istringstream in(out);
    for (std::string text; std::getline(in, text);) {
        std::istringstream words(text);
        BusLine l;
        words >> l.ms >> l.dir;
        for (std::string hex; words >> hex;)
            l.bytes.push_back(std::stoi(hex, nullptr, 16));
        lines.push_back(l);
    }
    return lines;
}

TEST(DriveTool, TenMinutesFromTheHandHeldsKeepSlotsAliveAndLeaveNoneInUse) {
    TempDir dir;
    for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab"})
        std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" / name,
                                   dir.File(name));
    // Locomotive 3: no engine key, the locomotive brake first. Notch 8, a brake application
    // and its release, an emergency stop from the hand-held, and the release at the end.
    const ToolRun r =
        Drive(dir, {"--loco", "3",     "--cars", "10",      "--load", "50",    "--duration",
                    "600",    "--at",  "0",      "acquire", "--at",   "1",     "brake",
                    "0",      "--at",  "2",      "power",   "127",    "--at",  "150",
                    "power",  "6",     "--at",   "200",     "brake",  "40",    "--at",
                    "230",    "brake", "0",      "--at",    "300",    "estop", "--at",
                    "305",    "power", "9",      "--at",    "420",    "power", "0",
                    "--at",   "480",   "brake",  "127",     "--at",   "590",   "release"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<BusLine> bus = Parse(r.out);
    ASSERT_FALSE(bus.empty());

    // The slots the program took: the null moves it sent, in order (motor, power, brake).
    std::vector<int> taken;
    for (const BusLine& l : bus)
        if (l.dir == "TX" && l.bytes[0] == 0xBA)
            taken.push_back(l.bytes[1]);
    ASSERT_EQ(taken.size(), 3u);
    const int loco = taken[0];

    std::map<int, long> lastSpeedCommand; // slot -> ms
    std::map<int, long> released;
    long lastLocoSpeed = -1;
    int movingCommands = 0;
    for (const BusLine& l : bus) {
        if (l.dir != "TX")
            continue;
        const int op = l.bytes[0], slot = l.bytes[1];
        if (op == 0xB5) {
            EXPECT_EQ(l.bytes[2] & 0x20, 0) << "slot " << slot << " left in use";
            released[slot] = l.ms;
            continue;
        }
        EXPECT_EQ(released.count(slot), 0u) << "slot " << slot << " used after its release";
        if (op != 0xA0)
            continue;
        // At most one speed command per 500 ms to the locomotive (an emergency stop goes at
        // once).
        if (slot == loco && l.bytes[2] != 1 && lastLocoSpeed >= 0) {
            EXPECT_GE(l.ms - lastLocoSpeed, 500) << "at " << l.ms;
        }
        if (slot == loco) {
            lastLocoSpeed = l.ms;
            movingCommands += l.bytes[2] > 1;
        }
        // Every held slot hears from the program at least once a minute.
        if (lastSpeedCommand.count(slot)) {
            EXPECT_LE(l.ms - lastSpeedCommand[slot], 60010) << "slot " << slot << " at " << l.ms;
        }
        lastSpeedCommand[slot] = l.ms;
    }
    EXPECT_GT(movingCommands, 20);
    for (int slot : taken) {
        ASSERT_EQ(released.count(slot), 1u) << slot;
        EXPECT_GT(released[slot], 590000);
        EXPECT_GE(lastSpeedCommand[slot], 540000) << "no keep-alive in the last minute";
    }
}

TEST(DriveTool, BadArgumentsGetTheUsageAndStatusTwo) {
    TempDir dir;
    for (const QStringList& args :
         {QStringList{"--at", "1", "acquire"}, QStringList{"--duration", "5", "--at", "1", "fly"},
          QStringList{"--duration", "5", "--at", "1", "power", "128"},
          QStringList{"--duration", "5", "--step", "0"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun r = Drive(dir, args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("usage: vlakomat-drive"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
