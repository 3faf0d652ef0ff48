// vlakomat-cs: runs the simulated command station for other programs, on a pseudo-terminal
// (a stand-in for a LocoNet interface on a serial port) or as a LocoNet-over-TCP server.
// Prints the device path or server address first, then "RX ..." for every message received
// and "TX ..." for everything put on the bus. Commands on standard input act as other
// stations on the bus (see "help").

#include "core/loconet/LbServerProtocol.h"
#include "core/sim/SimCommands.h"
#include "core/util/SystemClock.h"
#include "tools/common/ToolArgs.h"
#include "tools/cs/BusFlood.h"
#include "tools/cs/CsBus.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

const char* const kDescription =
    "Runs the simulated command station for other programs. Without --tcp it waits on a new\n"
    "pseudo-terminal whose path is the first line printed. With --tcp it serves LocoNet\n"
    "over TCP (LbServer protocol) on PORT (default 1234, 0 for any free port) of the\n"
    "loopback interface, or of every interface with --listen-any; the first line is the\n"
    "address to connect to. Then it prints RX and TX lines for the traffic on the bus.";

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

void DescribeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    const auto option = [&](const char* name, const char* help, const char* value = nullptr) {
        parser.addOption(
            value ? QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help),
                                       QString::fromLatin1(value))
                  : QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help)));
    };
    option("tcp", "Serves LocoNet over TCP instead of a pseudo-terminal.");
    option("listen-any", "With --tcp: listens on every interface, not only the loopback.");
    option("purge", "Purges slots unattended for so long (default 200, 0: never).", "seconds");
    option("lose-echoes", "Does not echo the next N messages.", "n");
    option("corrupt", "Corrupts the next message it sends.");
    option("stray", "Puts a stray byte on the bus at the start.");
    option("delay", "Answers after so many milliseconds.", "ms");
    option("no-free-slot", "Answers every request for a slot with no free slot.");
    option("refuse-moves", "Refuses every slot move.");
    option("flood", "Puts so many messages a second of other stations' traffic on the bus.",
           "rate");
    parser.addPositionalArgument(QStringLiteral("port"),
                                 QStringLiteral("With --tcp: the TCP port (default 1234)."),
                                 QStringLiteral("[PORT]"));
}

// The options of a parsed command line; throws BadArgs for a value out of range.
Options TakeOptions(const QCommandLineParser& parser) {
    using toolargs::IntegerIn;
    const auto value = [&](const char* name) {
        return parser.value(QString::fromLatin1(name)).toStdString();
    };
    const auto isSet = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
    Options o;
    o.tcp = isSet("tcp");
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1 || (!positional.isEmpty() && !o.tcp))
        throw toolargs::BadArgs{"a PORT goes with --tcp, and only one"};
    if (!positional.isEmpty())
        o.port = static_cast<int>(IntegerIn("--tcp", positional.first().toStdString(), 0, 65535));
    o.listenAny = isSet("listen-any");
    if (isSet("purge"))
        o.purgeSeconds = static_cast<long>(IntegerIn("--purge", value("purge"), 0, 100000));
    if (isSet("lose-echoes"))
        o.loseEchoes =
            static_cast<int>(IntegerIn("--lose-echoes", value("lose-echoes"), 0, 1000000));
    if (isSet("delay"))
        o.delayMs = static_cast<int>(IntegerIn("--delay", value("delay"), 0, 600000));
    o.corrupt = isSet("corrupt");
    o.stray = isSet("stray");
    o.noFreeSlot = isSet("no-free-slot");
    o.refuseMoves = isSet("refuse-moves");
    if (isSet("flood"))
        o.flood = static_cast<int>(IntegerIn("--flood", value("flood"), 0, BusFlood::kMaxRate));
    return o;
}

// Reads the command line; the exit status when the tool ends here (help, version, a fault).
std::optional<int> ParseCommandLine(Options& o) {
    QCommandLineParser parser;
    DescribeOptions(parser);
    std::string error;
    if (!parser.parse(QCoreApplication::arguments()))
        error = parser.errorText().toStdString();
    else if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s\nCommands on standard input:\n%s\n", qPrintable(parser.helpText()),
                    SimCommandHelp());
        return 0;
    } else if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    } else {
        try {
            o = TakeOptions(parser);
            return std::nullopt;
        } catch (const toolargs::BadArgs& bad) {
            error = bad.message;
        }
    }
    const QString usage = parser.helpText().section(QLatin1Char('\n'), 0, 0);
    std::fprintf(stderr, "vlakomat-cs: %s\n%s\n(--help tells more)\n", error.c_str(),
                 qPrintable(usage));
    return 2;
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
        if (line.rfind("flood ", 0) == 0) {
            try {
                const auto rate = static_cast<int>(
                    toolargs::IntegerIn("flood", line.substr(6), 0, BusFlood::kMaxRate));
                if (flood_.SetRate(rate, clock_.Now()))
                    return "OK";
            } catch (const toolargs::BadArgs&) {
            }
            return "ERROR flood takes a rate of 0 to " + std::to_string(BusFlood::kMaxRate);
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
    QCoreApplication::setApplicationName(QStringLiteral("vlakomat-cs"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VLAKOMAT_VERSION));
    Options o;
    if (const std::optional<int> status = ParseCommandLine(o))
        return *status;

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
    return QCoreApplication::exec();
}
