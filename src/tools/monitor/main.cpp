// vlakomat-monitor [--debug] [--raw] [FILE | --port NAME]
//
// Shows LocoNet traffic as the program's monitor does: every byte goes through the same
// receive path (assembly, checks, slot table, monitor text). It never sends anything.
// Input is a capture file or standard input, as hex text by default (two-digit hex bytes
// separated by white space, '#' comments) or, with --raw, as binary bytes.

#include "core/loconet/Loconet.h"
#include "core/loconet/MemoryPort.h"
#include "core/settings/Settings.h"
#include "tools/common/ToolArgs.h"
#include "tools/monitor/HexCapture.h"
#include "tools/monitor/LivePort.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: vlakomat-monitor [--debug] [--raw] [FILE | --port NAME]\n"
    "Shows LocoNet traffic as the program's monitor does. Reads a capture FILE (standard\n"
    "input without FILE or with \"-\") as hex text: two-digit hex bytes separated by white\n"
    "space, '#' starts a comment.\n"
    "  --debug        also the trace lines of the program's debug mode\n"
    "  --raw          the input is raw bus bytes, not hex text\n"
    "  --port NAME    watches a live port until it closes: a serial device, tcp://HOST:PORT\n"
    "                 or sim; nothing is ever sent\n";

class SteadyClock : public Clock {
public:
    Tick Now() const override {
        using namespace std::chrono;
        return static_cast<Tick>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

class QuietBeeper : public Beeper {
public:
    void Tone(int, int) override {}
};

// Message boxes become lines on standard error.
class ErrorPrompts : public Prompts {
public:
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, PromptIcon) override {
        std::cerr << "vlakomat-monitor: " << text << '\n';
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
    }
};

struct Options {
    bool debug = false;
    bool raw = false;
    std::string file;
    std::string port;
};

using toolargs::BadArgs;

Options ParseArgs(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--debug") {
            o.debug = true;
        } else if (a == "--raw") {
            o.raw = true;
        } else if (a == "--port") {
            if (i + 1 >= args.size() || !o.port.empty())
                throw BadArgs{"--port needs one port name"};
            o.port = args[++i];
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            throw BadArgs{"unknown option \"" + a + "\""};
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            throw BadArgs{"more than one FILE"};
        }
    }
    if (!o.file.empty() && !o.port.empty())
        throw BadArgs{"a FILE and --port NAME cannot go together"};
    return o;
}

// Feeds a capture through the link; returns the number of bad words in hex text.
std::size_t FeedCapture(std::istream& in, bool raw, MemoryPort& port, CLoconet& link) {
    std::size_t bad = 0;
    if (raw) {
        std::vector<char> buffer(4096);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
               in.gcount() > 0) {
            port.Feed(reinterpret_cast<const std::uint8_t*>(buffer.data()),
                      static_cast<std::size_t>(in.gcount()));
            link.Process();
        }
        return bad;
    }
    HexCaptureParser parser;
    std::string line;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> errors;
    while (std::getline(in, line)) {
        bytes.clear();
        errors.clear();
        parser.ParseLine(line, bytes, errors);
        for (const std::string& e : errors)
            std::cerr << "vlakomat-monitor: " << e << '\n';
        bad += errors.size();
        port.Feed(bytes);
        link.Process();
    }
    return bad;
}

int RunLive(const std::string& name, CLoconet& link) {
    std::string whyNot;
    std::unique_ptr<SerialPort> live = MakeLivePort(name, whyNot);
    if (!live) {
        std::cerr << "vlakomat-monitor: " << whyNot << '\n';
        return 2;
    }
    link.SetPortFactory([&live](const std::string&) { return std::move(live); });
    if (!link.Open(name))
        return 2;
    std::cout.flush();
    // Runs until the port is lost (the reason goes to standard error) or the user stops it;
    // a monitor does not wait for the port to come back.
    std::string lost;
    link.SetLinkStateSink([&lost](bool down, const std::string& why) {
        if (down)
            lost = why;
    });
    while (link.IsActive() && lost.empty()) {
        link.Process();
        std::cout.flush();
        WaitForLiveInput(5);
    }
    if (!lost.empty())
        std::cerr << "vlakomat-monitor: " << lost << '\n';
    return 1;
}

int Run(const Options& options, int argc, char** argv) {
    SteadyClock clock;
    QuietBeeper beeper;
    ErrorPrompts prompts;
    ProgramSettings settings;
    settings.DebugMode = options.debug ? 1 : 0;
    // Outlives the link, whose port may need it to its end.
    std::shared_ptr<void> liveSupport;
    if (!options.port.empty())
        liveSupport = StartLiveSupport(argc, argv);
    CLoconet link(clock, beeper, prompts);
    link.SetSettings(&settings);
    link.SetMonitorSink([](const std::string& line) { std::cout << line << '\n'; });
    if (!options.port.empty())
        return RunLive(options.port, link);

    MemoryPort* port = nullptr;
    link.SetPortFactory([&port](const std::string&) {
        auto p = std::make_unique<MemoryPort>();
        port = p.get();
        return p;
    });
    std::ifstream file;
    std::istream* in = &std::cin;
    if (!options.file.empty() && options.file != "-") {
        file.open(options.file, std::ios::binary);
        if (!file) {
            std::cerr << "vlakomat-monitor: cannot open " << options.file << '\n';
            return 2;
        }
        in = &file;
    }
    if (!link.Open(options.file.empty() ? "stdin" : options.file) || port == nullptr)
        return 2;
    const std::size_t bad = FeedCapture(*in, options.raw, *port, link);
    if (link.IsReceiving())
        std::cerr << "vlakomat-monitor: the input ends inside a message\n";
    std::cout.flush();
    return bad > 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return toolargs::RunWithUsage("vlakomat-monitor", kUsage, args, std::cout, std::cerr,
                                  [&] { return Run(ParseArgs(args), argc, argv); });
}
