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
    for (auto& flight : flights_)
        if (flight.second == client)
            flight.second = -1;
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
        (c.queuedBytes + m.length > kClientQueueBytes || c.messages >= WaitingLimit()))
        error = "queue full";
    if (error != nullptr)
        return Refuse(client, error);
    c.queue.push_back({m, 0, nullptr, 0, false});
    c.queuedBytes += m.length;
    ++c.messages;
    ++c.untaken;
}

std::size_t BusShare::WaitingLimit() const {
    const auto sending = std::count_if(clients_.begin(), clients_.end(),
                                       [](const Client& c) { return c.messages > 0; });
    const double share =
        link_.CarriedPerSecond() * kQueueSeconds / static_cast<double>(std::max<long>(sending, 1));
    return std::clamp(static_cast<std::size_t>(share), kMinWaiting, kMaxWaiting);
}

bool BusShare::LinkCarries() const {
    return link_.IsActive() && !link_.IsPortDown() && !link_.Offline() && link_.Port() != nullptr;
}

void BusShare::Refuse(int client, const char* reason) {
    std::deque<Waiting>& queue = clients_[static_cast<std::size_t>(client)].queue;
    // Only a client that floods with bad lines gets its answers out of turn.
    if (queue.size() >= kMaxRefusalsWaiting)
        return Answer(client, reason);
    queue.push_back({LocoNetMessage{}, 0, reason, 0, false});
    GiveDueAnswers(client);
}

void BusShare::GiveDueAnswers(int client) {
    Client& c = clients_[static_cast<std::size_t>(client)];
    while (!c.queue.empty() && (c.queue.front().refusal != nullptr || c.queue.front().onBus)) {
        const Waiting w = c.queue.front();
        c.queue.pop_front();
        if (w.message.length > 0) {
            c.queuedBytes -= w.message.length;
            --c.messages;
        }
        Answer(client, w.refusal);
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
    return std::any_of(clients_.begin(), clients_.end(),
                       [](const Client& c) { return c.untaken > 0; });
}

bool BusShare::TakeGuestMessage(LocoNetMessage& message, std::uint64_t& ticket) {
    for (int k = 0; k < kMaxClients; ++k) {
        const int i = (next_ + k) % kMaxClients;
        Client& c = clients_[static_cast<std::size_t>(i)];
        if (c.untaken == 0)
            continue;
        // The client's first message not taken yet: those before it are on their way.
        const auto w = std::find_if(c.queue.begin(), c.queue.end(), [](const Waiting& e) {
            return e.refusal == nullptr && e.ticket == 0 && !e.onBus;
        });
        if (w == c.queue.end())
            continue;
        ++w->attempts;
        w->ticket = nextTicket_++;
        --c.untaken;
        flights_.emplace_back(w->ticket, i);
        // Every client in turn: one that keeps its queue full cannot hold back the others.
        next_ = (i + 1) % kMaxClients;
        message = w->message;
        ticket = w->ticket;
        return true;
    }
    return false;
}

BusShare::Waiting* BusShare::EndFlight(std::uint64_t ticket, int& client) {
    const auto flight = std::find_if(flights_.begin(), flights_.end(),
                                     [ticket](const auto& f) { return f.first == ticket; });
    if (flight == flights_.end())
        return nullptr;
    client = flight->second;
    flights_.erase(flight);
    if (client < 0)
        return nullptr;
    std::deque<Waiting>& queue = clients_[static_cast<std::size_t>(client)].queue;
    const auto w = std::find_if(queue.begin(), queue.end(),
                                [ticket](const Waiting& e) { return e.ticket == ticket; });
    if (w == queue.end())
        return nullptr;
    w->ticket = 0;
    return &*w;
}

void BusShare::OnGuestEchoed(std::uint64_t ticket) {
    int client = -1;
    Waiting* w = EndFlight(ticket, client);
    if (w == nullptr)
        return;
    w->onBus = true;
    GiveDueAnswers(client);
}

void BusShare::OnGuestNotEchoed(std::uint64_t ticket) {
    int client = -1;
    Waiting* w = EndFlight(ticket, client);
    if (w == nullptr)
        return;
    if (w->attempts < kMaxAttempts) {
        // Taken again before the client's later messages, as the link retries its own.
        ++clients_[static_cast<std::size_t>(client)].untaken;
        return;
    }
    w->refusal = "no echo";
    GiveDueAnswers(client);
}

void BusShare::OnLinkClosed() {
    flights_.clear();
    for (int i = 0; i < kMaxClients; ++i) {
        Client& c = clients_[static_cast<std::size_t>(i)];
        // In the order of the lines; what reached the bus was carried.
        for (const Waiting& w : c.queue)
            Answer(i, w.refusal != nullptr ? w.refusal : w.onBus ? nullptr : "link down");
        c.queue.clear();
        c.queuedBytes = c.messages = c.untaken = 0;
    }
}
