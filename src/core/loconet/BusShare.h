#pragma once
// The bus shared with other programs over LocoNet over TCP, in the LbServer protocol. Each
// client is greeted with VERSION and gets every message on the bus as RECEIVE; its SENDs go
// on the bus behind the program's own output, one client after the other, and are answered
// in the order of its lines, "SENT OK" once the interface echoed them or "SENT ERROR reason".
// The decisions live here; the server (src/io) only carries the bytes of each connection.

#include "core/loconet/BusGuests.h"
#include "core/loconet/LbServerProtocol.h"
#include "core/loconet/TcpService.h"

#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <utility>

class CLoconet;

class BusShare : public BusGuests, public TcpService {
public:
    // Clients served by default (at most TcpService::kMaxClients).
    static constexpr int kDefaultClients = 16;
    // What one client may have waiting for the bus: what the link carries in 2 s at the rate
    // it achieves (over a slow network far less than the bus's 16,660 bit/s), shared by the
    // clients that have messages waiting, but never fewer than kMinWaiting messages nor more
    // than kMaxWaiting or kClientQueueBytes (the bus's 2 s of four-byte messages). More are
    // refused ("queue full"), so a client that sends faster than the link carries is held
    // back by its answers, and a stop command it sends never waits long.
    static constexpr double kQueueSeconds = 2.0;
    static constexpr std::size_t kMinWaiting = 16;
    static constexpr std::size_t kMaxWaiting = 1024;
    static constexpr std::size_t kClientQueueBytes = 16660 * 2 / 10;
    // Writes of a client's message without an echo before it is given up ("no echo").
    static constexpr int kMaxAttempts = 3;
    // Answers are given in the order of the client's lines, so a refusal waits behind the
    // client's messages that wait for the bus; past this many lines waiting, a refusal is
    // given at once.
    static constexpr std::size_t kMaxRefusalsWaiting = 2 * kMaxWaiting;

    // `serverName` follows VERSION in the greeting. Attaches itself to the link.
    BusShare(CLoconet& link, std::string serverName);
    ~BusShare() override;
    BusShare(const BusShare&) = delete;
    BusShare& operator=(const BusShare&) = delete;

    void SetOutput(Output output) override { output_ = std::move(output); }
    // Clients admitted at once, 1 to kMaxClients; those connected stay.
    void SetClientLimit(int limit);
    int ClientLimit() const { return limit_; }

    // TcpService: a client past the limit is refused with why; a client that goes costs
    // nothing more for a message of its own already on the bus.
    Admission Connect(const std::string& peer) override;
    void Disconnect(int client) override;
    void Receive(int client, const char* data, std::size_t count) override;
    int ClientCount() const override { return count_; }

    // BusGuests
    void OnBusMessage(const LocoNetMessage& message) override;
    bool HasGuestMessage() const override;
    bool TakeGuestMessage(LocoNetMessage& message, std::uint64_t& ticket) override;
    void OnGuestEchoed(std::uint64_t ticket) override;
    void OnGuestNotEchoed(std::uint64_t ticket) override;
    // The messages one client may have waiting now.
    std::size_t WaitingLimit() const;
    void OnLinkClosed() override;

private:
    // A line's answer to come: a message for the bus, or (with a refusal) only the answer.
    struct Waiting {
        LocoNetMessage message;
        int attempts = 0;
        const char* refusal = nullptr;
        std::uint64_t ticket = 0; // while the link has it
        bool onBus = false;       // answered "SENT OK" once its turn comes
    };
    struct Client {
        bool connected = false;
        std::string peer;
        LbLineSplitter lines;
        std::deque<Waiting> queue;   // in the order of the lines
        std::size_t queuedBytes = 0; // of the messages not answered yet
        std::size_t messages = 0;    // messages not answered yet
        std::size_t untaken = 0;     // of them, waiting for the link to take them
    };

    void HandleLine(int client, const std::string& line);
    // The refusal of one SEND (or of a line that is none), given in its turn.
    void Refuse(int client, const char* reason);
    // Gives the answers at the front of the client's queue that no longer wait.
    void GiveDueAnswers(int client);
    // The client's entry that the link took with `ticket`, or nullptr (the client has gone);
    // the ticket is forgotten.
    Waiting* EndFlight(std::uint64_t ticket, int& client);
    // "SENT OK" without a reason, "SENT ERROR reason" with one.
    void Answer(int client, const char* refusal);
    void Write(int client, const std::string& text);
    void Trace(const std::string& line) const;
    bool LinkCarries() const;

    CLoconet& link_;
    std::string serverName_;
    Output output_;
    std::array<Client, kMaxClients> clients_;
    int count_ = 0;
    int limit_ = kDefaultClients;
    int next_ = 0; // the client whose turn it is
    // The messages the link has taken, by ticket: whose they are (-1: that client has gone).
    std::deque<std::pair<std::uint64_t, int>> flights_;
    std::uint64_t nextTicket_ = 1;
};
