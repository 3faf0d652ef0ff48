#pragma once
// The parts of the LocoNet link, each owning its own state: the receiver that assembles
// bytes into messages, the transmitter with its queue, echo, retry and hold, the mirror
// of the slot table, the selection under way, the port and its recovery, and the registry
// of throttles. The link's step calls them in order; none of them calls another.

#include "core/loconet/LocoNetMessage.h"
#include "core/loconet/OutputQueue.h"
#include "core/loconet/SlotRecord.h"
#include "core/loconet/Throttle.h"
#include "platform.h"
#include "ports/SerialPort.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

// Milliseconds from `start` to `now` on the 32-bit tick counter, for starts read at most
// half the counter's range ago: a start read after `now` (taken later in the same step)
// counts as no time passed, never as a wrap of the counter.
inline std::uint32_t TicksSince(Tick now, Tick start) {
    return start - now < 0x80000000u && start != now ? 0 : ElapsedTicks(now, start);
}

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
class Transmitter {
public:
    static constexpr Tick kEchoTimeoutMs = 200;
    static constexpr Tick kResponseHoldMs = 250;

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
    // Gives up waiting for the echo; the program's own message goes back to the queue's
    // head, a guest's is the guests' to offer again (the result says whose it was).
    bool GiveUpEcho();
    // Whether a message may be written now; a hold older than its limit ends here.
    bool MaySend(Tick now, bool receiving);
    // `m` was written to the port at `now`.
    void Sent(const LocoNetMessage& m, bool guest, Tick now);
    void Reset();
    void ForgetGuest() { pendingIsGuest_ = false; }

private:
    OutputQueue queue_;
    LocoNetMessage pending_;
    bool pendingIsGuest_ = false;
    bool waitingEcho_ = false;
    Tick sendTick_ = 0;
    bool responseExpected_ = false;
    Tick holdTick_ = 0;
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

private:
    static std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }
    std::array<SlotRecord, kSlotCount> slots_{};
    std::bitset<kSlotCount> doubted_;
};

// The one loco selection that may be under way, and which slots each throttle's
// selections have taken into use (rather than found in use by another throttle).
class Selection {
public:
    static constexpr std::uint32_t kTimeoutMs = 5000;
    enum Phase : int { kPhaseReqLoco = 1, kPhaseSetBusy = 2 };

    bool active = false;
    int phase = 0;
    int throttle = -1;
    int which = 0;
    int address = 0;
    // Selected again after the port came back: nothing is taken by force.
    bool again = false;
    std::uint8_t slot = 0;
    // Start of the phase that waits for an answer; the time-out counts from here.
    Tick phaseTick = 0;

    void Start(int throttleIndex, int address, int which, Tick now);
    bool TimedOut(Tick now) const { return active && TicksSince(now, phaseTick) >= kTimeoutMs; }
    // The selection of `throttle` took `slot` into use with its null move.
    void Took(int throttleIndex, int slot);
    bool HasTaken(int throttleIndex, int slot) const;
    // The slot went back to the command station, or the throttle's entry was emptied.
    void Forget(int slot);
    void ForgetThrottle(int throttleIndex);

private:
    static constexpr int kEntries = 100;
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
