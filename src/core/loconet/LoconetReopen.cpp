// A lost port: the link stays open but down, sends nothing, and opens the same port again
// every 2 s; once it is back, the command station is asked for every slot a throttle holds,
// so the slot table and the throttles are current again.

#include "core/loconet/Loconet.h"

void CLoconet::OnPortLost(const SerialPort* from, const std::string& text) {
    if (from != port_.port.get() || port_.lost)
        return;
    port_.lost = true;
    port_.lostText = text;
    // Inside a step (or while opening) the port is let go when that is over.
    if (open_ && !processing_)
        FinishPortLoss();
}

void CLoconet::FinishPortLoss() {
    const std::string text = port_.lostText;
    port_.Release();
    port_.attemptTick = clock_.Now();
    if (port_.down) {
        // An attempt that failed after it had started (a connection refused late).
        Trace("Reopening " + port_.name + ": " + text);
        return;
    }
    // What waited for the bus is old by the time the port is back.
    ResetTransfer();
    LogToMonitor(text);
    SetDown(true, text);
}

void CLoconet::StepReopen() {
    if (port_.port) {
        // Opening without waiting: back once it is open, unless it has failed meanwhile.
        if (!port_.port->IsOpening() && !port_.lost)
            PortBack();
        return;
    }
    const Tick now = clock_.Now();
    if (!port_.ReopenTime(now))
        return;
    port_.attemptTick = now;
    if (!AttachPort()) {
        Trace("Reopening " + port_.name + ": no port");
        return;
    }
    const std::string error = port_.port->OpenInBackground(port_.name);
    if (port_.lost)
        return; // the port has said why; it is let go after the step
    if (!error.empty()) {
        port_.Release();
        Trace("Reopening " + port_.name + ": " + error);
        return;
    }
    if (!port_.port->IsOpening())
        PortBack();
}

void CLoconet::PortBack() {
    ResetTransfer();
    port_.port->DiscardInput();
    if (port_.lost)
        return;
    LogToMonitor("Reopened " + port_.name);
    SetDown(false);
    RequestHeldSlots();
}

void CLoconet::RequestHeldSlots() {
    std::array<bool, kSlotCount> held{};
    for (int i = 0; i < kRegistrySize; ++i)
        if (const Throttle* t = registry_.Get(i))
            for (int slot : {t->iSlot, t->iSoundSlot, t->iPowerSlot, t->iBrakeSlot})
                if (IsSlotNumber(slot))
                    held[static_cast<std::size_t>(slot)] = true;
    slots_.SettleAll();
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (held[static_cast<std::size_t>(slot)]) {
            slots_.Doubt(slot);
            QueueMessage(LocoNetMessage{static_cast<std::uint8_t>(Opcode::OPC_RQ_SL_DATA),
                                        static_cast<std::uint8_t>(slot), 0, 0});
        }
}

void CLoconet::SetDown(bool down, const std::string& why) {
    if (port_.down == down)
        return;
    port_.down = down;
    if (linkState_)
        linkState_(down, why);
}
