// The program's TCP server on real loopback sockets: when it stops, every client gets what
// was written to it, and one that takes nothing cannot hold the program up.

#include "io/BusServer.h"
#include "support/LbClient.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <future>
#include <thread>

namespace {

constexpr int kFloodLines = 3000; // 300,000 bytes: far more than the sockets buffer
const std::string kGreeting = "HELLO\n";
const std::string kLine = std::string(99, 'x') + "\n";
const std::string kLast = "LAST ANSWER\n";

// Answers "FLOOD\n" with kFloodLines lines and then kLast, all at once.
class FloodService : public TcpService {
public:
    void SetOutput(Output output) override { output_ = std::move(output); }
    Admission Connect(const std::string&) override { return {clients_++, kGreeting}; }
    void Disconnect(int) override { --clients_; }
    void Receive(int client, const char* data, std::size_t count) override {
        received_.append(data, count);
        if (answered || received_.find("FLOOD\n") == std::string::npos)
            return;
        for (int i = 0; i < kFloodLines; ++i)
            output_(client, kLine);
        output_(client, kLast);
        answered = true;
    }
    int ClientCount() const override { return clients_; }

    bool answered = false;

private:
    Output output_;
    int clients_ = 0;
    std::string received_;
};

// A client on a plain socket with a small receive buffer.
int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The server's end of the client's connection, given a small send buffer: a client on a
// slow network, for whom most of what is written waits in the server.
void NarrowServerEnd(int clientFd) {
    sockaddr_in client{};
    socklen_t size = sizeof client;
    ASSERT_EQ(::getsockname(clientFd, reinterpret_cast<sockaddr*>(&client), &size), 0);
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const int fd = std::stoi(entry.path().filename().string());
        sockaddr_in peer{};
        socklen_t peerSize = sizeof peer;
        if (fd == clientFd ||
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0 ||
            peer.sin_family != AF_INET || peer.sin_port != client.sin_port)
            continue;
        const int small = 4096;
        ASSERT_EQ(::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);
        return;
    }
    FAIL() << "no server end";
}

void SendAll(int fd, const std::string& text) {
    ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(text.size()));
}

enum class End { Closed, Reset, TimedOut };

// Everything until the server closes the connection, resets it, or says nothing for 10 s.
std::string ReadToEnd(int fd, End& end) {
    const timeval wait{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string got;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        end = n == 0 ? End::Closed
                     : (errno == EAGAIN || errno == EWOULDBLOCK ? End::TimedOut : End::Reset);
        return got;
    }
}

// A server whose one client has asked for the flood, the server's end of it narrowed.
struct Flooded {
    FloodService service;
    BusServer server{service};
    int fd = -1;

    bool Start() {
        if (!server.Listen(0, false).empty() || (fd = Connect(server.Port())) < 0 ||
            !RunUntil([&] { return service.ClientCount() == 1; }))
            return false;
        NarrowServerEnd(fd);
        SendAll(fd, "FLOOD\n");
        return RunUntil([&] { return service.answered; });
    }
};

TEST(BusServer, StopDeliversTheLastAnswer) {
    struct Case {
        const char* what;
        bool unreadInput;
    };
    const Case cases[] = {
        {"a flood larger than the socket buffers", false},
        {"and the client's bytes still unread", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Flooded f;
        ASSERT_TRUE(f.Start());
        const int fd = f.fd;
        BusServer& server = f.server;
        // Sent while the server does not read, more than it reads ahead: it waits in the
        // server's socket.
        if (c.unreadInput) {
            const std::string noise(BusServer::kReadBuffer * 3 / 2, 'n');
            const ssize_t sent = ::send(fd, noise.data(), noise.size(), MSG_DONTWAIT);
            ASSERT_GT(sent, BusServer::kReadBuffer);
        }

        End end = End::TimedOut;
        std::future<std::string> got =
            std::async(std::launch::async, [&] { return ReadToEnd(fd, end); });
        server.Stop();
        const std::string text = got.get();
        ::close(fd);
        EXPECT_EQ(end, End::Closed);
        EXPECT_EQ(text.size(), kGreeting.size() + kFloodLines * kLine.size() + kLast.size());
        ASSERT_GE(text.size(), kLast.size());
        EXPECT_EQ(text.substr(text.size() - kLast.size()), kLast);
        EXPECT_EQ(f.service.ClientCount(), 0);
        EXPECT_FALSE(server.IsListening());
    }
}

TEST(BusServer, AClientThatTakesNothingIsLetGo) {
    Flooded f;
    ASSERT_TRUE(f.Start());
    const int fd = f.fd;
    f.server.Stop();
    // What reached the client's buffers can still be read; then the connection is over.
    End end = End::TimedOut;
    const std::string text = ReadToEnd(fd, end);
    ::close(fd);
    EXPECT_NE(end, End::TimedOut);
    EXPECT_LT(text.size(), kGreeting.size() + kFloodLines * kLine.size() + kLast.size());
    EXPECT_EQ(f.service.ClientCount(), 0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
