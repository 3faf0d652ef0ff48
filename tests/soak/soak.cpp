// A long run of the program's own objects against a flooded bus: vlakomat-cs serves LocoNet
// over TCP and puts other stations' traffic on the bus at a given rate; the program has the
// monitor open with Debug Mode logging and four simple throttles that acquire, drive and switch
// functions every few seconds. At the end it checks that every message the program wrote was
// seen by the station, that the log has one line per message on the bus, that the resident
// memory after the first minute grew by less than 1 MB, and that no throttle lost its slot.
//   vlakomat-soak --cs PATH [--minutes M] [--rate R]

#include "core/util/SystemClock.h"
#include "gui/app/Heartbeat.h"
#include "gui/app/MainFrm.h"
#include "gui/app/Vlakomat.h"
#include "gui/throttles/DlgSThrottle.h"
#include "io/PortFactory.h"
#include "support/BenchProgram.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The program's port, counting the messages the link writes through it.
class CountingPort : public SerialPort {
public:
    CountingPort(std::unique_ptr<SerialPort> inner, long& writes)
        : inner_(std::move(inner)), writes_(writes) {
        inner_->SetInfoHandler([this](const std::string& line) { NotifyInfo(line); });
        inner_->SetLostHandler([this](const std::string& text) { NotifyLost(text); });
    }
    std::string Open(const std::string& name) override { return inner_->Open(name); }
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override {
        return inner_->Read(buffer, capacity);
    }
    std::size_t Write(const std::uint8_t* data, std::size_t count) override {
        ++writes_;
        return inner_->Write(data, count);
    }
    void DiscardInput() override { inner_->DiscardInput(); }
    void Close() override { inner_->Close(); }
    bool HasPendingInput() override { return inner_->HasPendingInput(); }
    void SetReadyReadHandler(std::function<void()> handler) override {
        inner_->SetReadyReadHandler(std::move(handler));
    }

private:
    std::unique_ptr<SerialPort> inner_;
    long& writes_;
};

// vlakomat-cs with its trace counted as it comes.
class Station {
public:
    bool Start(const QString& binary, int rate) {
        process_.setProgram(binary);
        process_.setArguments({"--tcp", "0", "--flood", QString::number(rate)});
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { Take(); });
        process_.start();
        for (int i = 0; i < 100 && address_.empty(); ++i)
            RunLoopFor(50);
        return !address_.empty();
    }
    void Command(const char* line) { process_.write(line); }
    void Stop() {
        process_.write("quit\n");
        process_.waitForFinished(5000);
        Take();
    }
    const std::string& Address() const { return address_; }
    long received = 0; // messages from the program
    long onBus = 0;    // everything the station put on the bus

private:
    void Take() {
        partial_ += process_.readAllStandardOutput().toStdString();
        for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            const std::string line = partial_.substr(0, end);
            partial_.erase(0, end + 1);
            if (address_.empty())
                address_ = line;
            else if (line.rfind("RX ", 0) == 0)
                ++received;
            else if (line.rfind("TX ", 0) == 0)
                ++onBus;
        }
    }
    QProcess process_;
    std::string partial_;
    std::string address_;
};

struct Options {
    QString cs;
    int minutes = 30;
    int rate = 400;
};

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--cs") == 0)
            o.cs = QString::fromLocal8Bit(argv[i + 1]);
        else if (std::strcmp(argv[i], "--minutes") == 0)
            o.minutes = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--rate") == 0)
            o.rate = std::atoi(argv[i + 1]);
        else
            return false;
    }
    return !o.cs.isEmpty() && o.minutes > 0 && o.rate >= 0 && argc % 2 == 1;
}

// One operator action of a throttle, in turn: speed, a function, direction, and now and then
// a release and a new selection of the same address.
void Act(CDlgSThrottle& window, int address, int step) {
    SimpleThrottle& logic = window.Simple();
    if (!logic.Driving()) {
        window.Acquire(address);
        return;
    }
    switch (step % 8) {
    case 0:
    case 3:
        window.findChild<QLineEdit*>(QStringLiteral("speedEdit"))
            ->setText(QString::number((step * 7) % 100));
        logic.OnEnter();
        break;
    case 1:
    case 4: {
        const int f = step % 13;
        logic.FunctionStateChanged(f, !logic.ButtonState(f));
        break;
    }
    case 5:
        logic.OnDirectionClicked();
        break;
    case 7:
        if (step % 24 == 7)
            logic.OnSetRelease(); // acquired again at its next action
        break;
    default:
        break;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr, "usage: vlakomat-soak --cs PATH [--minutes M] [--rate R]\n");
        return 2;
    }
    Station station;
    if (!station.Start(o.cs, 0)) {
        std::fprintf(stderr, "vlakomat-soak: %s did not start\n", qPrintable(o.cs));
        return 1;
    }

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    const std::filesystem::path data = std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data";
    for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab"})
        std::filesystem::copy_file(data / name, dir.filePath(name).toStdString());
    std::ofstream(dir.filePath("vlakomat.ini").toStdString())
        << "[LOCONET]\nCOM Port=" << station.Address()
        << "\nOffline=0\nDebug Mode=1\n[PREFERENCES]\nFirst Run=0\n";

    PrintingPrompts prompts;
    SystemClock clock;
    SilentBeeper beeper;
    long writes = 0;
    CVlakomatApp app(prompts, clock, beeper);
    app.SetProgramPath(QStringLiteral("vlakomat"));
    // As the program's own factory does, arriving bytes wake the heartbeat at once.
    app.Link().SetPortFactory([&](const std::string& name) -> std::unique_ptr<SerialPort> {
        auto port = std::make_unique<CountingPort>(CreatePort(name, clock), writes);
        port->SetReadyReadHandler([&app] { app.GetHeartbeat()->Beat(); });
        return port;
    });
    if (!app.InitInstance(QString()) || !app.Link().IsActive()) {
        std::fprintf(stderr, "vlakomat-soak: the program did not start on %s\n",
                     station.Address().c_str());
        return 1;
    }
    app.MainFrame()->Action(QStringLiteral("actionMonitor"))->trigger();
    std::vector<CDlgSThrottle*> windows;
    for (int i = 0; i < 4; ++i)
        if (auto* w = qobject_cast<CDlgSThrottle*>(app.Throttles().Open(ThrottleType::Simple)))
            windows.push_back(w);
    station.Command(("flood " + std::to_string(o.rate) + "\n").c_str());

    int step = 0;
    QTimer actions;
    QObject::connect(&actions, &QTimer::timeout, [&] {
        // One throttle a second, so that each acts every four seconds.
        const auto i = static_cast<std::size_t>(step % 4);
        Act(*windows[i], 10 + static_cast<int>(i), step / 4);
        ++step;
    });
    actions.start(1000);

    // A link that went down and came back lost what the bus carried meanwhile.
    int downs = 0;
    bool wasDown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const bool down = app.Link().IsPortDown();
        downs += down && !wasDown;
        wasDown = down;
    });
    watch.start(10);
    long rssAfterMinute = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    for (int s = 1; s <= o.minutes * 60; ++s) {
        RunLoopFor(1000);
        if (s == 60)
            rssAfterMinute = ResidentKb();
        if (s % 60 == 0)
            std::printf("%d min: %ld messages on the bus, %ld written by the program, RSS %ld kB\n",
                        s / 60, station.onBus, writes, ResidentKb());
        std::fflush(stdout);
    }
    actions.stop();
    // Every throttle drives at the end, so the last selection must have finished.
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (!windows[i]->Simple().Driving())
            windows[i]->Acquire(10 + static_cast<int>(i));
    station.Command("flood 0\n");
    RunLoopFor(3000);
    const long rssEnd = ResidentKb();

    int held = 0;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const int slot = windows[i]->Simple().iSlot;
        const SlotRecord& r = app.Link().Slot(slot);
        if (windows[i]->Simple().Driving() && app.Link().GetSlotLocoAddress(slot) == 10 + int(i) &&
            (r.STAT1 & 0x30) == 0x30)
            ++held;
    }
    if (app.LogFile())
        std::fflush(app.LogFile());
    long logged = 0;
    std::ifstream log(dir.filePath("LoconetLog.txt").toStdString());
    for (std::string line; std::getline(log, line);)
        if (line.rfind("Rec: ", 0) == 0 || line.rfind("Sent: ", 0) == 0 ||
            line.rfind("Invalid checksum ", 0) == 0)
            ++logged;
    app.Link().Close(); // before the station goes, so that its going is no fault
    station.Stop();

    const bool allSeen = station.received == writes;
    const bool allLogged = logged == station.onBus;
    const bool flat = rssAfterMinute > 0 && rssEnd - rssAfterMinute < 1024;
    std::printf("soak %d min at %d messages/s: %ld messages on the bus, %ld logged; %ld written "
                "by the program, %ld seen by the station; RSS %ld kB after 1 min, %ld kB at the "
                "end; %d of 4 throttles hold their slots; %d message boxes\n",
                o.minutes, o.rate, station.onBus, logged, writes, station.received, rssAfterMinute,
                rssEnd, held, prompts.count);
    std::printf("%s: every message seen by the station\n", allSeen ? "pass" : "FAIL");
    std::printf("%s: one log line per message on the bus\n", allLogged ? "pass" : "FAIL");
    std::printf("%s: memory grew by less than 1 MB after the first minute\n",
                flat ? "pass" : "FAIL");
    std::printf("%s: no throttle lost its slot\n", held == 4 ? "pass" : "FAIL");
    std::printf("%s: the link never went down (%d times)\n", downs == 0 ? "pass" : "FAIL", downs);
    app.ExitInstance(0);
    return allSeen && allLogged && flat && held == 4 && downs == 0 ? 0 : 1;
}
