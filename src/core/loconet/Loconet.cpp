// Construction, settings, opening and closing the link, and the output queue's entry.

#include "core/loconet/Loconet.h"

#include "core/loconet/MonitorText.h"
#include "core/settings/Settings.h"

namespace {
std::string OpenFailedText(const std::string& name) {
    return "Napaka! Comm porta " + name +
           " ni mogoče odpreti! Izbranega porta ni v računalniku ali pa ga uporablja drug "
           "program";
}
} // namespace

CLoconet::CLoconet(Clock& clock, Beeper& beeper, Prompts& prompts)
    : clock_(clock), beeper_(beeper), prompts_(prompts) {}

CLoconet::~CLoconet() {
    // Windows first: closing them may still release slots through the link.
    for (int i = 0; i < kRegistrySize; ++i) {
        Throttle* t = registry_.Get(i);
        if (t == nullptr)
            continue;
        if (throttleFactory_.destroy)
            throttleFactory_.destroy(t);
        registry_.Clear(i);
    }
    // Whoever listens to the link's state may already be gone.
    linkState_ = nullptr;
    Close();
}

bool CLoconet::Offline() const {
    return settings_ != nullptr && settings_->settings.Offline != 0;
}

bool CLoconet::DebugMode() const {
    return settings_ != nullptr && settings_->DebugMode != 0;
}

void CLoconet::LogToMonitor(const std::string& line) const {
    if (monitor_)
        monitor_(line);
}

void CLoconet::Trace(const std::string& line) const {
    if (DebugMode())
        LogToMonitor(line);
}

void CLoconet::Refuse(const std::string& text) {
    prompts_.Inform(text, PromptIcon::Error);
}

bool CLoconet::Open(const std::string& portName) {
    Close();
    port_.lost = false;
    port_.lostText.clear();
    port_.name = portName;
    slots_.SettleAll();
    if (!Offline()) {
        if (!AttachPort()) {
            Refuse(OpenFailedText(portName));
            return false;
        }
        std::string error = port_.port->Open(portName);
        if (error.empty() && !port_.lost)
            port_.port->DiscardInput();
        if (error.empty() && port_.lost) {
            // The loss is a monitor line (English, as the monitor's are); the operator is
            // told in the program's own words.
            LogToMonitor(port_.lostText);
            error = OpenFailedText(portName);
        }
        if (!error.empty()) {
            // The port reports the step that failed; it ends up closed.
            port_.Release();
            Refuse(error);
            return false;
        }
    }
    open_ = true;
    ResetTransfer();
    return true;
}

bool CLoconet::AttachPort() {
    std::unique_ptr<SerialPort> port;
    if (portFactory_)
        port = portFactory_(port_.name);
    if (!port)
        return false;
    // Handlers first: a server may greet us (or hang up) while the port is still opening.
    SerialPort* p = port.get();
    port->SetInfoHandler([this, p](const std::string& line) { OnPortInfo(p, line); });
    port->SetLostHandler([this, p](const std::string& text) { OnPortLost(p, text); });
    port_.port = std::move(port);
    return true;
}

void CLoconet::ResetTransfer() {
    receiver_.Reset();
    DropOutput();
    // The guests' messages are dropped with the program's own; they are told so.
    LinkClosedForGuests();
}

void CLoconet::Close() {
    if (!open_)
        return;
    open_ = false;
    // Close whatever port is open, even if "Offline" was switched on meanwhile.
    port_.Release();
    SetDown(false);
    DropOutput();
    LinkClosedForGuests();
}

void CLoconet::DropOutput() {
    for (const LocoNetMessage& m : tx_.Reset())
        outcomes_.Call(m, false);
}

void CLoconet::OnPortInfo(const SerialPort* from, const std::string& line) {
    if (from == port_.port.get() && DebugMode())
        LogToMonitor(line);
}

bool CLoconet::QueueMessage(LocoNetMessage m) {
    if (Offline())
        return true;
    const std::uint32_t expected = ExpectedLength(m.bytes[0]);
    // A variable-length record needs at least an opcode and a checksum.
    if ((expected != 0 && expected != m.length) || (expected == 0 && m.length < 2)) {
        Refuse("Internal Error! Output message length does not correspond to opcode!");
        return false;
    }
    // The record holds 32 bytes; anything longer cannot be a message of ours.
    if (m.length > 127 || m.length > LocoNetMessage::kCapacity) {
        Refuse("Internal Error! Output message too long!");
        return false;
    }
    if (expected == 0)
        m.bytes[1] = static_cast<std::uint8_t>(m.length);
    if ((m.bytes[0] & 0x80) == 0) {
        Refuse("Internal Error! First byte of the output message is not an opcode!");
        return false;
    }
    for (std::uint32_t i = 1; i < m.length; ++i) {
        if ((m.bytes[i] & 0x80) != 0) {
            Refuse("Internal Error! Data bytes of the output message " + monitortext::Hex(m) +
                   "have MSB set!");
            return false;
        }
    }
    m.bytes[m.length - 1] = Checksum(m.bytes.data(), m.length - 1);
    // Nothing waits for a port that is gone: an old command must not reach the bus late.
    if (port_.down) {
        Trace("!!Message not sent, port down: " + monitortext::Hex(m));
        return false;
    }
    if (!tx_.Queue().CanAccept(m)) {
        LogToMonitor("Error! Message queue full");
        return false;
    }
    if (DebugMode())
        LogToMonitor("!!Message queued: " + monitortext::Hex(m));
    tx_.Queue().Push(m);
    return true;
}
