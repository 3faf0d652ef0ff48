#include "core/loconet/BusShare.h"

#include "core/loconet/Loconet.h"

#include <algorithm>
#include <cstring>

namespace {

// Why a client's bytes cannot go on the bus as they are, or nullptr when they can; `out`
// holds them then.
const char* CheckMessage(const std::vector<std::uint8_t>& bytes, LocoNetMessage& out) {
    const bool dataBitSet =
        std::any_of(bytes.begin() + 1, bytes.end(), [](std::uint8_t b) { return (b & 0x80) != 0; });
    if ((bytes[0] & 0x80) == 0 || dataBitSet)
        return "not a LocoNet message";
    const std::size_t length = bytes.size();
    const std::uint32_t expected = ExpectedLength(bytes[0]);
    if (length < 2 || length > LocoNetMessage::kCapacity ||
        (expected != 0 ? length != expected : bytes[1] != length))
        return "wrong length";
    out.length = static_cast<std::uint32_t>(length);
    std::memcpy(out.bytes.data(), bytes.data(), length);
    return IsIntact(out) ? nullptr : "bad checksum";
}

bool IsBlankLine(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

} // namespace

BusShare::BusShare(CLoconet& link, std::string serverName)
    : link_(link), serverName_(std::move(serverName)) {
    link_.SetGuests(this);
}

BusShare::~BusShare() {
    link_.SetGuests(nullptr);
}

void BusShare::SetClientLimit(int limit) {
    limit_ = std::clamp(limit, 1, kMaxClients);
}

BusShare::Admission BusShare::Connect(const std::string& peer) {
    for (int i = 0; i < kMaxClients && count_ < limit_; ++i) {
        Client& c = clients_[static_cast<std::size_t>(i)];
        if (c.connected)
            continue;
        c.connected = true;
        c.peer = peer;
        ++count_;
        Trace("Share: " + peer + " connected, clients: " + std::to_string(count_));
        return {i, "VERSION " + serverName_ + "\r\n"};
    }
    Trace("Share: " + peer + " refused, clients: " + std::to_string(count_));
    return {-1, "VERSION " + serverName_ + ": " + std::to_string(count_) +
                    " clients connected, no room for more\r\n"};
}

void BusShare::Disconnect(int client) {
    if (client < 0 || client >= kMaxClients ||
        !clients_[static_cast<std::size_t>(client)].connected)
        return;
    Client& c = clients_[static_cast<std::size_t>(client)];
    const std::string peer = c.peer;
    c = Client{};
    --count_;
    if (flightClient_ == client)
        flightClient_ = -1;
    Trace("Share: " + peer + " disconnected, clients: " + std::to_string(count_));
}

void BusShare::Receive(int client, const char* data, std::size_t count) {
    if (client < 0 || client >= kMaxClients ||
        !clients_[static_cast<std::size_t>(client)].connected)
        return;
    LbLineSplitter& lines = clients_[static_cast<std::size_t>(client)].lines;
    lines.Append(data, count);
    std::string line;
    while (lines.Next(line))
        HandleLine(client, line);
    for (std::size_t n = lines.TakeOverlongCount(); n > 0; --n)
        Refuse(client, "line too long");
}

void BusShare::HandleLine(int client, const std::string& line) {
    if (IsBlankLine(line))
        return;
    const LbLine l = ParseLbLine(line);
    if (l.kind != LbLineKind::Send)
        return Refuse(client,
                      l.kind == LbLineKind::Malformed ? "malformed line" : "unknown command");
    LocoNetMessage m;
    const char* error = CheckMessage(l.bytes, m);
    Client& c = clients_[static_cast<std::size_t>(client)];
    if (error == nullptr && !LinkCarries())
        error = "link down";
    // Short messages would fit more than kMaxWaiting into the bytes.
    if (error == nullptr &&
        (c.queuedBytes + m.length > kClientQueueBytes || c.queue.size() >= kMaxWaiting))
        error = "queue full";
    if (error != nullptr)
        return Refuse(client, error);
    c.queue.push_back({m, 0, nullptr});
    c.queuedBytes += m.length;
}

bool BusShare::LinkCarries() const {
    return link_.IsActive() && !link_.IsPortDown() && !link_.Offline() && link_.Port() != nullptr;
}

void BusShare::Refuse(int client, const char* reason) {
    std::deque<Waiting>& queue = clients_[static_cast<std::size_t>(client)].queue;
    // Only a client that floods with bad lines gets its answers out of turn.
    if (queue.size() >= kMaxRefusalsWaiting)
        return Answer(client, reason);
    queue.push_back({LocoNetMessage{}, 0, reason});
    GiveDueAnswers(client);
}

void BusShare::GiveDueAnswers(int client) {
    if (inFlight_ && flightClient_ == client)
        return;
    std::deque<Waiting>& queue = clients_[static_cast<std::size_t>(client)].queue;
    while (!queue.empty() && queue.front().refusal != nullptr) {
        const char* reason = queue.front().refusal;
        queue.pop_front();
        Answer(client, reason);
    }
}

void BusShare::Answer(int client, const char* refusal) {
    if (refusal == nullptr)
        return Write(client, "SENT OK\r\n");
    const std::string answer = std::string("SENT ERROR ") + refusal;
    if (link_.DebugMode())
        Trace("Share: " + clients_[static_cast<std::size_t>(client)].peer + ": " + answer);
    Write(client, answer + "\r\n");
}

void BusShare::Write(int client, const std::string& text) {
    if (output_)
        output_(client, text);
}

void BusShare::Trace(const std::string& line) const {
    if (link_.DebugMode())
        link_.LogToMonitor(line);
}

void BusShare::OnBusMessage(const LocoNetMessage& message) {
    if (count_ == 0)
        return;
    const std::string line = FormatLbLine("RECEIVE", message.bytes.data(), message.length);
    for (int i = 0; i < kMaxClients; ++i)
        if (clients_[static_cast<std::size_t>(i)].connected)
            Write(i, line);
}

bool BusShare::HasGuestMessage() const {
    return std::any_of(clients_.begin(), clients_.end(), [](const Client& c) {
        return !c.queue.empty() && c.queue.front().refusal == nullptr;
    });
}

bool BusShare::TakeGuestMessage(LocoNetMessage& message) {
    if (inFlight_)
        return false;
    for (int k = 0; k < kMaxClients; ++k) {
        const int i = (next_ + k) % kMaxClients;
        std::deque<Waiting>& queue = clients_[static_cast<std::size_t>(i)].queue;
        if (queue.empty() || queue.front().refusal != nullptr)
            continue;
        flight_ = queue.front();
        queue.pop_front();
        clients_[static_cast<std::size_t>(i)].queuedBytes -= flight_.message.length;
        ++flight_.attempts;
        inFlight_ = true;
        flightClient_ = i;
        // Every client in turn: one that keeps its queue full cannot hold back the others.
        next_ = (i + 1) % kMaxClients;
        message = flight_.message;
        return true;
    }
    return false;
}

int BusShare::EndFlight() {
    if (!inFlight_)
        return -1;
    inFlight_ = false;
    return flightClient_;
}

void BusShare::OnGuestEchoed() {
    const int client = EndFlight();
    if (client < 0)
        return;
    Answer(client, nullptr);
    GiveDueAnswers(client);
}

void BusShare::OnGuestNotEchoed() {
    const int client = EndFlight();
    if (client < 0)
        return;
    if (flight_.attempts < kMaxAttempts) {
        // Tried again before the client's later messages, as the link retries its own.
        Client& c = clients_[static_cast<std::size_t>(client)];
        c.queue.push_front(flight_);
        c.queuedBytes += flight_.message.length;
        return;
    }
    Answer(client, "no echo");
    GiveDueAnswers(client);
}

void BusShare::OnLinkClosed() {
    const int client = EndFlight();
    if (client >= 0)
        Answer(client, "link down");
    for (int i = 0; i < kMaxClients; ++i) {
        std::deque<Waiting>& queue = clients_[static_cast<std::size_t>(i)].queue;
        for (const Waiting& w : queue)
            Answer(i, w.refusal != nullptr ? w.refusal : "link down");
        queue.clear();
        clients_[static_cast<std::size_t>(i)].queuedBytes = 0;
    }
}
