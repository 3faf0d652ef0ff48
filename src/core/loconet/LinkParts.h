#pragma once
// The parts of the LocoNet link, each owning its own state: the receiver that assembles
// bytes into messages, the transmitter with its queue, echo, retry and hold, the mirror
// of the slot table, the selection under way, the port and its recovery, and the registry
// of throttles. The link's step calls them in order; none of them calls another.

#include "core/loconet/LocoNetMessage.h"
#include "core/loconet/OutputQueue.h"
#include "core/loconet/SerialPort.h"
#include "core/loconet/SlotRecord.h"
#include "core/loconet/Throttle.h"
#include "core/platform.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

// Assembles the bytes read from the port into messages.
class Receiver {
public:
    enum class Result { Nothing, Message, Complaint };
    // Takes one byte. Message: `out` holds a whole message. Complaint: `line` holds what
    // goes to the monitor (a stray byte, a message cut short by the next opcode).
    Result Take(std::uint8_t byte, LocoNetMessage& out, std::string& line);
    void Reset();
    bool Busy() const { return receiving_; }

private:
    bool receiving_ = false;
    std::uint32_t expected_ = 0;
    std::array<std::uint8_t, LocoNetMessage::kCapacity> buffer_{};
    std::uint32_t count_ = 0;
};

// The output side: the queue, the one message on the bus waiting for its echo, and the
// hold that another station's request puts on the program's output.
//
// Over a network (a LbServer server) the echo comes back late, and the server may say of
// each message whether it went on the bus ("SENT OK") or not ("SENT ERROR"). Its word is
// trusted over the clock: a message it took is never written again, one it refused is.
class Transmitter {
public:
    static constexpr Tick kEchoTimeoutMs = 200;
    static constexpr Tick kResponseHoldMs = 250;
    // The echo wait over a network, for servers that give no word on a message.
    static constexpr Tick kNetworkEchoTimeoutMs = 1000;
    // Until a server is known to give its word or not, its first messages wait this long.
    static constexpr Tick kFirstAnswerMs = 3000;
    // Messages echoed without a word before a server is taken to give none.
    static constexpr int kProbeMessages = 3;
    // A server that gives its word but has not for this long: the message counts as lost.
    static constexpr Tick kWordWaitMs = 5000;
    // Writes of a message the server refused, before it is given up.
    static constexpr int kMaxWrites = 3;

    // What a server's word on a message means for it.
    enum class Word { Ignored, OnBus, Again, GivenUp };

    OutputQueue& Queue() { return queue_; }
    const OutputQueue& Queue() const { return queue_; }
    const LocoNetMessage& Pending() const { return pending_; }
    bool PendingIsGuest() const { return pendingIsGuest_; }
    bool WaitingEcho() const { return waitingEcho_; }
    bool ResponseExpected() const { return responseExpected_; }

    // True (and the wait ends) when `m` is the echo of the message on the bus.
    bool TakeEcho(const LocoNetMessage& m);
    // Another station's intact message: a request holds the output until its reply.
    void OtherStation(std::uint8_t opcode, Tick now);
    // Milliseconds the message on the bus has waited for its echo, 0 when none waits.
    std::uint32_t EchoWait(Tick now) const { return waitingEcho_ ? TicksSince(now, sendTick_) : 0; }
    // Milliseconds since the bus last confirmed one of the program's messages, counted while
    // one waits for its echo and its repeats; 0 when none waits.
    std::uint32_t UnconfirmedFor(Tick now) const {
        return waitingEcho_ ? TicksSince(now, unconfirmedSince_) : 0;
    }
    // Gives up waiting for the echo; the program's own message goes back to the queue's
    // head, a guest's is the guests' to offer again (the result says whose it was).
    bool GiveUpEcho();
    // Whether a message may be written now; a hold older than its limit ends here.
    bool MaySend(Tick now, bool receiving);
    // `m` was written to the port at `now`; `networked` for a port whose server may give
    // its word, `write` numbering the port's writes.
    void Sent(const LocoNetMessage& m, bool guest, Tick now, bool networked = false,
              std::uint64_t write = 0);
    // The server's word on its `write`-th message. Again: the program's own message is at the
    // queue's head to be written again; GivenUp: a guest's, or one refused kMaxWrites times.
    Word TakeWord(std::uint64_t write, bool ok);
    // How long the message on the bus may wait for its echo.
    Tick EchoTimeout() const;
    // The server took the message; the echo is waited for only to know it as the own one.
    bool OnBus() const { return waitingEcho_ && onBus_; }
    // Ends the wait for the echo of a message that the server took; true for a guest's.
    bool EndOnBus();
    void Reset();
    void ForgetGuest() { pendingIsGuest_ = false; }

private:
    enum class Words { Unknown, None, Given };

    OutputQueue queue_;
    LocoNetMessage pending_;
    bool pendingIsGuest_ = false;
    bool waitingEcho_ = false;
    Tick sendTick_ = 0;
    Tick unconfirmedSince_ = 0;
    bool repeating_ = false; // the last message's echo did not come
    bool responseExpected_ = false;
    Tick holdTick_ = 0;
    bool networked_ = false;
    Words words_ = Words::Unknown;
    int echoedWithoutWord_ = 0;
    std::uint64_t pendingWrite_ = 0;
    bool onBus_ = false;
    // The pending message was refused and put back; its next write counts on.
    bool writeAgain_ = false;
    int writes_ = 0;
};

// The mirror of the command station's 128 slots.
class SlotTable {
public:
    // The record of a slot; a number outside 0..127 gives an empty, invalid record.
    const SlotRecord& At(int slot) const;
    SlotRecord* Mutable(int slot);
    int Address(int slot) const;
    // Whether the slot's data shows `address` taken into use by a throttle.
    bool Holds(int slot, int address) const;

    // A slot asked for again after the port came back is in doubt until its data arrives:
    // the command station may have forgotten it or given it to another locomotive.
    void Doubt(int slot);
    bool Doubted(int slot) const { return IsSlotNumber(slot) && doubted_.test(Index(slot)); }
    // The slot's data has arrived; true when it was in doubt.
    bool Settle(int slot);
    void SettleAll() { doubted_.reset(); }

    // The program's own command is about to change the slot: what its throttles were last
    // told of it is kept (once) until they are told of the change.
    void Changing(int slot);
    bool AnyUntold() const { return untold_.any(); }
    // The next slot whose change the throttles were not told yet (from `from` on), or
    // kNoSlot; `toldAs` is what they were last told of it. The slot counts as told.
    int TakeUntold(int from, SlotRecord& toldAs);
    // The throttles were told of the change from `before` to `told`: when that is all that
    // was untold of the slot, only what changed since (a throttle's answer to it) is left.
    void ToldFrom(int slot, const SlotRecord& before, const SlotRecord& told);

private:
    static std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }
    std::array<SlotRecord, kSlotCount> slots_{};
    std::bitset<kSlotCount> doubted_;
    std::bitset<kSlotCount> untold_;
    std::array<SlotRecord, kSlotCount> toldAs_{};
};

// The one loco selection that may be under way, and which slots each throttle's
// selections have taken into use (rather than found in use by another station). Only a
// slot that a selection took is ever given back for a requester that left or failed.
class Selection {
public:
    static constexpr std::uint32_t kTimeoutMs = 5000;

    // Who asks, for which of its addresses, and for what address. `again`: selected again
    // after the port came back, when nothing is taken by force.
    struct Request {
        int throttle = -1;
        int which = 0;
        int address = 0;
        bool again = false;
    };

    void Start(const Request& request, Tick now);
    bool Active() const { return active_; }
    void End() { active_ = false; }
    const Request& Asked() const { return request_; }
    // The registry entry that waits for the answer; -1 once its throttle has left.
    int Requester() const { return request_.throttle; }
    // Its throttle left the entry: the answer goes to nobody, and is not handed to a
    // throttle that takes the entry over.
    void RequesterLeft(int throttleIndex);
    // The slot that the command station named for the address.
    int Slot() const { return slot_; }
    void Found(int slot) { slot_ = slot; }
    // The null move that takes the found slot into use is on its way: its answer is waited
    // for now, the time-out counting again.
    void MoveSent(Tick now);
    bool Moving() const { return moving_; }
    bool TimedOut(Tick now) const { return active_ && TicksSince(now, phaseTick_) >= kTimeoutMs; }
    // The selection of `throttle` took `slot` into use with its null move.
    void Took(int throttleIndex, int slot);
    bool HasTaken(int throttleIndex, int slot) const;
    // The slot went back to the command station, or the throttle's entry was emptied.
    void Forget(int slot);
    void ForgetThrottle(int throttleIndex);

private:
    static constexpr int kEntries = 100;
    bool active_ = false;
    bool moving_ = false;
    Request request_;
    int slot_ = 0;
    // Start of the phase that waits for an answer; the time-out counts from here.
    Tick phaseTick_ = 0;
    std::array<std::bitset<kSlotCount>, kEntries> taken_{};
};

// The port: the one open now, the one retired last, its loss and its reopening.
struct PortSupervisor {
    static constexpr std::uint32_t kReopenIntervalMs = 2000;
    static constexpr std::uint32_t kOpeningPollMs = 100;

    std::string name;
    std::unique_ptr<SerialPort> port;
    // The last port closed. It lives until the next one closes, because a port may report
    // its loss from inside one of its own calls or signals and must outlive that call.
    std::unique_ptr<SerialPort> retired;
    // The port was lost and the link is still to let go of it (at the end of the step).
    bool lost = false;
    std::string lostText;
    // The port was lost and is being opened again; attemptTick is when it was last tried.
    bool down = false;
    Tick attemptTick = 0;

    bool Usable() const { return port != nullptr && !lost && !down; }
    void Release();
    // Milliseconds until the next look at a port being opened again.
    std::uint32_t ReopenDue(Tick now) const;
    bool ReopenTime(Tick now) const { return TicksSince(now, attemptTick) >= kReopenIntervalMs; }
};

// The throttles that the link calls, by registry entry.
class ThrottleRegistry {
public:
    static constexpr int kSize = 100;

    Throttle* Get(int index) const;
    bool Put(int index, Throttle* throttle);
    void Clear(int index);
    // The highest empty entry, or -1.
    int FreeEntry() const;
    // The entry's throttle if it is there and active (entries may empty during a loop).
    Throttle* Active(int index) const;

private:
    std::array<Throttle*, kSize> entries_{};
};
