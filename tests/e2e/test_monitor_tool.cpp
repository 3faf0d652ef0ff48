// vlakomat-monitor from the outside: captures in hex text, binary and on standard input give
// exactly the program's monitor lines; bad words are named with their line; --port reads a
// live bus (a pseudo-terminal or LocoNet over TCP) until the port goes away.

#include "support/CsProcess.h"
#include "support/TempDir.h"
#include "support/ToolProcess.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

QString MonitorBinary() {
    return QStringLiteral(VLAKOMAT_BINARY_DIR "/src/tools/monitor/vlakomat-monitor");
}

ToolRun Monitor(const QStringList& args, const std::string& input = "") {
    return RunTool(MonitorBinary(), args, input);
}

// A session: slot 3 holds address 44, its speed, a sensor, then line faults and power on.
const char* const kCapture = "# a session on the bus\n"
                             "E7 0E 03 33 2C 00 00 07 00 00 00 00 00 0D  # slot 3, address 44\n"
                             "a0 03\t20 7c\n"
                             "B2 05 50 18   # sensor\n"
                             "2A            # a stray byte\n"
                             "A1 03         # cut short\n"
                             "A0 03 21 7C   # bad checksum\n"
                             "83 7C\n";

TEST(MonitorTool, HexCaptureGivesTheMonitorLines) {
    TempDir dir;
    dir.Write("capture.txt", kCapture);
    const std::string expected = "Rec: Read Slot:3,Loc:44\n"
                                 "Rec: Loco Speed: Slt=3,Loc=44,Sp=32\n"
                                 "Rec: Sensor Rep.: 5 Inp: 0 State: 1\n"
                                 "Error: Received inter-message byte: 2A \n"
                                 "Too short: exp:4 ,rec:2>A1 03 \n"
                                 "Rec: 83 7C \n";
    for (const QStringList& args : {QStringList{QString::fromStdString(dir.File("capture.txt"))},
                                    QStringList{}, QStringList{"-"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun r = Monitor(args, args.isEmpty() || args[0] == "-" ? kCapture : "");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, "");
    }
}

TEST(MonitorTool, DebugModeShowsEveryMessageWithItsHeader) {
    const ToolRun r = Monitor({"--debug"}, "E7 0E 03 33 2C 00 00 07 00 00 00 00 00 0D\n"
                                           "A0 03 21 7C\n"
                                           "B2 05 50 18\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Rec: E7 0E 03 33 2C 00 00 07 00 00 00 00 00 0D \n"
                     " - Read Slot:3,Loc:44\n"
                     "Update Throttles start\n"
                     "Update Throttles end\n"
                     "-----\n"
                     "Invalid checksum A0 03 21 7C \n"
                     "-----\n"
                     "Rec: B2 05 50 18 \n"
                     " - Sensor Rep.: 5 Inp: 0 State: 1\n"
                     "-----\n");
}

TEST(MonitorTool, RawInputIsTakenByteForByte) {
    TempDir dir;
    // Address 10 puts a newline byte into the data: raw input has no lines.
    const std::string bytes("\xE7\x0E\x05\x33\x0A\x00\x00\x07\x00\x00\x00\x00\x00\x2D"
                            "\xA0\x05\x0A\x50",
                            18);
    dir.Write("capture.bin", bytes);
    const ToolRun r = Monitor({"--raw", QString::fromStdString(dir.File("capture.bin"))});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Rec: Read Slot:5,Loc:10\nRec: Loco Speed: Slt=5,Loc=10,Sp=10\n");
    // The same bytes read as hex text are nothing but bad words.
    const ToolRun asText = Monitor({QString::fromStdString(dir.File("capture.bin"))});
    EXPECT_EQ(asText.exitCode, 1);
    EXPECT_EQ(asText.out, "");
}

TEST(MonitorTool, BadWordsAreNamedWithTheirLineAndTheRestCounts) {
    const ToolRun r = Monitor({}, "A0 03 20 7C\n"
                                  "# comment\n"
                                  "A0 03 2G 7C\n"
                                  "B2 05 50 18\n"
                                  "A0 03\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "vlakomat-monitor: line 3: '2G' is not a two-digit hex byte; skipped\n"
                     "vlakomat-monitor: the input ends inside a message\n");
    EXPECT_EQ(r.out, "Rec: Loco Speed: Slt=3,\n"
                     "Too short: exp:4 ,rec:3>A0 03 7C \n"
                     "Rec: Sensor Rep.: 5 Inp: 0 State: 1\n");
}

TEST(MonitorTool, RefusesBadArguments) {
    for (const QStringList& args : {QStringList{"--bogus"}, QStringList{"a", "b"},
                                    QStringList{"--port"}, QStringList{"f", "--port", "sim"}}) {
        const ToolRun r = Monitor(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.rfind("vlakomat-monitor: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("\nusage: vlakomat-monitor [--debug] [--raw] [FILE | --port NAME]\n"),
                  std::string::npos)
            << r.err;
    }
    const ToolRun r = Monitor({"/no/such/capture"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "vlakomat-monitor: cannot open /no/such/capture\n");
}

// Collects what a running monitor prints.
class LiveMonitor {
public:
    explicit LiveMonitor(const QStringList& args) {
        process_.start(MonitorBinary(), args);
        process_.waitForStarted(10000);
    }
    ~LiveMonitor() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    bool WaitForLine(const std::string& line, int timeoutMs = 10000) {
        return QTest::qWaitFor(
            [&] {
                out_ += process_.readAllStandardOutput().toStdString();
                return out_.find(line + "\n") != std::string::npos;
            },
            timeoutMs);
    }
    // Waits for the monitor to end; its exit code, or -1.
    int WaitForExit(int timeoutMs = 10000) {
        if (!QTest::qWaitFor([&] { return process_.state() == QProcess::NotRunning; }, timeoutMs))
            return -1;
        out_ += process_.readAllStandardOutput().toStdString();
        err_ += process_.readAllStandardError().toStdString();
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    const std::string& Out() const { return out_; }
    const std::string& Err() const { return err_; }

private:
    QProcess process_;
    std::string out_;
    std::string err_;
};

TEST(MonitorTool, ReadsALiveBusUntilThePortGoesAway) {
    struct Case {
        QStringList csArgs;
        const char* lostPrefix;
    };
    for (const Case& c :
         {Case{{}, "Error! Port "}, Case{{"--tcp", "0"}, "Error! Connection tcp://"}}) {
        SCOPED_TRACE(c.csArgs.join(' ').toStdString());
        CsProcess cs;
        const std::string name = cs.Start(c.csArgs);
        ASSERT_FALSE(name.empty());
        LiveMonitor monitor({"--debug", "--port", QString::fromStdString(name)});
        // The bus is quiet until another station speaks; the monitor must be listening first.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                cs.Command("sensor 11 on");
                return monitor.WaitForLine(" - Sensor Rep.: 5 Inp: 0 State: 1", 200);
            },
            10000));
        EXPECT_EQ(cs.Command("throttle 3 acquire"), "OK slot 1");
        EXPECT_TRUE(monitor.WaitForLine("Rec: BF 00 03 43 "));
        EXPECT_TRUE(monitor.WaitForLine(" - Read Slot:1,Loc:3"));
        EXPECT_TRUE(monitor.WaitForLine("Rec: BA 01 01 45 "));
        if (c.csArgs.isEmpty())
            EXPECT_EQ(monitor.Out().find("VERSION"), std::string::npos);
        else
            EXPECT_TRUE(monitor.WaitForLine("VERSION vlakomat-cs simulated command station"));
        cs.Kill();
        EXPECT_EQ(monitor.WaitForExit(), 1);
        // One line: the loss, and nothing after it (no crash on the way out).
        EXPECT_EQ(monitor.Err().rfind(std::string("vlakomat-monitor: ") + c.lostPrefix, 0), 0u)
            << monitor.Err();
        EXPECT_EQ(monitor.Err().find('\n'), monitor.Err().size() - 1) << monitor.Err();
        // It listened only: the station received nothing from it.
        for (const auto& line : cs.Lines())
            EXPECT_NE(line.rfind("RX ", 0), 0u) << line;
    }
}

TEST(MonitorTool, APortThatCannotBeOpenedIsReported) {
    const ToolRun r = Monitor({"--port", "/dev/vlakomat-no-such-port"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "vlakomat-monitor: Napaka! Comm porta /dev/vlakomat-no-such-port ni "
                     "mogoče odpreti! Izbranega porta ni v računalniku ali pa ga uporablja drug "
                     "program\n");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
