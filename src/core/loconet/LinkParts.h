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
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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

// The output side: the queue, the messages written and waiting for their echo, and the
// hold that another station's request puts on the program's output.
//
// A serial interface carries one message at a time: the next is written once the echo of
// the last came back. Over a network (a LbServer server) the echo comes back late, and the
// server may say of each message, in order, whether it went on the bus ("SENT OK") or not
// ("SENT ERROR"). Its word is trusted over the clock: a message it took is never written
// again, one it refused is. A server known to give its word is written several messages
// ahead, so that the link carries more than one message per round trip.
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
    // A server that gives its word but has not for this long has stopped answering.
    static constexpr Tick kWordWaitMs = 5000;
    // Writes of a message to a server, before it is given up (refused) or the server is
    // taken as silent (unanswered).
    static constexpr int kMaxWrites = 3;
    // Messages written to a server that gives its word, ahead of its answers.
    static constexpr std::size_t kMaxInFlight = 16;

    // A message written and not yet done with.
    struct Flight {
        LocoNetMessage message;
        bool guest = false;
        std::uint64_t ticket = 0; // the guests' number for their message
        std::uint64_t write = 0;  // the port's number of the write
        Tick sent = 0;
        int writes = 1;     // of this message, the refused ones included
        bool onBus = false; // the server took it; the echo is waited for only to know it
    };

    // What a server's word on a message means for it.
    enum class Word { Ignored, OnBus, Again, GivenUp };
    // What the clock says of the oldest message written.
    enum class Overdue {
        None,
        OnBus,  // the server took it and its echo is late: it is done with
        Repeat, // no echo: the program's own is back at the queue's head, a guest's is out
        Silent, // the server has not answered it, however often written: the port is lost
    };

    OutputQueue& Queue() { return queue_; }
    const OutputQueue& Queue() const { return queue_; }
    bool WaitingEcho() const { return !flights_.empty(); }
    bool ResponseExpected() const { return responseExpected_; }

    // True when `m` is the echo of a message written (the oldest one it matches); that
    // message is done with and given in `done`.
    bool TakeEcho(const LocoNetMessage& m, Tick now, Flight& done);
    // Another station's intact message: a request holds the output until its reply.
    void OtherStation(std::uint8_t opcode, Tick now);
    // Milliseconds since the bus last confirmed one of the program's messages, counted while
    // one waits for its echo and its repeats; 0 when none waits.
    std::uint32_t UnconfirmedFor(Tick now) const {
        return flights_.empty() ? 0 : TicksSince(now, unconfirmedSince_);
    }
    // The oldest message written, when its time is over; `flight` is it. Only Silent
    // leaves it in place.
    Overdue TakeOverdue(Tick now, Flight& flight);
    // Whether a message may be written now; a hold older than its limit ends here.
    bool MaySend(Tick now, bool receiving);
    // `m` was written to the port at `now`; `networked` for a port whose server may give
    // its word, `write` numbering the port's writes.
    void Sent(const LocoNetMessage& m, bool guest, std::uint64_t ticket, Tick now,
              bool networked = false, std::uint64_t write = 0);
    // The server's word on its `write`-th message, which is given in `flight`. Again: the
    // program's own message is at the queue's head to be written again; GivenUp: a guest's,
    // or one refused kMaxWrites times.
    Word TakeWord(std::uint64_t write, bool ok, Tick now, Flight& flight);
    // Milliseconds until the oldest message written is overdue; kNoDeadline when none is.
    std::uint32_t OverdueIn(Tick now) const;
    // Messages per second the link can carry as its answers come now: the messages it
    // writes ahead over the time one takes to be confirmed, at most the bus's own rate.
    double CarriedPerSecond() const;
    // Empties everything; the program's own messages that did not reach the bus are given.
    std::vector<LocoNetMessage> Reset();

private:
    enum class Words { Unknown, None, Given };

    Tick Timeout(const Flight& flight) const;
    std::size_t MaxInFlight() const;
    // A confirmation of a message written at `sent`: counts for the rate, and the
    // unconfirmed time starts again.
    void Confirmed(Tick now, Tick sent);
    // Puts the program's refused or unechoed message back, remembering its writes.
    bool PutBack(const Flight& flight);

    OutputQueue queue_;
    std::deque<Flight> flights_;
    // The program's messages put back, with their writes so far, for their next write.
    std::deque<std::pair<LocoNetMessage, int>> again_;
    Tick unconfirmedSince_ = 0;
    bool repeating_ = false; // the last message's echo did not come
    bool responseExpected_ = false;
    Tick holdTick_ = 0;
    bool networked_ = false;
    Words words_ = Words::Unknown;
    int echoedWithoutWord_ = 0;
    // Writes in a row that a server left without echo or word.
    int unanswered_ = 0;
    // Four-byte messages at the bus's 16,660 bit/s, ten bits a byte.
    static constexpr double kBusRate = 16660.0 / 10 / 4;
    // Milliseconds from a write to its confirmation, averaged over the last few messages.
    double latencyMs_ = 1000.0 / kBusRate;
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
