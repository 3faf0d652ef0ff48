// What the operator feels of the link, measured on the program's own objects: the heartbeat,
// the Qt serial port on a pseudo-terminal, the link, a simple throttle and the monitor window.
// A small command station on the terminal's other end (a thread of this program) answers
// and, on request, floods the bus with other stations' traffic.
//
//   bench_link_program reaction [--selections N] [--flood RATE]
//       Time from the station's slot answer to the program's null move, idle and while the
//       station floods the bus at RATE messages a second (default 4000): p50 and p99.
//   bench_link_program monitor [--rate RATE] [--seconds S]
//       The monitor window open and Debug Mode logging while the bus carries RATE messages a
//       second (default 4000) for S seconds (default 30): processor time of the program's
//       thread, the most bytes ever waiting unread, and the resident memory's growth.
//   bench_link_program acquire [--runs N]
//       From a click on "Uporabi" to the realistic throttle running, its four selections done,
//       on sim and on vlakomat-cs on a pseudo-terminal: median, min and max of N (default 15).
//   bench_link_program start [--runs N] [--program PATH]
//       From the start of the process `vlakomat --throttle 3` on sim to the throttle holding
//       locomotive 3, ready for its first speed command, as a client of the shared bus sees
//       it: median, min and max of N runs.

#include "gui/app/MainFrm.h"
#include "gui/throttles/DlgSThrottle.h"
#include "support/BenchProgram.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

Bytes WithChecksum(Bytes b) {
    std::uint8_t sum = 0xFF;
    for (std::uint8_t x : b)
        sum ^= x;
    b.push_back(sum);
    return b;
}

std::size_t MessageLength(std::uint8_t opcode, std::uint8_t second) {
    switch (opcode & 0x60) {
    case 0x00:
        return 2;
    case 0x20:
        return 4;
    case 0x40:
        return 6;
    default:
        return second;
    }
}

// The interface and command station at the far end of the terminal.
class BenchStation {
public:
    BenchStation() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            return;
        path_ = name;
        termios tio{};
        ::tcgetattr(master_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(master_, TCSANOW, &tio);
    }
    ~BenchStation() {
        Stop();
        ::close(master_);
        ::close(slave_);
    }

    const std::string& Path() const { return path_; }
    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    void SetFloodRate(int perSecond) {
        floodRate_ = perSecond;
        floodStart_ = SteadyClock::now();
        flooded_ = 0;
    }
    std::vector<double> Reactions() {
        std::lock_guard lock(mutex_);
        return reactions_;
    }
    void ClearReactions() {
        std::lock_guard lock(mutex_);
        reactions_.clear();
    }
    long MaxBacklog() const { return maxBacklog_; }
    long Flooded() const { return totalFlooded_; }

private:
    void Write(const Bytes& b) {
        if (::write(master_, b.data(), b.size()) < 0)
            std::perror("bench station write");
    }
    void Run() {
        Bytes in;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            ::poll(&p, 1, floodRate_ > 0 ? 1 : 20);
            std::uint8_t buf[512];
            if (p.revents & POLLIN) {
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n > 0)
                    in.insert(in.end(), buf, buf + n);
            }
            TakeMessages(in);
            Flood();
            int waiting = 0;
            if (::ioctl(slave_, FIONREAD, &waiting) == 0)
                maxBacklog_ = std::max<long>(maxBacklog_, waiting);
        }
    }
    void TakeMessages(Bytes& in) {
        for (;;) {
            while (!in.empty() && (in[0] & 0x80) == 0)
                in.erase(in.begin());
            if (in.size() < 2)
                return;
            const std::size_t length = MessageLength(in[0], in[1]);
            if (length < 2 || in.size() < length)
                return;
            const Bytes m(in.begin(), in.begin() + static_cast<long>(length));
            in.erase(in.begin(), in.begin() + static_cast<long>(length));
            Answer(m);
        }
    }
    void Answer(const Bytes& m) {
        const auto now = SteadyClock::now();
        Write(m);           // the interface's echo
        if (m[0] == 0xBF) { // a throttle asks for an address
            const int address = (m[1] << 7) | m[2];
            slot_ = static_cast<std::uint8_t>(1 + address % 100);
            Write(SlotData(address, 0x13));
            answered_ = SteadyClock::now();
            awaitingMove_ = true;
        } else if (m[0] == 0xBA && m[1] == m[2] && awaitingMove_) { // the null move
            awaitingMove_ = false;
            const double us = std::chrono::duration<double, std::micro>(now - answered_).count();
            {
                std::lock_guard lock(mutex_);
                reactions_.push_back(us);
            }
            Write(SlotData(addressOf_, 0x33));
        }
    }
    Bytes SlotData(int address, std::uint8_t stat1) {
        addressOf_ = address;
        return WithChecksum({0xE7, 0x0E, slot_, stat1, static_cast<std::uint8_t>(address & 0x7F), 0,
                             0, 0x07, 0, static_cast<std::uint8_t>((address >> 7) & 0x7F), 0, 0,
                             0});
    }
    // Other stations' traffic at the set rate: sensor and switch reports, speed and
    // direction messages of slots nobody here holds.
    void Flood() {
        if (floodRate_ <= 0)
            return;
        const double seconds =
            std::chrono::duration<double>(SteadyClock::now() - floodStart_).count();
        const long due = static_cast<long>(seconds * floodRate_);
        for (int burst = 0; flooded_ < due && burst < 64; ++burst, ++flooded_, ++totalFlooded_) {
            const auto k = static_cast<std::uint8_t>(flooded_ & 0x3F);
            switch (flooded_ % 4) {
            case 0:
                Write(WithChecksum({0xB2, k, static_cast<std::uint8_t>(0x50 | (k & 1) << 4)}));
                break;
            case 1:
                Write(WithChecksum({0xB1, k, 0x30}));
                break;
            case 2:
                Write(WithChecksum({0xA0, 110, k}));
                break;
            default:
                Write(WithChecksum({0xA1, 111, static_cast<std::uint8_t>(k & 0x1F)}));
                break;
            }
        }
    }

    int master_ = -1;
    int slave_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> floodRate_{0};
    SteadyClock::time_point floodStart_;
    long flooded_ = 0;
    std::atomic<long> totalFlooded_{0};
    std::atomic<long> maxBacklog_{0};
    std::uint8_t slot_ = 1;
    int addressOf_ = 0;
    bool awaitingMove_ = false;
    SteadyClock::time_point answered_;
    std::mutex mutex_;
    std::vector<double> reactions_;
};

int Reaction(int selections, int floodRate) {
    BenchStation station;
    Program program(station.Path(), false);
    if (!program.started)
        return 1;
    station.Start();
    CDlgSThrottle* window = program.NewSimpleThrottle();
    if (!window)
        return 1;
    int address = 3;
    // Selects and releases in turn; the station times its answer to the null move.
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (program.app.Link().IsSelectionPending())
            return;
        if (window->Simple().Driving())
            window->Simple().OnSetRelease();
        else
            window->Acquire(address = address % 100 + 3);
    });
    driver.start(10);
    for (int rate : {0, floodRate}) {
        station.SetFloodRate(rate);
        station.ClearReactions();
        for (int waited = 0;
             station.Reactions().size() < static_cast<std::size_t>(selections) && waited < 120000;
             waited += 100)
            RunLoopFor(100);
        const std::vector<double> r = station.Reactions();
        std::printf("reaction %s: %zu selections, p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                    rate ? ("flood " + std::to_string(rate) + "/s").c_str() : "idle", r.size(),
                    Percentile(r, 50) / 1000, Percentile(r, 99) / 1000, Percentile(r, 100) / 1000);
    }
    driver.stop();
    station.Stop();
    std::printf("message boxes: %d\n", program.prompts.count);
    return 0;
}

int Monitor(int rate, int seconds) {
    BenchStation station;
    Program program(station.Path(), true);
    if (!program.started)
        return 1;
    program.app.MainFrame()->Action(QStringLiteral("actionMonitor"))->trigger();
    station.Start();
    RunLoopFor(500);
    station.SetFloodRate(rate);
    const double cpuStart = ThreadCpuSeconds();
    const auto wallStart = SteadyClock::now();
    long rssAfterWarmUp = 0;
    for (int s = 0; s < seconds; ++s) {
        RunLoopFor(1000);
        if (s == 4)
            rssAfterWarmUp = ResidentKb();
    }
    const double cpu = ThreadCpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(SteadyClock::now() - wallStart).count();
    station.SetFloodRate(0);
    station.Stop();
    std::printf("monitor flood %d/s for %d s: %ld messages, program CPU %.1f %% of a core, "
                "most bytes waiting unread %ld (%.1f ms of traffic), resident memory %ld kB "
                "after 5 s, %ld kB at the end\n",
                rate, seconds, station.Flooded(), 100 * cpu / wall, station.MaxBacklog(),
                1000.0 * static_cast<double>(station.MaxBacklog()) / 4.0 / rate, rssAfterWarmUp,
                ResidentKb());
    std::printf("message boxes: %d\n", program.prompts.count);
    return 0;
}

void PrintTimes(const char* what, const std::vector<double>& ms) {
    std::printf("%s: %zu runs, median %.1f ms, min %.1f ms, max %.1f ms\n", what, ms.size(),
                Percentile(ms, 50), Percentile(ms, 0), Percentile(ms, 100));
}

double MsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

// The second sample locomotive has its sound decoder on an address of its own, so "Uporabi"
// selects four addresses: the locomotive, its sound, the power and the brake hand-held.
std::vector<double> AcquireTimes(const std::string& port, int runs) {
    Program program(port, false);
    if (!program.started)
        return {};
    CDlgRThrottle* window = program.NewRealisticThrottle();
    if (!window)
        return {};
    RealisticThrottle& logic = window->Realistic();
    logic.OnLocoChosen(1);
    // Every event the loop handles may be the one that completes the selection.
    const auto waitFor = [](const auto& done) {
        const auto start = SteadyClock::now();
        while (!done() && MsSince(start) < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return done();
    };
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = SteadyClock::now();
        window->Acquire(1, 2);
        if (!waitFor([&] { return logic.Running(); }))
            break;
        times.push_back(MsSince(start));
        logic.OnAcquireRelease("1", "2");
        if (!waitFor([&] { return !logic.Acquired(); }))
            break;
    }
    return times;
}

int Acquire(int runs) {
    PrintTimes("\"Uporabi\" to four selections done on sim", AcquireTimes("sim", runs));
    // The project's own command station on a pseudo-terminal; the first line it prints is
    // the terminal's path, the rest (its bus lines) is read and dropped.
    QProcess station;
    station.start(QCoreApplication::applicationDirPath() + "/../../src/tools/cs/vlakomat-cs", {});
    if (!station.waitForReadyRead(5000) || !station.canReadLine()) {
        std::fprintf(stderr, "vlakomat-cs did not start\n");
        return 1;
    }
    const std::string path = station.readLine().trimmed().toStdString();
    QObject::connect(&station, &QProcess::readyReadStandardOutput, &station,
                     [&station] { station.readAllStandardOutput(); });
    PrintTimes("\"Uporabi\" to four selections done on vlakomat-cs on a pseudo-terminal",
               AcquireTimes(path, runs));
    station.kill();
    station.waitForFinished();
    return 0;
}

// A TCP port that nothing listens on now.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// True for a bus line of the shared bus that reports locomotive 3's slot in use.
bool HoldsLocomotive3(const std::string& line) {
    unsigned opcode = 0, length = 0, slot = 0, status = 0, address = 0;
    return std::sscanf(line.c_str(), "RECEIVE %x %x %x %x %x", &opcode, &length, &slot, &status,
                       &address) == 5 &&
           opcode == 0xE7 && (status & 0x30) == 0x30 && address == 3;
}

// One start of `program --throttle 3` in `folder`, whose settings share the bus on `port`:
// the milliseconds until the bus reports locomotive 3 held, or a negative number.
double HoldingTime(const QString& program, const QString& folder, int port) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto start = SteadyClock::now();
    process.start(program, {QStringLiteral("--throttle"), QStringLiteral("3")});
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int fd = -1;
    while (fd < 0 && MsSince(start) < 10000) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            fd = -1;
            ::usleep(200);
        }
    }
    double ms = -1;
    std::string in;
    while (fd >= 0 && ms < 0 && MsSince(start) < 10000) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 100);
        if (!(p.revents & POLLIN))
            continue;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        in.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; ms < 0 && (end = in.find('\n')) != std::string::npos;
             in.erase(0, end + 1))
            if (HoldsLocomotive3(in.substr(0, end)))
                ms = MsSince(start);
    }
    if (fd >= 0)
        ::close(fd);
    process.kill();
    process.waitForFinished();
    return ms;
}

int Start(const QString& program, int runs) {
    const int port = FreePort();
    QTemporaryDir folder;
    FillProgramFolder(folder, "sim", false, "Share Port=" + std::to_string(port) + "\n");
    std::vector<double> times;
    int missed = 0;
    for (int run = 0; run < runs; ++run) {
        const double ms = HoldingTime(program, folder.path(), port);
        if (ms >= 0)
            times.push_back(ms);
        else
            ++missed;
    }
    PrintTimes("process start to --throttle 3 holding its locomotive on sim", times);
    if (missed > 0)
        std::printf("runs that never held it: %d\n", missed);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "reaction")
        return Reaction(IntOption(argc, argv, "--selections", 200),
                        IntOption(argc, argv, "--flood", 4000));
    if (mode == "monitor")
        return Monitor(IntOption(argc, argv, "--rate", 4000),
                       IntOption(argc, argv, "--seconds", 30));
    if (mode == "acquire")
        return Acquire(IntOption(argc, argv, "--runs", 15));
    if (mode == "start") {
        QString program = QCoreApplication::applicationDirPath() + "/../../src/gui/vlakomat";
        for (int i = 1; i + 1 < argc; ++i)
            if (std::strcmp(argv[i], "--program") == 0)
                program = QString::fromLocal8Bit(argv[i + 1]);
        return Start(program, IntOption(argc, argv, "--runs", 15));
    }
    std::fprintf(stderr, "usage: bench_link_program reaction [--selections N] [--flood RATE]\n"
                         "       bench_link_program monitor [--rate RATE] [--seconds S]\n"
                         "       bench_link_program acquire [--runs N]\n"
                         "       bench_link_program start [--runs N] [--program PATH]\n");
    return 2;
}
