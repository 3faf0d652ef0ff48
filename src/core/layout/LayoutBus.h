#pragma once
// The layout panel and the bus: turnouts follow the switch requests and output reports of
// every station, detectors the sensor reports, and "Sinhroniziraj" puts every turnout's
// position back on the bus, one request at a time.

#include "core/layout/VlakomatDoc.h"
#include "core/loconet/LocoNetMessage.h"
#include "core/platform.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <unordered_map>
#include <vector>

// What a switch or sensor message says, with addresses as the operator counts them.
struct BusReport {
    enum Kind { None, Switch, Sensor } kind = None;
    int address = 0;    // 1-based
    bool state = false; // Switch: closed; Sensor: occupied
};
BusReport DecodeBusReport(const LocoNetMessage& message);

class LayoutBus {
public:
    // Requests of a synchronisation go out this far apart, so that decoders keep up.
    static constexpr std::uint32_t kSyncIntervalMs = 50;

    explicit LayoutBus(CVlakomatDoc& doc) : doc_(doc) {}

    // A message seen on the bus (the program's own echoes too); true when the panel changed.
    bool OnMessage(const LocoNetMessage& message);
    // The program sent these requests (a click): what they set is now known.
    void Sent(const std::vector<LocoNetMessage>& requests);
    // Shows what the bus has said on a freshly opened layout or a new element.
    bool Apply();

    // Starts sending the position of every turnout; the number of requests to send.
    int StartSync();
    void StopSync() { sync_.clear(); }
    bool Syncing() const { return !sync_.empty(); }
    // Sends the next request when its time has come; true when one went out. `send` puts it
    // on the link.
    bool StepSync(Tick now, const std::function<void(const LocoNetMessage&)>& send);
    // Milliseconds until StepSync has something to send; kNoDeadline when nothing waits.
    std::uint32_t SyncDue(Tick now) const;

private:
    void Remember(const BusReport& report);
    bool FollowSwitch(int address);
    bool FollowSensor(int address);
    // The position whose outputs agree with what the bus said, the current one first;
    // TurnoutData::kUnknown when none does.
    int MatchingPosition(const TurnoutData& turnout) const;

    CVlakomatDoc& doc_;
    std::unordered_map<int, bool> closed_;   // switch address -> closed
    std::unordered_map<int, bool> occupied_; // sensor address -> occupied
    std::deque<LocoNetMessage> sync_;
    bool synced_ = false; // a request of this synchronisation went out
    Tick lastSync_ = 0;
};
