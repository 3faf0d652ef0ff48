// Loco selection (acquiring a command-station slot for an address) and the registry of
// throttle windows.

#include "core/loconet/Loconet.h"

#include "core/loconet/MonitorText.h"
#include "util/Text.h"

namespace {
constexpr int kFirstNonLocoSlot = 120;
constexpr const char* kAddressInUse = "Naslov je že v uporabi, možne so motnje v delovanju!";
constexpr const char* kPortDown =
    "Napaka! Povezava s centralo je prekinjena! Lokomotive ni mogoče izbrati.";
constexpr const char* kNoLink =
    "Napaka! Program ni povezan s centralo! Lokomotive ni mogoče izbrati. Port izberete v "
    "Orodja > Splošne Nastavitve.";
constexpr const char* kNoAnswer = "Napaka! Centrala ni odgovorila na izbiro naslova %d. Preverite "
                                  "če je centrala vklopljena in povezana.";
} // namespace

const char* CLoconet::WhichName(int which) {
    switch (which) {
    case kWhichLoco:
        return "Motorski naslov";
    case kWhichSound:
        return "Zvočni naslov";
    case kWhichPower:
        return "Naslov upravljalnika moči";
    case kWhichBrake:
        return "Naslov upravljalnika zavor";
    default:
        return "";
    }
}

void CLoconet::SelectLoco(int throttleIndex, int address, int which) {
    if (task_.active) {
        LogToMonitor("Error! Task queue not idle!");
        Refuse("Napaka! Vrsta opravil ni prazna! Preverite če je centrala vklopljena in "
               "povezana.");
        return;
    }
    // Not opened (or closed): the request would wait for ever, in silence.
    if (!open_) {
        LogToMonitor("Error! Link not open!");
        Refuse(kNoLink);
        return;
    }
    // Its request would not reach the command station: no use waiting for an answer.
    if (down_) {
        LogToMonitor("Error! Port down!");
        Refuse(kPortDown);
        return;
    }
    // Negative addresses are as impossible as too large ones.
    if (address > kMaxLocoAddress || address < 0) {
        LogToMonitor("Error! Loco address too large!");
        Refuse("Napaka! Naslov dekoderja prevelik!");
        return;
    }
    task_ = SelectionTask{};
    task_.active = true;
    task_.phase = kPhaseReqLoco;
    task_.throttle = throttleIndex;
    task_.which = which;
    task_.address = address;
    task_.startTick = clock_.Now();
    task_.phaseTick = task_.startTick;
    LogToMonitor(text::Format("!!Starting Loco %d selection at %u", address,
                              static_cast<unsigned>(task_.startTick)));
    if (Offline()) {
        task_.active = false;
        if (Throttle* t = GetThrottle(throttleIndex))
            t->UpdateControls(clock_.Now(), kOfflineSlot, which);
        return;
    }
    QueueMessage(LocoNetMessage{static_cast<std::uint8_t>(Opcode::OPC_LOCO_ADR),
                                static_cast<std::uint8_t>((address >> 7) & 0x7F),
                                static_cast<std::uint8_t>(address & 0x7F), 0});
}

void CLoconet::TaskStep(const LocoNetMessage& m) {
    const std::uint8_t opcode = m.bytes[0];
    const bool slotData = opcode == static_cast<std::uint8_t>(Opcode::OPC_SL_RD_DATA);
    const bool longAck = opcode == static_cast<std::uint8_t>(Opcode::OPC_LONG_ACK);
    if (task_.phase == kPhaseReqLoco) {
        Trace("Task Sel Loco: Phase Req Loco");
        if (slotData && m.bytes[2] < kFirstNonLocoSlot &&
            m.bytes[9] * 128 + m.bytes[4] == task_.address) {
            const std::uint8_t stat1 = m.bytes[3];
            task_.slot = m.bytes[2];
            if ((stat1 & slotbits::kStat1Consist) != 0) {
                FailSelection(text::Format("%s %d je del kompozicije! Izločite jo iz kompozicije "
                                           "ali izberite drug naslov.",
                                           WhichName(task_.which), task_.address));
            } else if ((stat1 & slotbits::kStat1StateMask) == slotbits::kStat1InUse) {
                // Another throttle drives it: most command stations would accept the null
                // move without a word, so the answer itself is the warning.
                WarnAddressInUse();
                FinishSelection();
            } else {
                task_.phase = kPhaseSetBusy;
                task_.phaseTick = stepTick_;
                QueueMessage(LocoNetMessage{static_cast<std::uint8_t>(Opcode::OPC_MOVE_SLOTS),
                                            task_.slot, task_.slot, 0});
            }
        } else if (longAck && m.bytes[1] == LongAckCode(Opcode::OPC_LOCO_ADR) && m.bytes[2] == 0) {
            FailSelection("Napaka! Ni več prostih mest v pomnilniku centrale.");
        }
        return;
    }
    Trace("Task Sel Loco: Phase Set Busy");
    if (slotData && m.bytes[2] == task_.slot) {
        FinishSelection();
    } else if (longAck && m.bytes[1] == LongAckCode(Opcode::OPC_MOVE_SLOTS) && m.bytes[2] == 0) {
        WarnAddressInUse();
        FinishSelection();
    }
}

void CLoconet::WarnAddressInUse() {
    if (task_.which == kWhichLoco)
        prompts_.Inform(kAddressInUse, PromptIcon::Warning);
}

void CLoconet::FinishSelection() {
    // Ended before the throttle hears of it, so it may start its next selection at once.
    task_.active = false;
    LogToMonitor(text::Format("!! Finishing loco %d selection", task_.address));
    // A throttle closed while waiting has left its entry empty: the slot that the null
    // move has just taken into use is given back, or the locomotive stays locked.
    if (Throttle* t = GetThrottle(task_.throttle))
        t->UpdateControls(stepTick_, task_.slot, task_.which);
    else
        ReleaseLoco(task_.slot);
    actTick_ = clock_.Now();
}

void CLoconet::FailSelection(const std::string& text) {
    task_.active = false;
    if (Throttle* t = GetThrottle(task_.throttle))
        t->ReleaseAll();
    LogToMonitor(text);
    Refuse(text);
}

void CLoconet::CheckSelectionTimeout() {
    if (!task_.active || ElapsedTicks(stepTick_, task_.phaseTick) < kSelectionTimeoutMs)
        return;
    task_.active = false;
    LogToMonitor(text::Format("Error! No answer to loco %d selection", task_.address));
    // The null move may have taken the slot into use after all: it goes back, as the
    // command station reported it before, or the locomotive stays locked.
    if (task_.phase == kPhaseSetBusy)
        ReleaseLoco(task_.slot);
    // A throttle closed meanwhile has nothing to go back to and nobody waits for the word.
    Throttle* t = GetThrottle(task_.throttle);
    if (t == nullptr)
        return;
    t->ReleaseAll();
    Refuse(down_ ? std::string(kPortDown) : text::Format(kNoAnswer, task_.address));
}

Throttle* CLoconet::GetThrottle(int index) const {
    if (index < 0 || index >= kRegistrySize)
        return nullptr;
    return registry_[static_cast<std::size_t>(index)];
}

void CLoconet::RemoveThrottle(int index) {
    if (index < 0 || index >= kRegistrySize)
        return;
    registry_[static_cast<std::size_t>(index)] = nullptr;
    // A selection still waiting for the closed throttle runs on until it is answered or
    // times out, but its answer must not reach a new throttle that takes over the entry.
    if (task_.active && task_.throttle == index)
        task_.throttle = -1;
}

bool CLoconet::RegisterThrottle(int index, Throttle* throttle) {
    if (throttle == nullptr || index < 0 || index >= kRegistrySize ||
        registry_[static_cast<std::size_t>(index)] != nullptr)
        return false;
    throttle->registryIndex = index;
    registry_[static_cast<std::size_t>(index)] = throttle;
    return true;
}

void CLoconet::NewThrottle(ThrottleType type) {
    int index = -1;
    for (int i = 0; i < kRegistrySize; ++i)
        if (registry_[static_cast<std::size_t>(i)] == nullptr)
            index = i;
    if (index < 0) {
        Refuse("Doseženo je maksimalno število upravljalnikov!");
        return;
    }
    if (!throttleFactory_.create)
        return;
    if (Throttle* t = throttleFactory_.create(type, index))
        RegisterThrottle(index, t);
}
