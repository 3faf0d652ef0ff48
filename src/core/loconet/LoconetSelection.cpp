// Loco selection (acquiring a command-station slot for an address) and the registry of
// throttle windows.

#include "core/loconet/Loconet.h"

#include "core/loconet/MonitorText.h"
#include "core/util/Text.h"

namespace {
constexpr int kFirstNonLocoSlot = 120;
constexpr const char* kAddressInUse = "Naslov je že v uporabi, možne so motnje v delovanju!";
constexpr const char* kUsedByWindow =
    "%s %d že uporablja okno »%s«. Izberite drug naslov ali tisto okno najprej sprostite.";
constexpr const char* kTakenMeanwhile =
    "%s %d je medtem prevzel drug upravljalnik na vodilu, zato ni bil ponovno izbran. "
    "Upravljalnik ga ne upravlja več.";
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

const Throttle* CLoconet::OtherHolder(int slot, const Throttle* except) const {
    if (!IsSlotNumber(slot))
        return nullptr;
    for (int i = 0; i < kRegistrySize; ++i) {
        const Throttle* t = registry_.Get(i);
        if (t == nullptr || t == except)
            continue;
        for (int which = kWhichLoco; which < t->Roles(); ++which)
            if (t->SlotFor(which) == slot)
                return t;
    }
    return nullptr;
}

const Throttle* CLoconet::ThrottleUsing(int address, int exceptIndex) const {
    for (int i = 0; i < kRegistrySize; ++i) {
        const Throttle* t = registry_.Get(i);
        if (t == nullptr || i == exceptIndex)
            continue;
        for (int which : {kWhichLoco, kWhichSound, kWhichPower, kWhichBrake})
            if (t->AddressOf(which) == address)
                return t;
    }
    return nullptr;
}

void CLoconet::SelectLoco(int throttleIndex, int address, int which, bool again) {
    if (selection_.Active()) {
        LogToMonitor("Error! Task queue not idle!");
        RefuseFor(throttleIndex,
                  "Napaka! Vrsta opravil ni prazna! Preverite če je centrala vklopljena in "
                  "povezana.");
        return;
    }
    // Not opened (or closed): the request would wait for ever, in silence.
    if (!open_) {
        LogToMonitor("Error! Link not open!");
        RefuseFor(throttleIndex, kNoLink);
        return;
    }
    // Its request would not reach the command station: no use waiting for an answer.
    if (port_.down) {
        LogToMonitor("Error! Port down!");
        RefuseFor(throttleIndex, kPortDown);
        return;
    }
    // Negative addresses are as impossible as too large ones.
    if (address > kMaxLocoAddress || address < 0) {
        LogToMonitor("Error! Loco address too large!");
        RefuseFor(throttleIndex, "Napaka! Naslov dekoderja prevelik!");
        return;
    }
    // Two throttles of the program on one address would work each other's locomotive or
    // hand-held.
    if (const Throttle* other = ThrottleUsing(address, throttleIndex)) {
        LogToMonitor(text::Format("Error! Loco %d used by another throttle", address));
        RefuseFor(throttleIndex,
                  text::Format(kUsedByWindow, WhichName(which), address, other->Title().c_str()));
        return;
    }
    const Tick now = clock_.Now();
    selection_.Start({throttleIndex, which, address, again}, now);
    LogToMonitor(
        text::Format("!!Starting Loco %d selection at %u", address, static_cast<unsigned>(now)));
    if (Offline()) {
        selection_.End();
        if (Throttle* t = GetThrottle(throttleIndex))
            t->UpdateControls(clock_.Now(), kOfflineSlot, which);
        return;
    }
    QueueMessage(LocoNetMessage{static_cast<std::uint8_t>(Opcode::OPC_LOCO_ADR),
                                static_cast<std::uint8_t>((address >> 7) & 0x7F),
                                static_cast<std::uint8_t>(address & 0x7F), 0});
}

void CLoconet::TaskStep(const LocoNetMessage& m) {
    const Selection::Request& task = selection_.Asked();
    const std::uint8_t opcode = m.bytes[0];
    const bool slotData = opcode == static_cast<std::uint8_t>(Opcode::OPC_SL_RD_DATA);
    const bool longAck = opcode == static_cast<std::uint8_t>(Opcode::OPC_LONG_ACK);
    if (!selection_.Moving()) {
        Trace("Task Sel Loco: Phase Req Loco");
        if (slotData && m.bytes[2] < kFirstNonLocoSlot &&
            m.bytes[9] * 128 + m.bytes[4] == task.address) {
            const std::uint8_t stat1 = m.bytes[3];
            const int slot = m.bytes[2];
            selection_.Found(slot);
            if ((stat1 & slotbits::kStat1Consist) != 0) {
                FailSelection(text::Format("%s %d je del kompozicije! Izločite jo iz kompozicije "
                                           "ali izberite drug naslov.",
                                           WhichName(task.which), task.address));
            } else if ((stat1 & slotbits::kStat1StateMask) == slotbits::kStat1InUse) {
                // Still the throttle's own slot, selected again after the port came back.
                const bool own = task.again && selection_.HasTaken(task.throttle, slot);
                if (task.again && !own && task.which <= kWhichSound) {
                    // Held by another station since the port was lost: not taken from it.
                    FailSelection(
                        text::Format(kTakenMeanwhile, WhichName(task.which), task.address));
                    return;
                }
                // Another throttle drives it: most command stations would accept the null
                // move without a word, so the answer itself is the warning.
                if (!own)
                    WarnAddressInUse();
                FinishSelection(false);
            } else {
                selection_.MoveSent(clock_.Now());
                const auto s = static_cast<std::uint8_t>(slot);
                QueueMessage(
                    LocoNetMessage{static_cast<std::uint8_t>(Opcode::OPC_MOVE_SLOTS), s, s, 0});
            }
        } else if (longAck && m.bytes[1] == LongAckCode(Opcode::OPC_LOCO_ADR) && m.bytes[2] == 0) {
            FailSelection("Napaka! Ni več prostih mest v pomnilniku centrale.");
        }
        return;
    }
    Trace("Task Sel Loco: Phase Set Busy");
    if (slotData && m.bytes[2] == selection_.Slot()) {
        FinishSelection(true);
    } else if (longAck && m.bytes[1] == LongAckCode(Opcode::OPC_MOVE_SLOTS) && m.bytes[2] == 0) {
        WarnAddressInUse();
        FinishSelection(false);
    }
}

void CLoconet::WarnAddressInUse() {
    // Nobody to warn when the requester has left.
    if (selection_.Asked().which != kWhichLoco || selection_.Requester() < 0)
        return;
    Throttle* t = GetThrottle(selection_.Requester());
    if (t == nullptr || !t->TakeRefusal(kAddressInUse, true))
        prompts_.Inform(kAddressInUse, PromptIcon::Warning);
}

void CLoconet::RefuseFor(int throttleIndex, const std::string& text) {
    Throttle* t = GetThrottle(throttleIndex);
    if (t == nullptr || !t->TakeRefusal(text, false))
        Refuse(text);
}

void CLoconet::FinishSelection(bool taken) {
    // Ended before the throttle hears of it, so it may start its next selection at once.
    selection_.End();
    const int index = selection_.Requester();
    const int slot = selection_.Slot();
    LogToMonitor(text::Format("!! Finishing loco %d selection", selection_.Asked().address));
    if (Throttle* t = GetThrottle(index)) {
        if (taken)
            selection_.Took(index, slot);
        t->UpdateControls(stepTick_, slot, selection_.Asked().which);
    } else if (taken) {
        // The requester left while it waited: the slot that the null move has just taken
        // into use goes back stopped, or the locomotive stays locked.
        GiveBack(slot);
    } else {
        // Found in use: another station's, and none of this program's business.
        Trace(text::Format("!!Slot %d kept: its requester has left", slot));
    }
    actTick_ = clock_.Now();
}

void CLoconet::FailSelection(const std::string& text) {
    selection_.End();
    LogToMonitor(text);
    // A requester that left has nothing to give up and nobody waits for the word.
    const int index = selection_.Requester();
    if (index < 0)
        return;
    if (Throttle* t = GetThrottle(index))
        Abandon(*t);
    RefuseFor(index, text);
}

void CLoconet::Abandon(Throttle& t) {
    for (int which = kWhichLoco; which < t.Roles(); ++which) {
        int& slot = t.SlotFor(which);
        if (IsSlotNumber(slot) && !selection_.HasTaken(t.registryIndex, slot)) {
            Trace(text::Format("!!Slot %d kept: not taken by this throttle", slot));
            slot = kNoSlot;
        }
    }
    t.ReleaseAll();
}

void CLoconet::CheckSelectionTimeout() {
    // A fresh tick: a selection may have started after the step began.
    if (!selection_.TimedOut(clock_.Now()))
        return;
    selection_.End();
    const Selection::Request& task = selection_.Asked();
    LogToMonitor(text::Format("Error! No answer to loco %d selection", task.address));
    // The null move may have taken the slot into use after all: it goes back, as the
    // command station reported it before, or the locomotive stays locked.
    if (selection_.Moving())
        ReleaseLoco(selection_.Slot(), nullptr);
    // A throttle closed meanwhile has nothing to go back to and nobody waits for the word.
    Throttle* t = GetThrottle(task.throttle);
    if (t == nullptr)
        return;
    Abandon(*t);
    RefuseFor(task.throttle,
              port_.down ? std::string(kPortDown) : text::Format(kNoAnswer, task.address));
}

Throttle* CLoconet::GetThrottle(int index) const {
    return registry_.Get(index);
}

void CLoconet::StopThrottlesForExit() {
    for (int i = 0; i < kRegistrySize; ++i)
        if (Throttle* t = registry_.Get(i))
            t->StopForExit();
}

void CLoconet::RemoveThrottle(int index) {
    if (index < 0 || index >= kRegistrySize)
        return;
    registry_.Clear(index);
    selection_.ForgetThrottle(index);
    // A selection still waiting for the closed throttle runs on until it is answered or
    // times out, and then gives back only what it took.
    selection_.RequesterLeft(index);
}

bool CLoconet::RegisterThrottle(int index, Throttle* throttle) {
    if (!registry_.Put(index, throttle))
        return false;
    throttle->registryIndex = index;
    selection_.ForgetThrottle(index);
    return true;
}

void CLoconet::NewThrottle(ThrottleType type) {
    const int index = registry_.FreeEntry();
    if (index < 0) {
        Refuse("Doseženo je maksimalno število upravljalnikov!");
        return;
    }
    if (!throttleFactory_.create)
        return;
    if (Throttle* t = throttleFactory_.create(type, index))
        RegisterThrottle(index, t);
}
