#pragma once
// A simulated LocoNet interface plus command station, for running the program and its tests
// without hardware. Bytes the program writes go in through Write; what the bus carries back
// (the interface's echo, the station's answers, other stations' messages) comes out through
// Read or TakeChunk. Nothing happens on its own: Poll advances time (purge, delayed answers).

#include "core/loconet/LocoNetMessage.h"
#include "core/loconet/SlotRecord.h"
#include "core/platform.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

// Names of the eleven slot bytes in wire order (bytes 2 to 12 of a slot data message).
namespace SimSlotByte {
constexpr int SLOT = 0, STAT1 = 1, ADR = 2, SPD = 3, DIRF = 4, TRK = 5, SS2 = 6, ADR2 = 7, SND = 8,
              ID1 = 9, ID2 = 10;
}

// STAT1 values, under the names the station's tests use; the bits are the link's.
namespace SimStat1 {
constexpr std::uint8_t kStateMask = slotbits::kStat1StateMask;
constexpr std::uint8_t kFree = slotbits::kStat1Free;
constexpr std::uint8_t kCommon = slotbits::kStat1Common;
constexpr std::uint8_t kIdle = slotbits::kStat1Idle;
constexpr std::uint8_t kInUse = slotbits::kStat1InUse;
constexpr std::uint8_t kConsistUp = slotbits::kStat1Consist;
constexpr std::uint8_t kDecoder128 = 0x03; // the station's decoder type: 128 speed steps
} // namespace SimStat1

struct SimSlot {
    std::array<std::uint8_t, 11> bytes{};
    Tick lastActivity = 0; // last speed, direction or function message for the slot

    int Address() const { return bytes[SimSlotByte::ADR2] * 128 + bytes[SimSlotByte::ADR]; }
};

// A hand-held throttle on the bus: the address it drives, its slot and its function keys.
struct SimThrottle {
    int address = -1;
    int slot = -1;
    std::uint8_t f9to12 = 0;
    std::uint8_t f13to20 = 0;
    std::uint8_t f21to28 = 0;
};

class SimCommandStation {
public:
    static constexpr int kSlotCount = 128;
    static constexpr int kDispatchSlot = 0;
    static constexpr int kFirstLocoSlot = 1;
    static constexpr int kLastLocoSlot = 119;
    static constexpr std::uint32_t kDefaultPurgeMs = 200000;
    static constexpr std::size_t kMaxPendingChunks = 4096;

    explicit SimCommandStation(Clock& clock);

    // --- The program's side of the interface ---
    // Bytes written by the program; complete messages are echoed and answered.
    void Write(const std::uint8_t* data, std::size_t count);
    // Moves due output (delayed answers) forward and purges stale slots.
    void Poll();
    // Copies bus bytes that are due into `buffer`.
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity);
    // The next due piece of bus traffic (a message, or a stray byte) whole; empty when none.
    std::vector<std::uint8_t> TakeChunk();
    bool HasOutput();
    // Output ready or still held back by an answer delay.
    bool HasPendingOutput() const { return !out_.empty() || !pending_.empty(); }

    // Every complete message the station receives from the program ('R') and every piece it
    // puts on the bus ('T'), for the command-line tool's trace.
    using Trace = std::function<void(char direction, const std::vector<std::uint8_t>& bytes)>;
    void SetTrace(Trace trace) { trace_ = std::move(trace); }

    // --- Slots ---
    const SimSlot& Slot(int slot) const; // slot outside 0..127 gives an empty record
    int FindSlot(int address) const;     // slot 1..119 that holds the address, or -1
    // 0 turns the purge off.
    void SetPurgeTime(std::uint32_t ms) { purgeMs_ = ms; }
    std::uint32_t PurgeTime() const { return purgeMs_; }

    // --- Other stations on the bus ---
    // A hand-held throttle asks for the address and takes its slot; returns the slot or -1.
    int ThrottleAcquire(int address);
    bool ThrottleSpeed(int address, int speedByte);
    bool ThrottleDirection(int address, bool backward);
    // F0 to F28; F9 and up as immediate packets.
    bool ThrottleFunction(int address, int function, bool on);
    bool ThrottleEmergencyStop(int address);
    bool ThrottleRelease(int address);
    // Puts the address's slot into dispatch, as a throttle that lets its locomotive go to
    // another one does; returns the slot, or -1 when none holds the address or the station
    // refused.
    int ThrottleDispatch(int address);
    // A hand-held throttle (such as a FRED) takes the dispatched locomotive; returns its slot,
    // or -1 when nothing is dispatched. The throttle then drives the slot's address.
    int ThrottleTakeDispatched();
    // The slot in dispatch, or -1.
    int DispatchedSlot() const { return dispatched_; }
    // Links the address's slot into a consist (STAT1 0x40) or unlinks it; allocates a slot.
    bool SetConsistMember(int address, bool member);
    // A sensor report for a sensor address as LocoNet counts them (1..4096), and a switch
    // output report with the number as the monitor shows it (0..2047).
    bool SensorReport(int address, bool level);
    bool SwitchReport(int number, bool closedOn, bool thrownOn);
    // Track power as another station switches it (global power on or off), and the global
    // emergency stop; the station acts on them as on the program's.
    void StationPower(bool on);
    void StationStopAll();
    bool TrackPowerOn() const;
    // Sends an arbitrary message as another station; the checksum is filled in.
    bool SendFromStation(std::vector<std::uint8_t> bytes);

    // --- Faults ---
    void LoseEchoes(int count) { loseEchoes_ = count > 0 ? count : 0; }
    void CorruptNextMessage() { corruptNext_ = true; }
    // A data byte outside any message, just before the next piece of bus traffic.
    void InsertStrayByte(std::uint8_t value = 0x2A) {
        strayNext_ = true;
        strayValue_ = static_cast<std::uint8_t>(value & 0x7F);
    }
    void SetAnswerDelay(std::uint32_t ms) { answerDelayMs_ = ms; }
    void SetNoFreeSlot(bool on) { noFreeSlot_ = on; }
    void SetRefuseMoves(bool on) { refuseMoves_ = on; }

    int PendingEchoLosses() const { return loseEchoes_; }
    std::uint32_t AnswerDelay() const { return answerDelayMs_; }
    bool NoFreeSlot() const { return noFreeSlot_; }

private:
    struct Pending {
        std::vector<std::uint8_t> bytes;
        Tick queued;
        std::uint32_t delay;
    };

    void Assemble(std::uint8_t byte);
    void HandleMessage(const std::vector<std::uint8_t>& msg);
    void Answer(const std::vector<std::uint8_t>& msg);
    void AnswerLocoAddress(int address);
    void AnswerMove(int src, int dst);
    // Carries out a move; returns the slot whose data answers it, or -1 to refuse.
    int Move(int src, int dst);
    // The dispatch put (a move to slot 0) and get (a move from slot 0).
    int DispatchPut(int slot);
    int DispatchGet();
    void SetSlotState(int slot, std::uint8_t state);
    // Power off keeps every slot's speed; the TRK byte of every slot read says so.
    void SetTrackPower(bool on);
    // The global emergency stop: every slot in use stops at once.
    void StopAll();
    void WriteSlotData(const std::vector<std::uint8_t>& msg);
    void UpdateSlotByte(int slot, int index, std::uint8_t value, bool activity);
    int AllocateSlot(int address);
    std::vector<std::uint8_t> SlotData(int slot) const;
    void Queue(std::vector<std::uint8_t> bytes, std::uint32_t delay);
    void Deliver(std::vector<std::uint8_t> chunk);
    // Time until everything already waiting is due, so that a later message stays behind it.
    std::uint32_t LongestWait() const;
    void QueueWithChecksum(std::vector<std::uint8_t> bytes, std::uint32_t delay);
    void Release();
    void Purge();
    SimThrottle* ThrottleFor(int address);
    // The hand-held throttle on the address (made if there is none) drives the slot.
    void HoldSlot(int address, int slot);
    // A message from another station: the station acts on it as on the program's.
    void StationMessage(std::vector<std::uint8_t> bytes);

    Clock& clock_;
    std::array<SimSlot, kSlotCount> slots_{};
    std::vector<SimThrottle> throttles_;

    std::vector<std::uint8_t> rx_;
    std::uint32_t expected_ = 0;
    bool receiving_ = false;

    std::deque<Pending> pending_;               // not yet due
    std::deque<std::vector<std::uint8_t>> out_; // due, waiting to be read
    std::size_t outOffset_ = 0;                 // bytes of out_.front() already read

    std::uint32_t purgeMs_ = kDefaultPurgeMs;
    int loseEchoes_ = 0;
    bool corruptNext_ = false;
    bool strayNext_ = false;
    std::uint8_t strayValue_ = 0x2A;
    std::uint32_t answerDelayMs_ = 0;
    bool noFreeSlot_ = false;
    bool refuseMoves_ = false;
    int dispatched_ = -1;
    Trace trace_;
};
