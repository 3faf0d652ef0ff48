#include "core/layout/LayoutBus.h"

#include "core/layout/TurnoutSwitch.h"
#include "core/loconet/Throttle.h"

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
    switch (report.kind) {
    case BusReport::Switch:
        return FollowSwitch(report.address);
    case BusReport::Sensor:
        return FollowSensor(report.address);
    case BusReport::None:
        break;
    }
    return false;
}

void LayoutBus::Sent(const std::vector<LocoNetMessage>& requests) {
    for (const LocoNetMessage& request : requests)
        Remember(DecodeBusReport(request));
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
    return changed;
}

int LayoutBus::MatchingPosition(const TurnoutData& t) const {
    int found = TurnoutData::kUnknown;
    for (int p = 0; p < t.positions; ++p) {
        bool matches = true;
        for (int o = 0; o < t.outputs && o < TurnoutData::kMaxOutputs && matches; ++o) {
            const int state = t.output[o].states[p];
            const auto known = closed_.find(t.output[o].address);
            // An output that the position leaves alone, or that the bus never mentioned,
            // does not speak against it.
            if (state == OutputState::kNothing || known == closed_.end())
                continue;
            matches = known->second == (state == OutputState::kClosed);
        }
        if (matches && p == t.current)
            return p;
        if (matches && found == TurnoutData::kUnknown)
            found = p;
    }
    return found;
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
        const int position = uses ? MatchingPosition(t) : t.current;
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

int LayoutBus::StartSync() {
    sync_.clear();
    synced_ = false;
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
    return static_cast<int>(sync_.size());
}

std::uint32_t LayoutBus::SyncDue(Tick now) const {
    if (sync_.empty())
        return kNoDeadline;
    const std::uint32_t elapsed = ElapsedTicks(now, lastSync_);
    return !synced_ || elapsed >= kSyncIntervalMs ? 0 : kSyncIntervalMs - elapsed;
}

bool LayoutBus::StepSync(Tick now, const std::function<void(const LocoNetMessage&)>& send) {
    if (sync_.empty() || SyncDue(now) != 0)
        return false;
    const LocoNetMessage request = sync_.front();
    sync_.pop_front();
    synced_ = true;
    lastSync_ = now;
    Remember(DecodeBusReport(request));
    send(request);
    return true;
}
