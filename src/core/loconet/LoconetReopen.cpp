// A lost port: the link stays open but down, sends nothing, and opens the same port again
// every 2 s; once it is back, the command station is asked for every slot a throttle holds,
// so the slot table and the throttles are current again.

#include "core/loconet/Loconet.h"

void CLoconet::OnPortLost(const SerialPort* from, const std::string& text) {
    if (from != port_.get() || portLost_)
        return;
    portLost_ = true;
    lostText_ = text;
    // Inside a step (or while opening) the port is let go when that is over.
    if (open_ && !processing_)
        FinishPortLoss();
}

void CLoconet::FinishPortLoss() {
    const std::string text = lostText_;
    ReleasePort();
    attemptTick_ = clock_.Now();
    if (down_) {
        // An attempt that failed after it had started (a connection refused late).
        Trace("Reopening " + portName_ + ": " + text);
        return;
    }
    // What waited for the bus is old by the time the port is back.
    ResetTransfer();
    LogToMonitor(text);
    SetDown(true, text);
}

void CLoconet::StepReopen() {
    if (port_) {
        // Opening without waiting: back once it is open, unless it has failed meanwhile.
        if (!port_->IsOpening() && !portLost_)
            PortBack();
        return;
    }
    if (ElapsedTicks(stepTick_, attemptTick_) < kReopenIntervalMs)
        return;
    attemptTick_ = stepTick_;
    if (!AttachPort()) {
        Trace("Reopening " + portName_ + ": no port");
        return;
    }
    const std::string error = port_->OpenInBackground(portName_);
    if (portLost_)
        return; // the port has said why; it is let go after the step
    if (!error.empty()) {
        ReleasePort();
        Trace("Reopening " + portName_ + ": " + error);
        return;
    }
    if (!port_->IsOpening())
        PortBack();
}

void CLoconet::PortBack() {
    ResetTransfer();
    port_->DiscardInput();
    if (portLost_)
        return;
    LogToMonitor("Reopened " + portName_);
    SetDown(false);
    RequestHeldSlots();
}

void CLoconet::RequestHeldSlots() {
    std::array<bool, kSlotCount> held{};
    for (const Throttle* t : registry_)
        if (t != nullptr)
            for (int slot : {t->iSlot, t->iSoundSlot, t->iPowerSlot, t->iBrakeSlot})
                if (IsSlotNumber(slot))
                    held[static_cast<std::size_t>(slot)] = true;
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (held[static_cast<std::size_t>(slot)])
            QueueMessage(LocoNetMessage{static_cast<std::uint8_t>(Opcode::OPC_RQ_SL_DATA),
                                        static_cast<std::uint8_t>(slot), 0, 0});
}

void CLoconet::SetDown(bool down, const std::string& why) {
    if (down_ == down)
        return;
    down_ = down;
    if (linkState_)
        linkState_(down, why);
}

std::uint32_t CLoconet::ReopenDue() const {
    if (port_)
        return kOpeningPollMs;
    const std::uint32_t since = ElapsedTicks(clock_.Now(), attemptTick_);
    return since >= kReopenIntervalMs ? 0 : kReopenIntervalMs - since;
}
