// The shared bus under load, measured on the program's own objects: the program on the
// simulated command station serves its bus on loopback; LbServer clients (a thread of this
// program, on plain sockets) each send sensor reports at a steady rate, while the program's
// own simple throttle changes its locomotive's speed every 100 ms.
//
//   bench_share_bus [--clients N] [--rate R] [--seconds S] [--delay MS]   (N up to 64)
//       N clients (default 5) each sending R messages a second (default 100) for S seconds
//       (default 60). Prints what the clients sent and how each was answered, how long the
//       program's own speed messages waited from queued to written, and the processor time
//       of the program's thread. With --delay the program reaches the bus over LocoNet over
//       TCP, vlakomat-cs being the server, through a link that holds the server's lines
//       back by MS milliseconds (a slow network).

#include "core/sim/SimPort.h"
#include "gui/app/Heartbeat.h"
#include "gui/throttles/DlgSThrottle.h"
#include "io/BusServer.h"
#include "io/TcpPort.h"
#include "support/BenchProgram.h"
#include "support/CsProcess.h"
#include "support/DelayProxy.h"

#include <QApplication>
#include <QTcpServer>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

double MsSince(SteadyClock::time_point t) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - t).count();
}

struct LoadResult {
    long sent = 0;
    long ok = 0;
    long receives = 0;
    std::map<std::string, long> errors;
    std::vector<double> answerMs; // from a SEND to its answer
    bool connected = false;
};

// The clients: each sends "SEND B2 ..." at its rate and reads what the server says; runs
// until every message is answered, or 10 s after the sending ended.
class ClientLoad {
public:
    ClientLoad(int port, int clients, int rate, int seconds)
        : port_(port), clients_(clients), rate_(rate), seconds_(seconds) {}
    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    LoadResult Join() {
        thread_.join();
        return result_;
    }

private:
    struct Client {
        int fd = -1;
        long sent = 0;
        long answered = 0;
        std::string partial;
        std::deque<SteadyClock::time_point> waiting;
    };

    static int ConnectTo(int port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    void SendOne(Client& c, int index) {
        const auto in1 = static_cast<std::uint8_t>(c.sent & 0x7F);
        const auto in2 = static_cast<std::uint8_t>(0x50 | (index & 0x0F));
        const auto chk = static_cast<std::uint8_t>(~(0xB2 ^ in1 ^ in2));
        char line[40];
        const int n = std::snprintf(line, sizeof line, "SEND B2 %02X %02X %02X\r\n", in1, in2, chk);
        if (::write(c.fd, line, static_cast<std::size_t>(n)) == n) {
            ++c.sent;
            c.waiting.push_back(SteadyClock::now());
        }
    }

    void TakeLine(Client& c, const std::string& line) {
        if (line.rfind("RECEIVE", 0) == 0) {
            ++result_.receives;
            return;
        }
        if (line.rfind("SENT", 0) != 0)
            return;
        ++c.answered;
        if (!c.waiting.empty()) {
            result_.answerMs.push_back(
                std::chrono::duration<double, std::milli>(SteadyClock::now() - c.waiting.front())
                    .count());
            c.waiting.pop_front();
        }
        if (line == "SENT OK")
            ++result_.ok;
        else
            ++result_.errors[line];
    }

    void Read(Client& c) {
        char buf[4096];
        for (ssize_t n; (n = ::recv(c.fd, buf, sizeof buf, MSG_DONTWAIT)) > 0;) {
            c.partial.append(buf, static_cast<std::size_t>(n));
            for (std::size_t nl; (nl = c.partial.find('\n')) != std::string::npos;) {
                std::string line = c.partial.substr(0, nl);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                c.partial.erase(0, nl + 1);
                TakeLine(c, line);
            }
        }
    }

    void Run() {
        std::vector<Client> clients(static_cast<std::size_t>(clients_));
        for (Client& c : clients)
            if ((c.fd = ConnectTo(port_)) < 0)
                return;
        result_.connected = true;
        const auto start = SteadyClock::now();
        for (;;) {
            const double elapsed = MsSince(start) / 1000;
            const bool sending = elapsed < seconds_;
            bool allAnswered = true;
            std::vector<pollfd> fds;
            for (std::size_t i = 0; i < clients.size(); ++i) {
                Client& c = clients[i];
                while (sending && c.sent < static_cast<long>(elapsed * rate_))
                    SendOne(c, static_cast<int>(i));
                allAnswered = allAnswered && c.answered >= c.sent;
                fds.push_back({c.fd, POLLIN, 0});
            }
            if ((!sending && allAnswered) || elapsed > seconds_ + 10)
                break;
            ::poll(fds.data(), fds.size(), 2);
            for (Client& c : clients)
                Read(c);
        }
        for (Client& c : clients) {
            result_.sent += c.sent;
            ::close(c.fd);
        }
    }

    int port_, clients_, rate_, seconds_;
    std::thread thread_;
    LoadResult result_;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    const int clients = IntOption(argc, argv, "--clients", 5);
    const int rate = IntOption(argc, argv, "--rate", 100);
    const int seconds = IntOption(argc, argv, "--seconds", 60);

    int port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    const int delay = IntOption(argc, argv, "--delay", -1);
    std::string link = "sim";
    CsProcess station;
    std::unique_ptr<DelayProxy> proxy;
    if (delay >= 0) {
        std::string host;
        int stationPort = 0;
        if (!TcpPort::ParseName(station.Start({"--tcp", "0"}), host, stationPort)) {
            std::fprintf(stderr, "vlakomat-cs did not start\n");
            return 1;
        }
        proxy = std::make_unique<DelayProxy>(stationPort, delay);
        link = proxy->Name();
    }
    Program program(link, false,
                    "Share Port=" + std::to_string(port) +
                        "\nShare Max Clients=" + std::to_string(std::max(clients, 16)) + "\n");
    auto* sim = dynamic_cast<SimPort*>(program.app.Link().Port());
    if (!program.started || (!sim && delay < 0) || !program.app.Server().IsListening())
        return 1;

    // The program's own throttle on address 3.
    CDlgSThrottle* window = program.NewSimpleThrottle();
    if (!window)
        return 1;
    window->Acquire(3);
    for (int waited = 0; !window->Simple().Driving() && waited < 5000; waited += 10)
        RunLoopFor(10);
    const int slot = window->Simple().iSlot;
    if (slot < 0)
        return 1;

    // How long each of its speed messages waits: from the slider let go to the station.
    std::deque<SteadyClock::time_point> queued;
    std::vector<double> ownWaitMs;
    if (sim)
        sim->Station().SetTrace([&](char direction, const std::vector<std::uint8_t>& bytes) {
            if (direction == 'R' && bytes.size() == 4 && bytes[0] == 0xA0 && bytes[1] == slot &&
                !queued.empty()) {
                ownWaitMs.push_back(MsSince(queued.front()));
                queued.pop_front();
            }
        });
    QTimer driver;
    int position = 40;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        position = position == 40 ? 60 : 40;
        if (sim)
            queued.push_back(SteadyClock::now());
        window->Simple().OnSliderReleased(position);
    });

    ClientLoad load(port, clients, rate, seconds);
    const int stepsStart = program.app.GetHeartbeat()->Steps();
    const double cpuStart = ThreadCpuSeconds();
    const auto wallStart = SteadyClock::now();
    driver.start(100);
    load.Start();
    LoadResult r;
    for (bool done = false; !done;) {
        RunLoopFor(100);
        done = MsSince(wallStart) / 1000 > seconds;
    }
    driver.stop();
    const double cpu = ThreadCpuSeconds() - cpuStart;
    const int steps = program.app.GetHeartbeat()->Steps() - stepsStart;
    const double wall = MsSince(wallStart) / 1000;
    // The last answers: the program keeps serving while the clients wait for them.
    std::atomic<bool> joined{false};
    std::thread joiner([&] {
        r = load.Join();
        joined = true;
    });
    while (!joined)
        RunLoopFor(20);
    joiner.join();

    if (!r.connected) {
        std::fprintf(stderr, "the clients could not connect\n");
        return 1;
    }
    long errors = 0;
    for (const auto& [line, n] : r.errors)
        errors += n;
    if (delay >= 0)
        std::printf("through a link of %d ms added delay: ", delay);
    std::printf("%d clients x %d messages/s for %d s: %ld sent, %ld SENT OK, %ld SENT ERROR, "
                "%ld unanswered; answer time p50 %.2f ms, p99 %.2f ms, max %.2f ms; %ld RECEIVE "
                "lines\n",
                clients, rate, seconds, r.sent, r.ok, errors, r.sent - r.ok - errors,
                Percentile(r.answerMs, 50), Percentile(r.answerMs, 99), Percentile(r.answerMs, 100),
                r.receives);
    for (const auto& [line, n] : r.errors)
        std::printf("  %ld x %s\n", n, line.c_str());
    if (sim)
        std::printf("own speed messages: %zu written of %zu queued; wait from queued to written "
                    "p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                    ownWaitMs.size(), ownWaitMs.size() + queued.size(), Percentile(ownWaitMs, 50),
                    Percentile(ownWaitMs, 99), Percentile(ownWaitMs, 100));
    std::printf("program thread: %.1f %% of a core, %.0f processing steps a second\n",
                100 * cpu / wall, steps / wall);
    std::printf("message boxes: %d\n", program.prompts.count);
    return 0;
}
