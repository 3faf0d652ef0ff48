#include "core/loconet/LinkParts.h"

#include "core/loconet/MonitorText.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::uint8_t kReplyExpectedBit = 0x08;
} // namespace

Receiver::Result Receiver::Take(std::uint8_t byte, LocoNetMessage& out, std::string& line) {
    if ((byte & 0x80) != 0) {
        Result result = Result::Nothing;
        if (receiving_) {
            line = "Too short: exp:" + std::to_string(expected_) +
                   " ,rec:" + std::to_string(count_) + ">";
            const std::uint32_t stored =
                count_ < LocoNetMessage::kCapacity ? count_ : LocoNetMessage::kCapacity;
            monitortext::AppendHex(line, buffer_.data(), stored);
            result = Result::Complaint;
        }
        expected_ = ExpectedLength(byte);
        buffer_[0] = byte;
        count_ = 1;
        receiving_ = true;
        return result;
    }
    if (!receiving_) {
        line = "Error: Received inter-message byte: ";
        monitortext::AppendHex(line, &byte, 1);
        return Result::Complaint;
    }
    if (expected_ == 0)
        expected_ = byte;
    // A length byte above the buffer size is taken as given, but only the first bytes are
    // kept: such a message never completes and is reported when the next opcode comes.
    if (count_ < LocoNetMessage::kCapacity)
        buffer_[count_] = byte;
    if (count_ < 0xFFFFFFFFu)
        ++count_;
    if (expected_ > LocoNetMessage::kCapacity || count_ < expected_)
        return Result::Nothing;
    receiving_ = false;
    out.length = count_;
    std::memcpy(out.bytes.data(), buffer_.data(), count_);
    return Result::Message;
}

void Receiver::Reset() {
    receiving_ = false;
    expected_ = 0;
    count_ = 0;
}

namespace {
bool SameMessage(const LocoNetMessage& a, const LocoNetMessage& b) {
    return a.length == b.length && std::memcmp(a.bytes.data(), b.bytes.data(), a.length) == 0;
}
} // namespace

void Transmitter::Confirmed(Tick now, Tick sent) {
    repeating_ = false;
    unanswered_ = 0;
    unconfirmedSince_ = now;
    // A single slow answer weighs little.
    latencyMs_ += (std::max<double>(TicksSince(now, sent), 1.0) - latencyMs_) / 8;
}

double Transmitter::CarriedPerSecond() const {
    return std::min(kBusRate, static_cast<double>(MaxInFlight()) * 1000.0 / latencyMs_);
}

bool Transmitter::TakeEcho(const LocoNetMessage& m, Tick now, Flight& done) {
    const auto it = std::find_if(flights_.begin(), flights_.end(),
                                 [&m](const Flight& f) { return SameMessage(f.message, m); });
    if (it == flights_.end())
        return false;
    done = *it;
    flights_.erase(it);
    if (done.onBus)
        return true;
    Confirmed(now, done.sent);
    if (networked_ && words_ == Words::Unknown && ++echoedWithoutWord_ >= kProbeMessages)
        words_ = Words::None;
    return true;
}

Transmitter::Word Transmitter::TakeWord(std::uint64_t write, bool ok, Tick now, Flight& flight) {
    words_ = Words::Given;
    unanswered_ = 0;
    // A late word on a message whose echo already ended its wait.
    const auto it = std::find_if(flights_.begin(), flights_.end(),
                                 [write](const Flight& f) { return f.write == write && !f.onBus; });
    if (it == flights_.end())
        return Word::Ignored;
    if (ok) {
        it->onBus = true;
        flight = *it;
        Confirmed(now, flight.sent);
        return Word::OnBus;
    }
    flight = *it;
    flights_.erase(it);
    if (flight.guest || flight.writes >= kMaxWrites || !PutBack(flight))
        return Word::GivenUp;
    return Word::Again;
}

bool Transmitter::PutBack(const Flight& flight) {
    if (!queue_.PutBack(flight.message))
        return false;
    if (again_.size() >= OutputQueue::kCapacity)
        again_.pop_front();
    again_.emplace_back(flight.message, flight.writes);
    return true;
}

Tick Transmitter::Timeout(const Flight& flight) const {
    if (!networked_)
        return kEchoTimeoutMs;
    if (flight.onBus)
        return kNetworkEchoTimeoutMs;
    switch (words_) {
    case Words::Unknown:
        return kFirstAnswerMs;
    case Words::Given:
        return kWordWaitMs;
    case Words::None:
        break;
    }
    return kNetworkEchoTimeoutMs;
}

Transmitter::Overdue Transmitter::TakeOverdue(Tick now, Flight& flight) {
    if (flights_.empty() || TicksSince(now, flights_.front().sent) <= Timeout(flights_.front()))
        return Overdue::None;
    flight = flights_.front();
    if (!flight.onBus && networked_) {
        // A server that gives its word answers every message; one that gives none is
        // written a message again only so often before it counts as silent.
        if (words_ == Words::Given || ++unanswered_ >= kMaxWrites)
            return Overdue::Silent;
    }
    flights_.pop_front();
    if (flight.onBus)
        return Overdue::OnBus;
    repeating_ = true;
    if (!flight.guest)
        PutBack(flight);
    return Overdue::Repeat;
}

std::uint32_t Transmitter::OverdueIn(Tick now) const {
    if (flights_.empty())
        return kNoDeadline;
    const Flight& f = flights_.front();
    const std::uint32_t since = TicksSince(now, f.sent);
    const Tick timeout = Timeout(f);
    return since > timeout ? 0 : timeout - since + 1;
}

void Transmitter::OtherStation(std::uint8_t opcode, Tick now) {
    if (opcode == static_cast<std::uint8_t>(Opcode::OPC_BUSY))
        return;
    responseExpected_ = (opcode & kReplyExpectedBit) != 0;
    holdTick_ = now;
}

std::size_t Transmitter::MaxInFlight() const {
    return networked_ && words_ == Words::Given ? kMaxInFlight : 1;
}

bool Transmitter::MaySend(Tick now, bool receiving) {
    if (responseExpected_ && TicksSince(now, holdTick_) > kResponseHoldMs)
        responseExpected_ = false;
    return !receiving && flights_.size() < MaxInFlight() && !responseExpected_;
}

void Transmitter::Sent(const LocoNetMessage& m, bool guest, std::uint64_t ticket, Tick now,
                       bool networked, std::uint64_t write) {
    if (flights_.empty() && !repeating_)
        unconfirmedSince_ = now;
    Flight f{m, guest, ticket, write, now, 1, false};
    if (!guest) {
        const auto it = std::find_if(again_.begin(), again_.end(),
                                     [&m](const auto& a) { return SameMessage(a.first, m); });
        if (it != again_.end()) {
            f.writes = it->second + 1;
            again_.erase(it);
        }
    }
    flights_.push_back(f);
    networked_ = networked;
}

std::vector<LocoNetMessage> Transmitter::Reset() {
    std::vector<LocoNetMessage> dropped;
    for (const Flight& f : flights_)
        if (!f.guest && !f.onBus)
            dropped.push_back(f.message);
    for (std::size_t i = 0; i < queue_.Count(); ++i)
        dropped.push_back(queue_.At(i));
    responseExpected_ = false;
    flights_.clear();
    again_.clear();
    repeating_ = false;
    queue_.Clear();
    // A new connection may lead to another server.
    words_ = Words::Unknown;
    echoedWithoutWord_ = 0;
    unanswered_ = 0;
    return dropped;
}

const SlotRecord& SlotTable::At(int slot) const {
    static const SlotRecord kNone{};
    return IsSlotNumber(slot) ? slots_[static_cast<std::size_t>(slot)] : kNone;
}

SlotRecord* SlotTable::Mutable(int slot) {
    return IsSlotNumber(slot) ? &slots_[static_cast<std::size_t>(slot)] : nullptr;
}

int SlotTable::Address(int slot) const {
    const SlotRecord& r = At(slot);
    return r.valid ? r.Address() : -1;
}

bool SlotTable::Holds(int slot, int address) const {
    const SlotRecord& r = At(slot);
    return r.valid && r.Address() == address && (r.STAT1 & slotbits::kStat1Busy) != 0;
}

void SlotTable::Doubt(int slot) {
    if (IsSlotNumber(slot))
        doubted_.set(Index(slot));
}

bool SlotTable::Settle(int slot) {
    if (!Doubted(slot))
        return false;
    doubted_.reset(Index(slot));
    return true;
}

void SlotTable::Changing(int slot) {
    if (!IsSlotNumber(slot) || untold_.test(Index(slot)))
        return;
    untold_.set(Index(slot));
    toldAs_[Index(slot)] = slots_[Index(slot)];
}

int SlotTable::TakeUntold(int from, SlotRecord& toldAs) {
    for (int slot = std::max(from, 0); slot < kSlotCount; ++slot)
        if (untold_.test(Index(slot))) {
            untold_.reset(Index(slot));
            toldAs = toldAs_[Index(slot)];
            return slot;
        }
    return kNoSlot;
}

void SlotTable::ToldFrom(int slot, const SlotRecord& before, const SlotRecord& told) {
    if (!IsSlotNumber(slot) || !untold_.test(Index(slot)))
        return;
    SlotRecord& toldAs = toldAs_[Index(slot)];
    if (!toldAs.SameBytes(before) || toldAs.high != before.high)
        return;
    const SlotRecord& now = slots_[Index(slot)];
    if (now.SameBytes(told) && now.high == told.high)
        untold_.reset(Index(slot));
    else
        toldAs = told;
}

void Selection::Start(const Request& request, Tick now) {
    active_ = true;
    moving_ = false;
    request_ = request;
    slot_ = 0;
    phaseTick_ = now;
}

void Selection::RequesterLeft(int throttleIndex) {
    if (active_ && request_.throttle == throttleIndex)
        request_.throttle = -1;
}

void Selection::MoveSent(Tick now) {
    moving_ = true;
    phaseTick_ = now;
}

void Selection::Took(int throttleIndex, int takenSlot) {
    if (throttleIndex >= 0 && throttleIndex < kEntries && IsSlotNumber(takenSlot))
        taken_[static_cast<std::size_t>(throttleIndex)].set(static_cast<std::size_t>(takenSlot));
}

bool Selection::HasTaken(int throttleIndex, int takenSlot) const {
    return throttleIndex >= 0 && throttleIndex < kEntries && IsSlotNumber(takenSlot) &&
           taken_[static_cast<std::size_t>(throttleIndex)].test(
               static_cast<std::size_t>(takenSlot));
}

void Selection::Forget(int releasedSlot) {
    if (!IsSlotNumber(releasedSlot))
        return;
    for (auto& slots : taken_)
        slots.reset(static_cast<std::size_t>(releasedSlot));
}

void Selection::ForgetThrottle(int throttleIndex) {
    if (throttleIndex >= 0 && throttleIndex < kEntries)
        taken_[static_cast<std::size_t>(throttleIndex)].reset();
}

void PortSupervisor::Release() {
    lost = false;
    lostText.clear();
    if (!port)
        return;
    port->Close();
    retired = std::move(port);
}

std::uint32_t PortSupervisor::ReopenDue(Tick now) const {
    if (port)
        return kOpeningPollMs;
    const std::uint32_t since = TicksSince(now, attemptTick);
    return since >= kReopenIntervalMs ? 0 : kReopenIntervalMs - since;
}

Throttle* ThrottleRegistry::Get(int index) const {
    if (index < 0 || index >= kSize)
        return nullptr;
    return entries_[static_cast<std::size_t>(index)];
}

bool ThrottleRegistry::Put(int index, Throttle* throttle) {
    if (throttle == nullptr || index < 0 || index >= kSize ||
        entries_[static_cast<std::size_t>(index)] != nullptr)
        return false;
    entries_[static_cast<std::size_t>(index)] = throttle;
    return true;
}

void ThrottleRegistry::Clear(int index) {
    if (index >= 0 && index < kSize)
        entries_[static_cast<std::size_t>(index)] = nullptr;
}

int ThrottleRegistry::FreeEntry() const {
    for (int i = kSize - 1; i >= 0; --i)
        if (entries_[static_cast<std::size_t>(i)] == nullptr)
            return i;
    return -1;
}

Throttle* ThrottleRegistry::Active(int index) const {
    Throttle* t = Get(index);
    return t != nullptr && t->bActive ? t : nullptr;
}
