// vlakomat-cs: runs the simulated command station for other programs, on a pseudo-terminal
// (a stand-in for a LocoNet interface on a serial port) or as a LocoNet-over-TCP server.
// Prints the device path or server address first, then "RX ..." for every message received
// and "TX ..." for everything put on the bus. Commands on standard input act as other
// stations on the bus (see "help").

#include "BusFlood.h"
#include "CsBus.h"
#include "loconet/LbServerProtocol.h"
#include "loconet/SimCommands.h"
#include "util/SystemClock.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const char* const kUsage =
    "usage: vlakomat-cs [--tcp [PORT]] [--listen-any] [--purge SECONDS] [--lose-echoes N]\n"
    "                   [--corrupt] [--stray] [--delay MS] [--no-free-slot] [--refuse-moves]\n"
    "                   [--flood RATE]\n"
    "Without --tcp the station waits on a new pseudo-terminal whose path is the first line\n"
    "printed. With --tcp it serves LocoNet over TCP (LbServer protocol) on PORT (default\n"
    "1234, 0 for any free port) of the loopback interface, or of every interface with\n"
    "--listen-any; the first line is the address to connect to. --purge 0 turns the\n"
    "purge of unattended slots off (default 200 s). --flood puts RATE messages a second\n"
    "of other stations' traffic on the bus. Commands on standard input:\n";

struct Options {
    bool tcp = false;
    int port = 1234;
    bool listenAny = false;
    long purgeSeconds = 200;
    int loseEchoes = 0;
    bool corrupt = false;
    bool stray = false;
    int delayMs = 0;
    bool noFreeSlot = false;
    bool refuseMoves = false;
    int flood = 0;
};

bool ToInt(const char* s, int lo, int hi, int& value) {
    const char* end = s + std::strlen(s);
    auto [p, ec] = std::from_chars(s, end, value);
    return ec == std::errc() && p == end && value >= lo && value <= hi;
}

// Returns an error text, or "" when the arguments are fine.
std::string ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasNext = i + 1 < argc;
        int v = 0;
        if (a == "--tcp") {
            o.tcp = true;
            if (hasNext && ToInt(argv[i + 1], 0, 65535, v)) {
                o.port = v;
                ++i;
            }
        } else if (a == "--listen-any") {
            o.listenAny = true;
        } else if (a == "--purge" && hasNext && ToInt(argv[i + 1], 0, 100000, v)) {
            o.purgeSeconds = v;
            ++i;
        } else if (a == "--lose-echoes" && hasNext && ToInt(argv[i + 1], 0, 1000000, v)) {
            o.loseEchoes = v;
            ++i;
        } else if (a == "--delay" && hasNext && ToInt(argv[i + 1], 0, 600000, v)) {
            o.delayMs = v;
            ++i;
        } else if (a == "--flood" && hasNext && ToInt(argv[i + 1], 0, BusFlood::kMaxRate, v)) {
            o.flood = v;
            ++i;
        } else if (a == "--corrupt") {
            o.corrupt = true;
        } else if (a == "--stray") {
            o.stray = true;
        } else if (a == "--no-free-slot") {
            o.noFreeSlot = true;
        } else if (a == "--refuse-moves") {
            o.refuseMoves = true;
        } else {
            return "unknown or incomplete option: " + a;
        }
    }
    return "";
}

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Reads command lines from standard input without blocking the event loop.
class CommandInput {
public:
    CommandInput(SimCommandStation& cs, CsBus& bus, BusFlood& flood, Clock& clock)
        : cs_(cs), bus_(bus), flood_(flood), clock_(clock) {
        notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { OnReadable(); });
    }

private:
    void OnReadable() {
        char buf[1024];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            notifier_->setEnabled(false); // end of input: keep serving the bus
            return;
        }
        lines_.Append(buf, static_cast<std::size_t>(n));
        std::string line;
        while (lines_.Next(line)) {
            if (line == "quit" || line == "exit") {
                QCoreApplication::quit();
                return;
            }
            PrintLine(Run(line));
            bus_.Deliver();
        }
        if (lines_.TakeOverlongCount() > 0)
            PrintLine("ERROR line too long");
    }

    // "flood RATE" needs the wall clock, so the tool runs it; the station runs the rest.
    std::string Run(const std::string& line) {
        int rate = 0;
        if (line.rfind("flood ", 0) == 0) {
            const std::string value = line.substr(6);
            if (!ToInt(value.c_str(), 0, BusFlood::kMaxRate, rate) ||
                !flood_.SetRate(rate, clock_.Now()))
                return "ERROR flood takes a rate of 0 to " + std::to_string(BusFlood::kMaxRate);
            return "OK";
        }
        return RunSimCommand(cs_, line);
    }

    SimCommandStation& cs_;
    CsBus& bus_;
    BusFlood& flood_;
    Clock& clock_;
    LbLineSplitter lines_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    Options o;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("%s%s\n", kUsage, SimCommandHelp());
            return 0;
        }
    const std::string error = ParseOptions(argc, argv, o);
    if (!error.empty()) {
        std::fprintf(stderr, "vlakomat-cs: %s\n%s", error.c_str(), kUsage);
        return 2;
    }

    SystemClock clock;
    SimCommandStation cs(clock);
    cs.SetPurgeTime(static_cast<std::uint32_t>(o.purgeSeconds) * 1000u);
    cs.LoseEchoes(o.loseEchoes);
    if (o.corrupt)
        cs.CorruptNextMessage();
    cs.SetAnswerDelay(static_cast<std::uint32_t>(o.delayMs));
    cs.SetNoFreeSlot(o.noFreeSlot);
    cs.SetRefuseMoves(o.refuseMoves);
    cs.SetTrace([](char direction, const std::vector<std::uint8_t>& bytes) {
        PrintLine(std::string(direction == 'R' ? "RX " : "TX ") + FormatHexBytes(bytes));
    });

    std::unique_ptr<CsBus> bus;
    if (o.tcp)
        bus = std::make_unique<TcpBus>(cs, o.port, o.listenAny);
    else
        bus = std::make_unique<PtyBus>(cs);
    const std::string first = bus->Start();
    if (first.rfind("error: ", 0) == 0) {
        std::fprintf(stderr, "vlakomat-cs: %s\n", first.c_str() + 7);
        return 1;
    }
    PrintLine(first);
    if (o.stray)
        cs.InsertStrayByte();

    BusFlood flood(cs);
    flood.SetRate(o.flood, clock.Now());
    CommandInput input(cs, *bus, flood, clock);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        cs.Poll();
        flood.Step(clock.Now());
        bus->Deliver();
    });
    tick.start(2);
    return app.exec();
}
