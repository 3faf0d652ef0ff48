#pragma once
// LocoNet over TCP ("tcp://host[:port]") as the link's port, in the LbServer text protocol.

#include "core/loconet/LbServerProtocol.h"
#include "core/loconet/SerialPort.h"

#include <cstdint>
#include <deque>
#include <memory>

class QTcpSocket;
class QTimer;

class TcpPort : public SerialPort {
public:
    static constexpr int kDefaultPort = 1234;
    static constexpr int kConnectTimeoutMs = 3000;
    static constexpr std::size_t kMaxBuffered = 65536;
    // A server that vanished without closing is found by the system within
    // kKeepIdleS + kKeepIntervalS * kKeepCount seconds (or kUserTimeoutMs with data unanswered).
    static constexpr int kKeepIdleS = 10;
    static constexpr int kKeepIntervalS = 5;
    static constexpr int kKeepCount = 3;
    static constexpr int kUserTimeoutMs = 25000;

    TcpPort();
    ~TcpPort() override;

    // Takes "tcp://host[:port]"; connects before it returns, waiting at most the time-out.
    std::string Open(const std::string& name) override;
    // Connects while the program goes on; a connection that fails or is not made within the
    // time-out is reported as the port's loss.
    std::string OpenInBackground(const std::string& name) override;
    bool IsOpening() const override { return opening_; }
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override;
    std::size_t Write(const std::uint8_t* data, std::size_t count) override;
    void DiscardInput() override;
    void Close() override;
    bool IsNetworked() const override { return true; }
    std::uint64_t WriteCount() const override { return writes_; }
    bool TakeWriteAnswer(WriteAnswer& answer) override;

    bool IsOpen() const { return open_; }
    // The connection's socket descriptor, -1 when none.
    long long SocketDescriptor() const;

    // Keep-alive with the short interval above on a connected socket.
    static void KeepAlive(QTcpSocket& socket);

    // Splits "tcp://host[:port]" (IPv6 in brackets); false when it is not such a name.
    static bool ParseName(const std::string& name, std::string& host, int& port);

private:
    // Reads what the socket holds and sorts its lines; true when bus bytes were added.
    bool TakeIncoming();
    // Parses the name and starts connecting; an error text when the name is no address.
    std::string StartConnecting(const std::string& name);
    void Connected();
    void ConnectionLost();
    void OpeningFailed(const std::string& reason);

    std::unique_ptr<QTcpSocket> socket_;
    std::unique_ptr<QTimer> connectTimer_;
    std::string name_;
    bool open_ = false;
    bool opening_ = false;
    LbLineSplitter lines_;
    std::deque<std::uint8_t> received_;
    std::uint64_t writes_ = 0;
    std::uint64_t answered_ = 0;
    std::deque<WriteAnswer> answers_;
};
