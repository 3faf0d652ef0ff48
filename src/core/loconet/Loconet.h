#pragma once
// The LocoNet link: the one object through which every throttle, the monitor and the
// layout panel talk to the bus. It owns the port, the output queue, the mirror of the
// command station's 128 slots, the loco selection task and the registry of throttles.
// Everything runs on the program's one thread inside Process().

#include "core/loconet/BusGuests.h"
#include "core/loconet/ImmediatePacket.h"
#include "core/loconet/LinkParts.h"
#include "core/loconet/LocoNetMessage.h"
#include "core/loconet/OutputQueue.h"
#include "core/loconet/SerialPort.h"
#include "core/loconet/SlotRecord.h"
#include "core/loconet/Throttle.h"
#include "core/platform.h"
#include "core/util/Subscription.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct ProgramSettings;

using MonitorSink = std::function<void(const std::string& line)>;
// Sees every intact message on the bus, the program's own echoes included.
using MessageWatcher = std::function<void(const LocoNetMessage& message)>;
// Told when the port goes down (with the port's word for the loss) and when it is back (or
// the link is closed meanwhile).
using LinkStateSink = std::function<void(bool down, const std::string& why)>;
// Told once of each of the program's own queued messages: `onBus` when it reached the bus
// (its echo came, or the server took it), false when the link gave it up (refused too
// often, or dropped when the port was lost or the link closed or opened anew).
using OutcomeWatcher = std::function<void(const LocoNetMessage& message, bool onBus)>;

class CLoconet {
public:
    static constexpr int kRegistrySize = ThrottleRegistry::kSize;
    static constexpr int kMaxLocoAddress = 9983;
    static constexpr Tick kEchoTimeoutMs = Transmitter::kEchoTimeoutMs;
    static constexpr int kOfflineSlot = 10;
    // A selection that the command station leaves this long without an answer ends.
    static constexpr std::uint32_t kSelectionTimeoutMs = Selection::kTimeoutMs;
    // A lost port is opened again this often.
    static constexpr std::uint32_t kReopenIntervalMs = PortSupervisor::kReopenIntervalMs;
    // How often a step looks at a port that is opening without waiting.
    static constexpr std::uint32_t kOpeningPollMs = PortSupervisor::kOpeningPollMs;
    // Another station's request holds the program's output until its reply, but no longer
    // than this: a request that nobody answers must not silence the program.
    static constexpr Tick kResponseHoldMs = Transmitter::kResponseHoldMs;

    CLoconet(Clock& clock, Beeper& beeper, Prompts& prompts);
    ~CLoconet();
    CLoconet(const CLoconet&) = delete;
    CLoconet& operator=(const CLoconet&) = delete;

    // --- wiring -------------------------------------------------------------------------
    void SetPortFactory(SerialPortFactory factory) { portFactory_ = std::move(factory); }
    void SetMonitorSink(MonitorSink sink) { monitor_ = std::move(sink); }
    // Several parts of the program watch the bus (the layout panel, the power button, the
    // phones); each keeps the handle, and its watcher goes with it.
    [[nodiscard]] Subscription AddMessageWatcher(MessageWatcher watcher) {
        return watchers_.Add(std::move(watcher));
    }
    [[nodiscard]] Subscription AddOutcomeWatcher(OutcomeWatcher watcher) {
        return outcomes_.Add(std::move(watcher));
    }
    // The link reads "Offline" and "Debug Mode" from here each time it needs them; nullptr
    // means online without debug lines. The settings must outlive the link.
    void SetSettings(const ProgramSettings* settings) { settings_ = settings; }
    void SetThrottleFactory(ThrottleFactory factory) { throttleFactory_ = std::move(factory); }
    void SetLinkStateSink(LinkStateSink sink) { linkState_ = std::move(sink); }
    // Programs that share the bus through this one; nullptr for none. They must outlive
    // the link or be taken away first.
    void SetGuests(BusGuests* guests) { guests_ = guests; }
    // Input that the step handles after the bus's messages (the phones' lines), so that
    // whatever it sets off runs inside a step, with the boxes it asks for queued. `take`
    // handles what waits; `waiting` says whether anything does.
    [[nodiscard]] Subscription AddStepInput(std::function<void()> take,
                                            std::function<bool()> waiting) {
        return stepInputs_.Add(
            [take = std::move(take), waiting = std::move(waiting)](bool handle, bool& any) {
                if (handle)
                    take();
                else
                    any = any || waiting();
            });
    }

    bool Offline() const;
    bool DebugMode() const;
    // Sends one line to the monitor output (throttles trace through here too).
    void LogToMonitor(const std::string& line) const;

    // --- serial link --------------------------------------------------------------------
    // A lost port (a dropped connection, an unplugged device) leaves the link open but down:
    // the loss goes to the monitor, nothing is sent, and every 2 s the link tries to open
    // the same port again; once it is back, it asks the command station for every slot that
    // a throttle holds. The port's informational lines reach the monitor in Debug Mode.
    bool Open(const std::string& portName);
    void Close();
    // One processing step; does nothing while closed, and never runs inside itself.
    void Process();
    // Open, whether the port is up or down.
    bool IsActive() const { return open_; }
    bool IsPortDown() const { return port_.down; }
    const std::string& PortName() const { return port_.name; }
    // Milliseconds until the link next needs a processing step: 0 while something waits
    // on time (an echo or its retry, queued output, a selection, input the port holds, a
    // throttle's timed stage), the nearest throttle deadline otherwise, kNoDeadline when
    // closed or when nothing waits. Bytes that arrive are announced by the port itself.
    std::uint32_t NextStepDue() const;
    // The port while one is open (tests and tools look at it); nullptr otherwise.
    SerialPort* Port() const { return port_.port.get(); }
    bool IsWaitingForEcho() const { return tx_.WaitingEcho(); }
    // The interface has confirmed none of the program's messages for over a second: what
    // waits is repeated, and the operator should know.
    static constexpr std::uint32_t kUnconfirmedMs = 1000;
    bool NotConfirming() const { return tx_.UnconfirmedFor(clock_.Now()) > kUnconfirmedMs; }
    bool IsResponseExpected() const { return tx_.ResponseExpected(); }
    // Messages the link carried per second while it had some on their way: what it
    // achieves, which over a slow network is far below the bus's own rate.
    double CarriedPerSecond() const { return tx_.CarriedPerSecond(); }
    bool IsReceiving() const { return receiver_.Busy(); }

    // --- messages and output queue ------------------------------------------------------
    bool QueueMessage(LocoNetMessage message);
    const OutputQueue& Queue() const { return tx_.Queue(); }

    // --- slot table ---------------------------------------------------------------------
    // The record of a slot; a number outside 0..127 gives an empty, invalid record.
    const SlotRecord& Slot(int slot) const { return slots_.At(slot); }
    int GetSlotLocoAddress(int slot) const { return slots_.Address(slot); }
    // Tells the throttles of `slot` that it changed; a throttle whose address the slot no
    // longer holds in use loses the slot instead (`before`: the record before the change;
    // `again`: the change is the answer to the read after the port came back). `except`,
    // the throttle whose own command made the change, is not told. Whoever changes a slot
    // is told F9 to F28 that changed too.
    void UpdateThrottles(Tick now, int slot, const SlotRecord& before, bool again = false,
                         const Throttle* except = nullptr);
    // Another of the program's throttles (not `except`) that holds `slot` in any role.
    const Throttle* OtherHolder(int slot, const Throttle* except) const;
    // Asked for again after the port came back and not yet answered: commands wait.
    bool IsSlotInDoubt(int slot) const { return slots_.Doubted(slot); }

    // --- loco selection and throttle registry ----------------------------------------------
    // `again`: the throttle held the address before the port was lost; an address that
    // another station has in use meanwhile is then not taken.
    void SelectLoco(int throttleIndex, int address, int which, bool again = false);
    // The other throttle of the program that holds or listens to `address`, or nullptr.
    const Throttle* ThrottleUsing(int address, int exceptIndex) const;
    bool IsSelectionPending() const { return selection_.Active(); }
    void NewSimpleThrottle() { NewThrottle(ThrottleType::Simple); }
    void NewRealisticThrottle() { NewThrottle(ThrottleType::Realistic); }
    // The throttle in a registry entry, or nullptr.
    Throttle* GetThrottle(int index) const;
    // A throttle window calls this when it is destroyed.
    void RemoveThrottle(int index);
    // Puts a throttle into an empty entry (the factory's throttles go in this way).
    bool RegisterThrottle(int index, Throttle* throttle);
    // The end of the program, however it comes: every throttle stops its train before any
    // slot goes back.
    void StopThrottlesForExit();
    static const char* WhichName(int which);

    // --- slot commands ------------------------------------------------------------------
    void SetSlotSpeed(int slot, int speed, bool force);
    void SetSlotForw(int slot, bool forward, bool force);
    void SetSlotF0toF08(int slot, int function, bool state);
    void SetSlotF0toF4(int slot, std::uint8_t bits, bool forward, bool force);
    void SetSlotF5toF8(int slot, std::uint8_t bits, bool force);
    void SendImmF9toF12(int slot, std::uint8_t bits);
    // F13 to F20 and F21 to F28 as immediate packets, bit 0 the first function of the group.
    void SendImmF13toF20(int slot, std::uint8_t bits) {
        SendImmFunctions(slot, ImmGroup::F13toF20, bits);
    }
    void SendImmF21toF28(int slot, std::uint8_t bits) {
        SendImmFunctions(slot, ImmGroup::F21toF28, bits);
    }
    void SendImmFunctions(int slot, ImmGroup group, std::uint8_t bits);
    // `by` lets go of the slot; it goes back to the command station only when no other of
    // the program's throttles holds it (nullptr: the link's own release).
    void ReleaseLoco(int slot, const Throttle* by);
    // The slot that a throttle's selection has just finished with is not wanted after all
    // (the throttle moved on): it goes back stopped if the selection took it into use;
    // one found in use stays with the station that holds it.
    void ReturnUnwanted(int slot, const Throttle* by);
    void SendSlotDirF(int slot);
    void SendSlotSnd(int slot);
    static int SpeedToPercent(int speed);
    static int PercentToSpeed(int percent);

private:
    // The step, in the order of the program's idle loop.
    void Step();
    // Reads what the port holds; false when the link was closed meanwhile.
    bool ReadPort();
    void HandleMessage(const LocoNetMessage& message);
    // Slot table and monitor text of one intact message; false when it failed a check.
    // Sets `interpreted` false for opcodes that have no decoded text.
    bool Interpret(const LocoNetMessage& m, const std::string& header, bool fromOther,
                   bool& interpreted);
    bool InterpretSlotData(const LocoNetMessage& m, const std::string& header, bool fromOther);
    bool InterpretSlotByte(const LocoNetMessage& m, const std::string& header, bool fromOther);
    // The slot that a command may change: none while it is in doubt.
    SlotRecord* Commandable(int slot, const char* command);
    void InterpretImmediate(const LocoNetMessage& m, const std::string& header, bool fromOther);
    void SendF9toF12ToThrottles(int slot, std::uint8_t bits, Tick now);
    // F9 to F28 that differ from `before` go to the throttle on the slot as `which`.
    void TellFunctions(Throttle& t, int which, std::uint32_t before, Tick now);
    // The throttles hear what the program's own commands changed since they were last told.
    // The realistic throttle drives its slots itself and hears only other stations and the
    // phones that share its hand-helds (those tell it at once).
    void TellOwnChanges();
    // A stop-all on the bus: the command station stops every slot in use; each throttle
    // hears it once.
    void StopAllInTable();
    // Messages whose echo or word is overdue: repeated, done with, or the server is silent.
    void RetryEcho();
    // The server's words on the messages written (a LbServer server's SENT lines).
    void TakeWriteAnswers();
    void SendNext();
    void CallThrottlesIdle();

    // Guests on the shared bus (LoconetGuests.cpp).
    // Takes the next message to write: the program's own first, then a guest's.
    bool TakeNextOutput(LocoNetMessage& m, bool& guest, std::uint64_t& ticket);
    void ShareWithGuests(const LocoNetMessage& m, bool guestEcho, std::uint64_t ticket);
    void LinkClosedForGuests();

    // The port: making it, its own events, letting go of it, opening it again.
    bool AttachPort();
    void ResetTransfer();
    // Drops everything that waits for the bus, telling what of the program's own was lost.
    void DropOutput();
    void OnPortInfo(const SerialPort* from, const std::string& line);
    void OnPortLost(const SerialPort* from, const std::string& text);
    void FinishPortLoss();
    void StepReopen();
    void PortBack();
    void RequestHeldSlots();
    void SetDown(bool down, const std::string& why = {});

    // Selection.
    void TaskStep(const LocoNetMessage& m);
    void WarnAddressInUse();
    void FinishSelection(bool taken);
    // A selection failed: the throttle gives up what it holds, but only the slots its own
    // selections took go back; one it found in use stays with the station that holds it.
    void Abandon(Throttle& t);
    // A slot that the program took and nobody of it wants any more: stopped and given back.
    void GiveBack(int slot);
    void FailSelection(const std::string& text);
    void CheckSelectionTimeout();
    void NewThrottle(ThrottleType type);

    void Refuse(const std::string& text);
    // The refusal of a throttle's own selection: to the throttle if it answers it itself.
    void RefuseFor(int throttleIndex, const std::string& text);
    void Trace(const std::string& line) const;

    Clock& clock_;
    Beeper& beeper_;
    Prompts& prompts_;
    SerialPortFactory portFactory_;
    MonitorSink monitor_;
    Subscribers<const LocoNetMessage&> watchers_;
    Subscribers<const LocoNetMessage&, bool> outcomes_;
    // Called with true to handle input, with false to ask (into the flag) whether any waits.
    Subscribers<bool, bool&> stepInputs_;
    const ProgramSettings* settings_ = nullptr;
    ThrottleFactory throttleFactory_;
    LinkStateSink linkState_;
    BusGuests* guests_ = nullptr;

    bool open_ = false;
    bool processing_ = false;
    // Tick taken at the start of the step; the slot table's updates carry it.
    Tick stepTick_ = 0;
    // Tick for the throttles' periodic call: the step's, or a fresh one once a selection
    // has finished in the step.
    Tick actTick_ = 0;

    PortSupervisor port_;
    Receiver receiver_;
    Transmitter tx_;
    SlotTable slots_;
    Selection selection_;
    ThrottleRegistry registry_;
};
