#include "core/layout/LayoutBus.h"

#include "core/layout/TurnoutSwitch.h"
#include "core/loconet/Throttle.h"

#include <algorithm>
#include <set>

namespace {

constexpr std::uint8_t kInputReport = 0x40; // switch reports: an input, not the outputs
constexpr std::uint8_t kSensorHalf = 0x20;  // sensor reports: the odd input of the pair
constexpr std::uint8_t kSensorLevel = 0x10;

int SwitchNumber(const LocoNetMessage& m) {
    return ((m.bytes[2] & 0x0F) << 7) | (m.bytes[1] & 0x7F);
}

} // namespace

BusReport DecodeBusReport(const LocoNetMessage& m) {
    BusReport report;
    const std::uint8_t b2 = m.bytes[2];
    switch (m.bytes[0]) {
    case static_cast<std::uint8_t>(Opcode::OPC_SW_REQ):
    case static_cast<std::uint8_t>(Opcode::OPC_SW_ACK):
        // A request to switch the output off says nothing new about the position.
        if ((b2 & switchbits::kOn) != 0)
            report = {BusReport::Switch, SwitchNumber(m) + 1, (b2 & switchbits::kClosed) != 0};
        break;
    case static_cast<std::uint8_t>(Opcode::OPC_SW_REP): {
        const bool closedOn = (b2 & switchbits::kClosed) != 0;
        const bool thrownOn = (b2 & switchbits::kOn) != 0;
        // Both outputs off (or on) tells no position.
        if ((b2 & kInputReport) == 0 && closedOn != thrownOn)
            report = {BusReport::Switch, SwitchNumber(m) + 1, closedOn};
        break;
    }
    case static_cast<std::uint8_t>(Opcode::OPC_INPUT_REP):
        report = {BusReport::Sensor, SwitchNumber(m) * 2 + ((b2 & kSensorHalf) != 0 ? 1 : 0) + 1,
                  (b2 & kSensorLevel) != 0};
        break;
    default:
        break;
    }
    return report;
}

bool LayoutBus::OnMessage(const LocoNetMessage& message) {
    const BusReport report = DecodeBusReport(message);
    Remember(report);
    bool changed = false;
    switch (report.kind) {
    case BusReport::Switch:
        changed = FollowSwitch(report.address);
        break;
    case BusReport::Sensor:
        changed = FollowSensor(report.address);
        break;
    case BusReport::None:
        return false;
    }
    return ShowStates() || changed;
}

void LayoutBus::Queued(int index, int position, const std::vector<LocoNetMessage>& requests) {
    if (requests.empty() || index < 0 || index >= doc_.Count())
        return;
    for (const LocoNetMessage& request : requests)
        Wait(request, false);
    doc_.SetBusState(index, doc_.Element(index).confirmed, position);
    ShowStates();
}

void LayoutBus::Wait(const LocoNetMessage& request, bool sync) {
    pending_.push_back({request, DecodeBusReport(request), sync});
}

bool LayoutBus::OnOutcome(const LocoNetMessage& message, bool onBus) {
    // The link tells of its messages in the order they were queued; the first alike is it.
    const auto it = std::find_if(pending_.begin(), pending_.end(), [&message](const Pending& p) {
        return p.request.bytes[0] == message.bytes[0] && p.request.bytes[1] == message.bytes[1] &&
               p.request.bytes[2] == message.bytes[2];
    });
    if (it == pending_.end())
        return false;
    const Pending done = *it;
    pending_.erase(it);
    if (done.sync && !onBus)
        ++syncEnd_.missed;
    bool changed = false;
    if (onBus && done.report.kind == BusReport::Switch) {
        Remember(done.report);
        changed = FollowSwitch(done.report.address);
    }
    return ShowStates() || changed;
}

bool LayoutBus::LinkLost() {
    closed_.clear();
    occupied_.clear();
    // The link drops whatever of the program's own still waits.
    for (const Pending& p : pending_)
        if (p.sync)
            ++syncEnd_.missed;
    pending_.clear();
    StopSync();
    return ShowStates();
}

void LayoutBus::Remember(const BusReport& report) {
    if (report.kind == BusReport::Switch)
        closed_[report.address] = report.state;
    else if (report.kind == BusReport::Sensor)
        occupied_[report.address] = report.state;
}

bool LayoutBus::Apply() {
    bool changed = false;
    for (const auto& [address, closed] : closed_)
        changed |= FollowSwitch(address);
    for (const auto& [address, occupied] : occupied_)
        changed |= FollowSensor(address);
    return ShowStates() || changed;
}

std::optional<bool> LayoutBus::SwitchState(int address, bool expected) const {
    if (expected)
        for (auto p = pending_.rbegin(); p != pending_.rend(); ++p)
            if (p->report.kind == BusReport::Switch && p->report.address == address)
                return p->report.state;
    const auto known = closed_.find(address);
    if (known == closed_.end())
        return std::nullopt;
    return known->second;
}

int LayoutBus::MatchingPosition(const TurnoutData& t, bool expected, int first, int second) const {
    int found = TurnoutData::kUnknown;
    bool secondMatches = false;
    for (int p = 0; p < t.positions; ++p) {
        bool matches = true;
        for (int o = 0; o < t.outputs && o < TurnoutData::kMaxOutputs && matches; ++o) {
            const int state = t.output[o].states[p];
            const std::optional<bool> closed = SwitchState(t.output[o].address, expected);
            // An output that the position leaves alone, or that the bus never mentioned,
            // does not speak against it.
            if (state == OutputState::kNothing || !closed)
                continue;
            matches = *closed == (state == OutputState::kClosed);
        }
        if (!matches)
            continue;
        if (p == first)
            return p;
        secondMatches |= p == second;
        if (found == TurnoutData::kUnknown)
            found = p;
    }
    return secondMatches ? second : found;
}

bool LayoutBus::Waits(const TurnoutData& t) const {
    for (const Pending& p : pending_)
        for (int o = 0; o < t.outputs && o < TurnoutData::kMaxOutputs; ++o)
            if (p.report.kind == BusReport::Switch && p.report.address == t.output[o].address)
                return true;
    return false;
}

bool LayoutBus::FollowSwitch(int address) {
    bool changed = false;
    for (int i = 0; i < doc_.Count(); ++i) {
        const LayoutElement& e = doc_.Element(i);
        if (!e.turnout)
            continue;
        const TurnoutData& t = *e.turnout;
        bool uses = false;
        for (int o = 0; o < t.outputs && o < TurnoutData::kMaxOutputs; ++o)
            uses |= t.output[o].address == address;
        if (!uses)
            continue;
        // The position the program asked for, when the bus agrees with it.
        int position = MatchingPosition(t, false, t.requested, t.current);
        // Halfway through the program's own requests the outputs may match no position yet.
        if (position == TurnoutData::kUnknown && Waits(t))
            position = t.current;
        if (position != t.current) {
            doc_.SetTurnoutPosition(i, position);
            changed = true;
        }
    }
    return changed;
}

bool LayoutBus::FollowSensor(int address) {
    const auto known = occupied_.find(address);
    const bool occupied = known != occupied_.end() && known->second;
    bool changed = false;
    for (int i = 0; i < doc_.Count(); ++i) {
        const LayoutElement& e = doc_.Element(i);
        if (e.IsDetector() && e.sensor == address && e.occupied != occupied) {
            doc_.SetOccupied(i, occupied);
            changed = true;
        }
    }
    return changed;
}

bool LayoutBus::ShowState(int index) {
    const LayoutElement& e = doc_.Element(index);
    if (e.IsDetector()) {
        // A detector without a valid address has nothing to wait for.
        const bool confirmed = e.sensor < 1 || e.sensor > kMaxSensorAddress ||
                               occupied_.find(e.sensor) != occupied_.end();
        return doc_.SetBusState(index, confirmed, TurnoutData::kNoRequest);
    }
    if (!e.turnout)
        return false;
    const TurnoutData& t = *e.turnout;
    const int requested =
        Waits(t) ? MatchingPosition(t, true, t.requested, t.current) : TurnoutData::kNoRequest;
    // Confirmed when the bus has said every output that the position drawn sends; one that
    // sends nothing, or has no address to send to, is not waited for.
    bool confirmed = true;
    for (int o = 0; t.current >= 0 && o < t.outputs && o < TurnoutData::kMaxOutputs; ++o) {
        const TurnoutOutput& out = t.output[o];
        const int state = out.states[static_cast<std::size_t>(t.current)];
        if ((state == OutputState::kClosed || state == OutputState::kThrown) && out.address >= 1 &&
            out.address <= kMaxSwitchAddress && closed_.find(out.address) == closed_.end())
            confirmed = false;
    }
    return doc_.SetBusState(index, confirmed, requested);
}

bool LayoutBus::ShowStates() {
    bool changed = false;
    for (int i = 0; i < doc_.Count(); ++i)
        changed |= ShowState(i);
    return changed;
}

int LayoutBus::StartSync() {
    sync_.clear();
    synced_ = false;
    // Requests of an earlier synchronisation still on their way are no longer counted.
    for (Pending& p : pending_)
        p.sync = false;
    // An address that several turnouts share is sent once, in the first one's position:
    // the second request would move the first turnout as soon as its echo comes back.
    std::set<int> sent;
    for (const LayoutElement& e : doc_.Elements()) {
        if (!e.turnout || e.turnout->current == TurnoutData::kUnknown)
            continue;
        for (const LocoNetMessage& m : SwitchRequestsFor(*e.turnout, e.turnout->current).messages)
            if (sent.insert(SwitchNumber(m)).second)
                sync_.push_back(m);
    }
    syncEnd_ = {static_cast<int>(sync_.size()), 0};
    syncRunning_ = !sync_.empty();
    return syncEnd_.requests;
}

void LayoutBus::StopSync() {
    syncEnd_.missed += static_cast<int>(sync_.size());
    sync_.clear();
}

std::uint32_t LayoutBus::SyncDue(Tick now) const {
    if (sync_.empty())
        return kNoDeadline;
    const std::uint32_t elapsed = ElapsedTicks(now, lastSync_);
    return !synced_ || elapsed >= kSyncIntervalMs ? 0 : kSyncIntervalMs - elapsed;
}

bool LayoutBus::StepSync(Tick now, const std::function<bool(const LocoNetMessage&)>& send) {
    if (sync_.empty() || SyncDue(now) != 0)
        return false;
    const LocoNetMessage request = sync_.front();
    sync_.pop_front();
    synced_ = true;
    lastSync_ = now;
    if (!send(request)) {
        ++syncEnd_.missed;
        return false;
    }
    Wait(request, true);
    ShowStates();
    return true;
}

std::optional<LayoutBus::SyncEnd> LayoutBus::TakeSyncEnd() {
    if (!syncRunning_ || !sync_.empty())
        return std::nullopt;
    for (const Pending& p : pending_)
        if (p.sync)
            return std::nullopt;
    syncRunning_ = false;
    return syncEnd_;
}
