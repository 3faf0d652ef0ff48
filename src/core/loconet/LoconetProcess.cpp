// The processing step: reading and assembling messages, echo recognition, retry and
// sending, and the throttles' periodic call.

#include "core/loconet/Loconet.h"

#include "core/loconet/MonitorText.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::uint8_t kReplyExpectedBit = 0x08;
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
    if (portLost_ && port_)
        FinishPortLoss();
}

void CLoconet::Step() {
    stepTick_ = clock_.Now();
    actTick_ = stepTick_;
    const Tick elapsed = waitingEcho_ ? ElapsedTicks(stepTick_, sendTick_) : 0;
    if (down_)
        StepReopen();

    if (!Offline() && port_ && !down_) {
        std::uint8_t chunk[kReadChunk];
        for (;;) {
            // A message box or a throttle may close the link while bytes are handled.
            if (!port_ || portLost_)
                break;
            const std::size_t n = port_->Read(chunk, sizeof chunk);
            if (n == 0)
                break;
            for (std::size_t i = 0; i < n && open_; ++i)
                ReceiveByte(chunk[i]);
            if (!open_)
                return;
        }
    }
    // After the answers of this step: one that came just in time still counts.
    CheckSelectionTimeout();
    if (!portLost_ && !down_)
        RetryAndSend(elapsed);
    CallThrottlesIdle();
}

std::uint32_t CLoconet::NextStepDue() const {
    if (!open_)
        return kNoDeadline;
    if (waitingEcho_ || !queue_.Empty() || task_.active || portLost_ ||
        (port_ && port_->HasPendingInput()) || (guests_ && guests_->HasGuestMessage()))
        return 0;
    const Tick now = clock_.Now();
    std::uint32_t due = down_ ? ReopenDue() : kNoDeadline;
    for (const Throttle* t : registry_)
        if (t != nullptr && t->bActive)
            due = std::min(due, t->NextIdleDue(now));
    return due;
}

void CLoconet::ReceiveByte(std::uint8_t byte) {
    if ((byte & 0x80) != 0) {
        if (receiving_)
            ReportTooShort();
        expected_ = ExpectedLength(byte);
        rxBuffer_[0] = byte;
        rxCount_ = 1;
        receiving_ = true;
        return;
    }
    if (!receiving_) {
        std::string line = "Error: Received inter-message byte: ";
        monitortext::AppendHex(line, &byte, 1);
        LogToMonitor(line);
        return;
    }
    if (expected_ == 0)
        expected_ = byte;
    // A length byte above the buffer size is taken as given, but only the first bytes are
    // kept: such a message never completes and is reported when the next opcode comes.
    if (rxCount_ < LocoNetMessage::kCapacity)
        rxBuffer_[rxCount_] = byte;
    if (rxCount_ < 0xFFFFFFFFu)
        ++rxCount_;
    if (expected_ <= LocoNetMessage::kCapacity && rxCount_ >= expected_) {
        receiving_ = false;
        LocoNetMessage m;
        m.length = rxCount_;
        std::memcpy(m.bytes.data(), rxBuffer_.data(), rxCount_);
        HandleMessage(m);
    }
}

void CLoconet::ReportTooShort() {
    std::string line =
        "Too short: exp:" + std::to_string(expected_) + " ,rec:" + std::to_string(rxCount_) + ">";
    const std::uint32_t stored =
        rxCount_ < LocoNetMessage::kCapacity ? rxCount_ : LocoNetMessage::kCapacity;
    monitortext::AppendHex(line, rxBuffer_.data(), stored);
    LogToMonitor(line);
    receiving_ = false;
}

void CLoconet::HandleMessage(const LocoNetMessage& m) {
    bool intact = IsIntact(m);
    bool fromOther = true;
    bool valid = true;
    bool echo = false;
    std::string header;
    if (!intact) {
        header = "Invalid checksum ";
    } else if (waitingEcho_ && m.length == pending_.length &&
               std::memcmp(m.bytes.data(), pending_.bytes.data(), m.length) == 0) {
        waitingEcho_ = false;
        echo = true;
        // A guest's message is another station's to the slot table, throttles and monitor.
        fromOther = pendingIsGuest_;
        header = fromOther ? "Rec: " : "Sent: ";
    } else {
        header = "Rec: ";
    }
    if (intact)
        ShareWithGuests(m, echo && pendingIsGuest_);
    if (intact && watcher_)
        watcher_(m);
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
    if (!fromOther)
        intact = false;
    const std::uint8_t opcode = m.bytes[0];
    if (intact && opcode != static_cast<std::uint8_t>(Opcode::OPC_BUSY)) {
        responseExpected_ = (opcode & kReplyExpectedBit) != 0;
        holdTick_ = stepTick_;
    }
    if (intact && valid && task_.active)
        TaskStep(m);
    if (debug)
        LogToMonitor("-----");
}

void CLoconet::RetryAndSend(Tick elapsed) {
    if (waitingEcho_ && elapsed > kEchoTimeoutMs) {
        beeper_.Tone(kRetryToneHz, kRetryToneMs);
        std::string line = "Repeated: " + monitortext::Hex(pending_);
        monitortext::AppendF(line, ",delay=%u", static_cast<unsigned>(elapsed));
        LogToMonitor(line);
        waitingEcho_ = false;
        if (pendingIsGuest_)
            GuestNotEchoed();
        else
            queue_.PutBack(pending_);
    }
    if (responseExpected_ && ElapsedTicks(actTick_, holdTick_) > kResponseHoldMs)
        responseExpected_ = false;
    if (receiving_ || waitingEcho_ || responseExpected_)
        return;
    // Offline the queue stays empty; nothing may wait for an echo that cannot come.
    if (Offline() || !port_ || !TakeNextOutput())
        return;
    const std::size_t written = port_->Write(pending_.bytes.data(), pending_.length);
    waitingEcho_ = true;
    sendTick_ = actTick_;
    // A port lost in the write says so itself, once.
    if (written != pending_.length && !portLost_)
        Refuse("Napaka! Ni bilo možno zapisati vseh znakov na Comm port!");
}

void CLoconet::CallThrottlesIdle() {
    for (std::size_t i = 0; i < registry_.size(); ++i) {
        Throttle* t = registry_[i];
        if (t != nullptr && t->bActive)
            t->Idle(actTick_);
    }
}
