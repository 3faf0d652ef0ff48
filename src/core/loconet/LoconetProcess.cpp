// The processing step: reading and assembling messages, echo recognition, retry and
// sending, and the throttles' periodic call.

#include "core/loconet/Loconet.h"

#include "core/loconet/MonitorText.h"

#include <algorithm>

namespace {
constexpr int kRetryToneHz = 2000;
constexpr int kRetryToneMs = 50;
constexpr std::size_t kReadChunk = 256;

// Clears a flag when the scope ends, also on the early ways out.
struct ScopeFlag {
    explicit ScopeFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ScopeFlag() { flag_ = false; }
    ScopeFlag(const ScopeFlag&) = delete;
    ScopeFlag& operator=(const ScopeFlag&) = delete;
    bool& flag_;
};
} // namespace

void CLoconet::Process() {
    if (!open_ || processing_)
        return;
    {
        ScopeFlag guard(processing_);
        Step();
    }
    // A port lost during the step is let go only now, when none of its calls is running.
    if (port_.lost && port_.port)
        FinishPortLoss();
}

void CLoconet::Step() {
    stepTick_ = actTick_ = clock_.Now();
    if (port_.down)
        StepReopen();
    if (!ReadPort())
        return;
    bool unused = false;
    stepInputs_.Call(true, unused);
    if (!open_)
        return;
    // After the answers of this step: one that came just in time still counts.
    CheckSelectionTimeout();
    if (port_.Usable() || Offline()) {
        RetryEcho();
        SendNext();
    }
    TellOwnChanges();
    CallThrottlesIdle();
}

bool CLoconet::ReadPort() {
    if (Offline() || !port_.Usable())
        return true;
    std::uint8_t chunk[kReadChunk];
    LocoNetMessage m;
    std::string line;
    // A throttle may close the link, or the port may be lost, while bytes are handled.
    while (port_.Usable()) {
        const std::size_t n = port_.port->Read(chunk, sizeof chunk);
        if (n == 0)
            break;
        for (std::size_t i = 0; i < n && open_; ++i) {
            switch (receiver_.Take(chunk[i], m, line)) {
            case Receiver::Result::Message:
                HandleMessage(m);
                break;
            case Receiver::Result::Complaint:
                LogToMonitor(line);
                break;
            case Receiver::Result::Nothing:
                break;
            }
        }
        if (!open_)
            return false;
    }
    TakeWriteAnswers();
    return true;
}

void CLoconet::TakeWriteAnswers() {
    WriteAnswer answer;
    Transmitter::Flight flight;
    while (port_.Usable() && port_.port->TakeWriteAnswer(answer)) {
        switch (tx_.TakeWord(answer.write, answer.ok, clock_.Now(), flight)) {
        case Transmitter::Word::Ignored:
            break;
        case Transmitter::Word::OnBus:
            if (!flight.guest)
                outcomes_.Call(flight.message, true);
            else if (guests_ != nullptr)
                guests_->OnGuestEchoed(flight.ticket);
            break;
        case Transmitter::Word::Again:
            LogToMonitor("Repeated: " + monitortext::Hex(flight.message) + ",SENT ERROR " +
                         answer.reason);
            break;
        case Transmitter::Word::GivenUp:
            if (!flight.guest) {
                LogToMonitor("Not sent: " + monitortext::Hex(flight.message) + ",SENT ERROR " +
                             answer.reason);
                outcomes_.Call(flight.message, false);
            } else if (guests_ != nullptr) { // the guests count their own writes
                guests_->OnGuestNotEchoed(flight.ticket);
            }
            break;
        }
    }
}

std::uint32_t CLoconet::NextStepDue() const {
    if (!open_)
        return kNoDeadline;
    SerialPort* port = port_.port.get();
    bool input = false;
    stepInputs_.Call(false, input);
    if (!tx_.Queue().Empty() || selection_.Active() || port_.lost || slots_.AnyUntold() || input ||
        (port && port->HasPendingInput()) || (guests_ && guests_->HasGuestMessage()))
        return 0;
    const Tick now = clock_.Now();
    // An echo or a server's word arrives with its bytes; only its time-out needs the clock.
    std::uint32_t due = tx_.OverdueIn(now);
    if (port_.down)
        due = std::min(due, port_.ReopenDue(now));
    for (int i = 0; i < kRegistrySize; ++i)
        if (const Throttle* t = registry_.Active(i))
            due = std::min(due, t->NextIdleDue(now));
    return due;
}

void CLoconet::HandleMessage(const LocoNetMessage& m) {
    bool intact = IsIntact(m);
    bool fromOther = true;
    bool valid = true;
    Transmitter::Flight echoOf;
    bool echo = false;
    std::string header;
    if (!intact) {
        header = "Invalid checksum ";
    } else if (tx_.TakeEcho(m, stepTick_, echoOf)) {
        echo = true;
        // A guest's message is another station's to the slot table, throttles and monitor.
        fromOther = echoOf.guest;
        header = fromOther ? "Rec: " : "Sent: ";
        if (!fromOther && !echoOf.onBus)
            outcomes_.Call(m, true);
    } else {
        header = "Rec: ";
    }
    if (intact)
        ShareWithGuests(m, echo && echoOf.guest && !echoOf.onBus, echoOf.ticket);
    if (intact)
        watchers_.Call(m);
    const bool debug = DebugMode();
    if (debug) {
        std::string line = header;
        monitortext::AppendHex(line, m.bytes.data(), m.length);
        LogToMonitor(line);
        header = " - ";
    }
    if (intact) {
        bool interpreted = true;
        valid = Interpret(m, header, fromOther, interpreted);
        if (!interpreted && !debug) {
            std::string line = header;
            monitortext::AppendHex(line, m.bytes.data(), m.length);
            LogToMonitor(line);
        }
    }
    // The program's own echo neither holds the bus nor feeds the selection task.
    if (intact && fromOther) {
        tx_.OtherStation(m.bytes[0], stepTick_);
        if (valid && selection_.Active())
            TaskStep(m);
    }
    if (debug)
        LogToMonitor("-----");
}

void CLoconet::RetryEcho() {
    const Tick now = clock_.Now();
    Transmitter::Flight flight;
    for (;;) {
        switch (tx_.TakeOverdue(now, flight)) {
        case Transmitter::Overdue::None:
            return;
        case Transmitter::Overdue::OnBus:
            // The server took it and was believed: its echo is late or lost.
            continue;
        case Transmitter::Overdue::Silent:
            // Written again it would only wait again: the connection is taken as lost and made
            // anew, which also finds a server that has gone.
            OnPortLost(port_.port.get(), "Error! Connection " + port_.name +
                                             " lost! (no answer to " +
                                             monitortext::Hex(flight.message) + ")");
            return;
        case Transmitter::Overdue::Repeat:
            break;
        }
        beeper_.Tone(kRetryToneHz, kRetryToneMs);
        std::string line = "Repeated: " + monitortext::Hex(flight.message);
        monitortext::AppendF(line, ",delay=%u",
                             static_cast<unsigned>(TicksSince(now, flight.sent)));
        LogToMonitor(line);
        // Not put back for a guest: the guests decide whether it is offered again.
        if (flight.guest && guests_ != nullptr)
            guests_->OnGuestNotEchoed(flight.ticket);
    }
}

void CLoconet::SendNext() {
    const Tick now = clock_.Now();
    // Offline the queue stays empty; nothing may wait for an echo that cannot come. A server
    // that gives its word is written several messages ahead.
    while (tx_.MaySend(now, receiver_.Busy()) && !Offline() && port_.Usable()) {
        LocoNetMessage m;
        bool guest = false;
        std::uint64_t ticket = 0;
        if (!TakeNextOutput(m, guest, ticket))
            return;
        const std::size_t written = port_.port->Write(m.bytes.data(), m.length);
        tx_.Sent(m, guest, ticket, now, port_.port->IsNetworked(), port_.port->WriteCount());
        // A port lost in the write says so itself, once.
        if (written != m.length && !port_.lost) {
            Refuse("Napaka! Ni bilo možno zapisati vseh znakov na Comm port!");
            return;
        }
    }
}

void CLoconet::CallThrottlesIdle() {
    for (int i = 0; i < kRegistrySize; ++i)
        if (Throttle* t = registry_.Active(i))
            t->Idle(actTick_);
}
