#pragma once
// The layout panel and the bus: turnouts follow the switch requests and output reports of
// every station, detectors the sensor reports, and "Sinhroniziraj" puts every turnout's
// position back on the bus, one request at a time. The panel draws only what the bus has
// carried: the program's own requests show as waiting until the link says they are on the
// bus, and after a lost link nothing counts as confirmed until the bus says it again.

#include "core/layout/VlakomatDoc.h"
#include "core/loconet/LocoNetMessage.h"
#include "core/platform.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
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
    // The program queued `requests` to move turnout `index` into `position`: the turnout is
    // drawn waiting, and moves only when the bus has them.
    void Queued(int index, int position, const std::vector<LocoNetMessage>& requests);
    // What became of one of the program's own queued messages: on the bus, or given up by
    // the link. True when the panel changed.
    bool OnOutcome(const LocoNetMessage& message, bool onBus);
    // The link was lost (the port is down, the link closed): what the bus said no longer
    // holds, and every turnout and detector is unconfirmed until the bus says it again.
    bool LinkLost();
    // Shows what the bus has said on a freshly opened layout or a new element, and marks
    // what it has not said as unconfirmed.
    bool Apply();

    // Starts sending the position of every turnout; the number of requests to send.
    int StartSync();
    // Sends nothing more; what was not sent counts as not on the bus.
    void StopSync();
    // Requests of the synchronisation wait to be sent.
    bool Syncing() const { return !sync_.empty(); }
    // Sends the next request when its time has come; true when one went out. `send` puts it
    // on the link and says whether the link took it.
    bool StepSync(Tick now, const std::function<bool(const LocoNetMessage&)>& send);
    // Milliseconds until StepSync has something to send; kNoDeadline when nothing waits.
    std::uint32_t SyncDue(Tick now) const;
    struct SyncEnd {
        int requests = 0;
        int missed = 0; // not sent, or given up by the link
    };
    // The end of a synchronisation, once every request of it is on the bus or lost; given
    // once.
    std::optional<SyncEnd> TakeSyncEnd();

private:
    struct Pending {
        LocoNetMessage request;
        BusReport report;
        bool sync;
    };
    void Remember(const BusReport& report);
    void Wait(const LocoNetMessage& request, bool sync);
    bool FollowSwitch(int address);
    bool FollowSensor(int address);
    // What the bus said of a switch address (closed), or what the last waiting request of
    // the program asks for when `expected`; nullopt when neither says anything.
    std::optional<bool> SwitchState(int address, bool expected) const;
    // The position whose outputs agree with the switch states, `first` and then `second`
    // preferred; TurnoutData::kUnknown when none does.
    int MatchingPosition(const TurnoutData& turnout, bool expected, int first, int second) const;
    bool Waits(const TurnoutData& turnout) const;
    // Sets an element's confirmed look and a turnout's waiting position from what is known.
    bool ShowState(int index);
    bool ShowStates();

    CVlakomatDoc& doc_;
    std::unordered_map<int, bool> closed_;   // switch address -> closed
    std::unordered_map<int, bool> occupied_; // sensor address -> occupied
    std::vector<Pending> pending_;           // the program's requests, in queue order
    std::deque<LocoNetMessage> sync_;
    bool synced_ = false; // a request of this synchronisation went out
    Tick lastSync_ = 0;
    bool syncRunning_ = false;
    SyncEnd syncEnd_;
};
