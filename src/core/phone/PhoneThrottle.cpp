#include "core/phone/PhoneThrottle.h"

#include "core/loconet/ImmediatePacket.h"
#include "core/loconet/Loconet.h"
#include "core/phone/PhoneServer.h"
#include "core/phone/WiThrottleText.h"
#include "core/util/Text.h"

#include <algorithm>

namespace {

constexpr const char* kInUse = "Naslov %d je v uporabi pri drugem upravljalniku; ni bil prevzet.";
constexpr const char* kStillShared = "Lokomotivo %d upravlja še drug upravljalnik programa; ostane "
                                     "njemu in ni predana ročnemu upravljalniku.";
constexpr const char* kSlotGone =
    "Lokomotive %d ta upravljalnik ne upravlja več: njen slot je prevzel drug upravljalnik.";

// F9 to F28 of the slot's word, as the phone shows them.
constexpr std::uint32_t kHighFunctions = 0x1FFFFE00u;

bool Bit(std::uint32_t bits, int n) {
    return ((bits >> n) & 1u) != 0;
}

} // namespace

PhoneThrottle::PhoneThrottle(PhoneServer& server, CLoconet& link, Clock& clock, int client,
                             char throttleKey, std::string key, int address)
    : Throttle(ThrottleType::Simple), server_(server), link_(link), clock_(clock), client_(client),
      throttleKey_(throttleKey), key_(std::move(key)), address_(address) {}

void PhoneThrottle::Start() {
    bActive = true;
    if (!JoinHeld())
        waiting_ = true;
}

bool PhoneThrottle::JoinHeld() {
    // The program's own throttle drives the address already: the phone shares its slot, as
    // a second hand on the same locomotive, rather than selecting it against the window.
    // The realistic throttle's locomotive and sound decoder are driven by its train model,
    // which another hand would fight: only its hand-helds are shared, and a selection of the
    // others is refused by the link.
    for (int i = 0; i < CLoconet::kRegistrySize; ++i) {
        const Throttle* t = link_.GetThrottle(i);
        if (t == nullptr || t == this)
            continue;
        for (int which = kWhichLoco; which < t->Roles(); ++which) {
            const int slot = t->SlotFor(which);
            const bool modelDriven = t->type == ThrottleType::Realistic && which <= kWhichSound;
            if (!modelDriven && t->AddressOf(which) == address_ && IsSlotNumber(slot) &&
                link_.GetSlotLocoAddress(slot) == address_) {
                Acquired(slot);
                return true;
            }
        }
    }
    return false;
}

void PhoneThrottle::Send(const std::string& what) {
    server_.Send(client_, std::string("M") + throttleKey_ + "A" + key_ + "<;>" + what);
}

void PhoneThrottle::Acquired(int slot) {
    iSlot = slot;
    server_.Send(client_, std::string("M") + throttleKey_ + "+" + key_ + "<;>");
    std::string labels = std::string("M") + throttleKey_ + "L" + key_ + "<;>";
    for (const std::string& label : labels_)
        labels += std::string(withrottle::kItems) + label;
    server_.Send(client_, labels + std::string(withrottle::kItems));
    Report(true);
    Send("s1"); // 128 speed steps
}

PhoneThrottle::Shown PhoneThrottle::Current() const {
    const SlotRecord& r = link_.Slot(iSlot);
    Shown s;
    s.speed = withrottle::PhoneSpeed(r.SPD);
    s.forward = (r.DIRF & slotbits::kDirfBackward) == 0;
    s.functions = (r.high & kHighFunctions) | ((r.DIRF & slotbits::kDirfF0) != 0 ? 1u : 0u) |
                  static_cast<std::uint32_t>(r.DIRF & slotbits::kDirfF1toF4) << 1 |
                  static_cast<std::uint32_t>(r.SND & slotbits::kSndF5toF8) << 5;
    return s;
}

void PhoneThrottle::Report(bool all) {
    if (!Driving() || closed_)
        return;
    const Shown now = Current();
    for (int f = 0; f < withrottle::kFunctionCount; ++f)
        if (all || Bit(now.functions, f) != Bit(shown_->functions, f))
            Send(text::Format("F%d%d", Bit(now.functions, f) ? 1 : 0, f));
    if (all || now.speed != shown_->speed)
        Send("V" + std::to_string(now.speed));
    if (all || now.forward != shown_->forward)
        Send(now.forward ? "R1" : "R0");
    shown_ = now;
}

void PhoneThrottle::Told(const SlotRecord& before) {
    // The phone keeps its own slider and direction, but only the program knows whether a key
    // latched: the functions that changed are told to it as to the others on the slot.
    const Shown now = Current();
    shown_->speed = now.speed;
    shown_->forward = now.forward;
    link_.UpdateThrottles(clock_.Now(), iSlot, before, false, this);
    Report(false);
}

void PhoneThrottle::Command(std::string_view command) {
    if (!Driving() || command.empty())
        return;
    const SlotRecord before = link_.Slot(iSlot);
    const std::string_view arg = command.substr(1);
    int value = 0;
    switch (command[0]) {
    case 'V':
        if (!withrottle::ParseNumber(arg, -1, withrottle::kMaxSpeed, value))
            return;
        link_.SetSlotSpeed(iSlot, withrottle::SlotSpeed(value), false);
        break;
    case 'X':
        link_.SetSlotSpeed(iSlot, slotbits::kSpeedEmergency, true);
        break;
    case 'I':
        link_.SetSlotSpeed(iSlot, 0, false);
        break;
    case 'R':
        if (!withrottle::ParseNumber(arg, 0, 1, value))
            return;
        link_.SetSlotForw(iSlot, value != 0, false);
        break;
    case 'F':
    case 'f':
        OnFunctionKey(arg, command[0] == 'f');
        break;
    case 'm':
        if (arg.size() >= 2 && (arg[0] == '0' || arg[0] == '1') &&
            withrottle::ParseNumber(arg.substr(1), 0, withrottle::kFunctionCount - 1, value))
            momentary_ = arg[0] == '1' ? momentary_ | (1u << value) : momentary_ & ~(1u << value);
        return;
    case 'q':
        // The phone asks: it is told again.
        if (arg == "V" && shown_)
            Send("V" + std::to_string(shown_->speed));
        else if (arg == "R" && shown_)
            Send(shown_->forward ? "R1" : "R0");
        return;
    default:
        return; // consists, speed step modes and the rest: not for this program
    }
    Told(before);
}

void PhoneThrottle::OnFunctionKey(std::string_view arg, bool forced) {
    int function = 0;
    if (arg.size() < 2 || (arg[0] != '0' && arg[0] != '1') ||
        !withrottle::ParseNumber(arg.substr(1), 0, withrottle::kFunctionCount - 1, function))
        return;
    const bool pressed = arg[0] == '1';
    // A key sends its press and its release: a latching function changes on the press.
    if (forced || Bit(momentary_, function))
        SetFunction(function, pressed);
    else if (pressed)
        SetFunction(function, !Bit(Current().functions, function));
}

void PhoneThrottle::SetFunction(int function, bool on) {
    if (function <= 8) {
        link_.SetSlotF0toF08(iSlot, function, on);
        return;
    }
    // F9 and up are not in the slot bytes: immediate packets carry them, as the windows send
    // them, and the link keeps what they were last set to.
    const ImmGroup group = function <= 12   ? ImmGroup::F9toF12
                           : function <= 20 ? ImmGroup::F13toF20
                                            : ImmGroup::F21toF28;
    const std::uint32_t high = link_.Slot(iSlot).high;
    const std::uint32_t wanted = on ? high | (1u << function) : high & ~(1u << function);
    link_.SendImmFunctions(iSlot, group, GroupBits(wanted, group));
}

void PhoneThrottle::Release(bool stop) {
    if (Driving()) {
        // A window or another phone that shares the slot keeps driving it.
        if (stop && link_.OtherHolder(iSlot, this) == nullptr)
            link_.SetSlotSpeed(iSlot, slotbits::kSpeedEmergency, true);
        link_.ReleaseLoco(iSlot, this);
    }
    iSlot = kNoSlot;
    Drop("");
}

void PhoneThrottle::Dispatch() {
    if (!Driving()) {
        Release(false);
        return;
    }
    // A window or another phone that shares the slot keeps it; nothing goes to a hand-held.
    if (link_.OtherHolder(iSlot, this) != nullptr) {
        server_.Send(client_, "HM" + text::Format(kStillShared, address_));
        Release(false);
        return;
    }
    // Stopped, and moved to slot 0, where the command station keeps it for the next
    // hand-held that asks for the dispatched locomotive.
    link_.SetSlotSpeed(iSlot, 0, false);
    link_.QueueMessage(LocoNetMessage{static_cast<std::uint8_t>(Opcode::OPC_MOVE_SLOTS),
                                      static_cast<std::uint8_t>(iSlot), 0, 0});
    link_.LogToMonitor(text::Format("WiThrottle: %s dispatched loco %d",
                                    server_.ClientName(client_).c_str(), address_));
    iSlot = kNoSlot;
    Drop("");
}

void PhoneThrottle::Drop(const std::string& why) {
    if (closed_)
        return;
    closed_ = true;
    waiting_ = false;
    bActive = false;
    if (!why.empty())
        server_.Send(client_, "HM" + why);
    server_.Send(client_, std::string("M") + throttleKey_ + "-" + key_ + "<;>");
    link_.RemoveThrottle(registryIndex);
}

void PhoneThrottle::CloseThrottle() {
    Release(false);
}

void PhoneThrottle::FunctionStateChanged(int function, bool state) {
    // As a window's button: the function is set, and the phone and the others are told.
    if (!Driving() || closed_ || function < 0 || function >= withrottle::kFunctionCount)
        return;
    const SlotRecord before = link_.Slot(iSlot);
    SetFunction(function, state);
    Told(before);
}

void PhoneThrottle::ReleaseAll() {
    if (Driving())
        link_.ReleaseLoco(iSlot, this);
    iSlot = kNoSlot;
    selecting_ = false;
}

void PhoneThrottle::UpdateControls(Tick now, int slot, int which) {
    (void)now;
    (void)which;
    selecting_ = false;
    // Another station drives the locomotive: the phone is told so and takes nothing.
    if (inUse_) {
        Drop("");
        return;
    }
    Acquired(slot);
}

bool PhoneThrottle::TakeRefusal(const std::string& text, bool inUse) {
    inUse_ = inUse_ || inUse;
    // The link's warning speaks of a shared slot; the phone takes nothing, and says so.
    server_.Send(client_, "HM" + (inUse ? text::Format(kInUse, address_) : text));
    // Refused before or during its selection: nothing is held, the phone lets it go.
    if (!inUse && !Driving())
        Drop("");
    return true;
}

void PhoneThrottle::Idle(Tick now) {
    if (closed_)
        return;
    // The link selects one address at a time; a window's selection of the same address may
    // be the one under way, and once it is through the phone shares its slot.
    if (waiting_ && !link_.IsSelectionPending()) {
        waiting_ = false;
        if (JoinHeld())
            return;
        selecting_ = true;
        link_.SelectLoco(registryIndex, address_, kWhichLoco);
        return;
    }
    if (Driving())
        StopForSilence(now);
}

void PhoneThrottle::StopForSilence(Tick now) {
    Tick heardAt = 0;
    if (!server_.Silent(client_, now, heardAt) || (stoppedFor_ && *stoppedFor_ == heardAt))
        return;
    stoppedFor_ = heardAt;
    link_.LogToMonitor(text::Format("WiThrottle: no heartbeat from %s, loco %d stopped",
                                    server_.ClientName(client_).c_str(), address_));
    const SlotRecord before = link_.Slot(iSlot);
    link_.SetSlotSpeed(iSlot, slotbits::kSpeedEmergency, true);
    // The phone is told too: its app shows the stop once it speaks again.
    link_.UpdateThrottles(clock_.Now(), iSlot, before);
}

std::uint32_t PhoneThrottle::NextIdleDue(Tick now) const {
    if (waiting_)
        return 0;
    if (!Driving() || closed_)
        return kNoDeadline;
    return server_.SilenceDue(client_, now);
}

void PhoneThrottle::UpdateThrottle(Tick now, int which) {
    (void)now;
    (void)which;
    Report(false);
}

void PhoneThrottle::UpdateThrottleF9toF12(std::uint8_t bits, Tick now, int which) {
    UpdateThrottleF13toF28(9, static_cast<std::uint8_t>(bits & 0x0F), now);
    (void)which;
}

void PhoneThrottle::UpdateThrottleF13toF28(int first, std::uint8_t bits, Tick now) {
    // The slot table holds them already.
    (void)first;
    (void)bits;
    (void)now;
    Report(false);
}

int PhoneThrottle::AddressOf(int which) const {
    return which == kWhichLoco && (Driving() || selecting_) ? address_ : -1;
}

void PhoneThrottle::SlotLost(Tick now, int which, bool again, const SlotRecord& before) {
    (void)now;
    (void)which;
    (void)again;
    (void)before;
    Drop(text::Format(kSlotGone, address_));
}

std::string PhoneThrottle::Title() const {
    const std::string& name = server_.ClientName(client_);
    return "Telefon " + (name.empty() ? std::string("brez imena") : name);
}

void PhoneThrottle::StopForExit() {
    if (Driving())
        link_.SetSlotSpeed(iSlot, 0, true);
}
