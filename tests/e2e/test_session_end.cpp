// The program ended by a signal (the end of a desktop session, Ctrl+C, a closed terminal)
// while a simple throttle and a realistic train drive on the simulated station over a
// pseudo-terminal: the station's log shows every locomotive stopped before its slot went
// back, no emergency stop, and the settings are written. A first run ended so stays one.

#include "support/CsProcess.h"
#include "support/ReadyLine.h"
#include "support/SlotRelease.h"
#include "support/TempDir.h"

#include <QProcess>

#include <csignal>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace {

const QString kProgram = QStringLiteral(VLAKOMAT_BINARY_DIR "/src/gui/vlakomat");

struct StationSlot {
    int slot = 0;
    std::string state;
    int speed = 0;
};

// The station's slots in use or common, by address ("slot 1 address 3 in use: 01 33 03 28 ...").
std::map<int, StationSlot> Slots(CsProcess& cs) {
    const std::size_t from = cs.Lines().size();
    cs.Command("slots");
    std::map<int, StationSlot> out;
    const std::vector<std::string>& lines = cs.Lines();
    for (std::size_t i = from; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        std::string word;
        StationSlot s;
        int address = 0;
        if (!(in >> word >> s.slot) || word != "slot" || !(in >> word >> address) ||
            !std::getline(in, s.state, ':'))
            continue;
        for (int b = 0; b <= 3; ++b)
            in >> std::hex >> s.speed; // the fourth byte is the speed
        out[address] = s;
    }
    return out;
}

// The messages the station received from the log's line `from` on ("RX A0 02 00 5D").
std::vector<std::vector<std::uint8_t>> Received(const std::vector<std::string>& lines,
                                                std::size_t from) {
    std::vector<std::vector<std::uint8_t>> out;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = from; i < lines.size(); ++i)
        if (lines[i].rfind("RX ", 0) == 0 && ParseHexBytes(lines[i].substr(3), bytes))
            out.push_back(bytes);
    return out;
}

// The program in `dir` with the sample tables and `ini`, started under the offscreen
// platform; false when it did not say that it is ready.
bool StartProgram(QProcess& program, const TempDir& dir, const std::string& ini,
                  const QStringList& args = {}) {
    for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab"})
        std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" / name,
                                   dir.File(name));
    dir.Write("vlakomat.ini", ini);
    program.setWorkingDirectory(QString::fromStdString(dir.Path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    AskForReadyLine(env);
    program.setProcessEnvironment(env);
    program.start(kProgram, args);
    QByteArray err;
    return WaitUntilReady(program, err);
}

} // namespace

class TestSessionEnd : public QObject {
    Q_OBJECT
private slots:
    void aSignalStopsTheTrainsThenReleases_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void aSignalStopsTheTrainsThenReleases() {
        QFETCH(int, signal);
        CsProcess cs;
        const std::string device = cs.Start({});
        QVERIFY(!device.empty());
        TempDir dir;
        QProcess program;
        QVERIFY(StartProgram(program, dir,
                             "[LOCONET]\nCOM Port=" + device + "\n[PREFERENCES]\nFirst Run=0\n",
                             {"--throttle", "3", "--realistic-throttle", "4"}));
        const std::string tablesBefore = dir.Read("Roster.tab") + dir.Read("Functions.tab");
        // Both trains under way: the simple throttle's set by a hand-held on the same
        // locomotive, the realistic train accelerating.
        std::map<int, StationSlot> driving;
        QVERIFY(QTest::qWaitFor(
            [&] { return Slots(cs)[3].state.find("in use") != std::string::npos; }, 60000));
        QCOMPARE(cs.Command("throttle 3 speed 64").substr(0, 2), "OK");
        QVERIFY(QTest::qWaitFor(
            [&] {
                driving = Slots(cs);
                return driving[3].speed > 1 && driving[664].speed > 1;
            },
            60000));

        const std::size_t from = cs.Lines().size();
        QVERIFY(::kill(static_cast<pid_t>(program.processId()), signal) == 0);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        // Asked after the log: the answer comes after every line before it.
        const std::map<int, StationSlot> after = Slots(cs);
        std::set<int> released;
        const std::string faults =
            ReleaseFaults(Received(cs.Lines(), from), {driving[3].slot, driving[664].slot},
                          {driving[1].slot, driving[2].slot}, released);
        QVERIFY2(faults.empty(), faults.c_str());
        for (const auto& [address, s] : after) {
            QVERIFY2(s.state.find("in use") == std::string::npos, s.state.c_str());
            QVERIFY2(released.count(s.slot), std::to_string(address).c_str());
        }
        for (int loco : {3, 664})
            QVERIFY2(after.at(loco).speed <= 1, std::to_string(loco).c_str());
        // The settings written, the tables as they were.
        QVERIFY(dir.Read("vlakomat.ini").find("Loco Cross-Section=") != std::string::npos);
        QCOMPARE(dir.Read("Roster.tab") + dir.Read("Functions.tab"), tablesBefore);
    }

    void aFirstRunEndedByASignalStaysAFirstRun() {
        TempDir dir;
        QProcess program;
        QVERIFY(StartProgram(program, dir, "[LOCONET]\nCOM Port=sim\n")); // in the dialog
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        const std::string ini = dir.Read("vlakomat.ini");
        QVERIFY2(ini.find("First Run=1") != std::string::npos, ini.c_str());
    }
};

QTEST_GUILESS_MAIN(TestSessionEnd)
#include "test_session_end.moc"
