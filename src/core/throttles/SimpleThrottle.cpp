#include "core/throttles/SimpleThrottle.h"

#include "core/loconet/Loconet.h"
#include "core/util/Fields.h"
#include "core/util/Text.h"

namespace {
constexpr const char* kCaptionRelease = "Sprosti";
constexpr const char* kCaptionAcquire = "Uporabi";
constexpr const char* kSlotTaken =
    "Lokomotive %d ta upravljalnik ne upravlja več: druga naprava na vodilu je sprostila ali "
    "prevzela njeno mesto v centrali. Če jo želite voziti, jo izberite znova.";
} // namespace

SimpleThrottle::SimpleThrottle(CLoconet& loconet, Clock& clock, Prompts& prompts)
    : Throttle(ThrottleType::Simple), loconet_(loconet), clock_(clock), prompts_(prompts) {}

void SimpleThrottle::Show(unsigned parts) {
    if (view_)
        view_->Show(parts);
}

bool SimpleThrottle::ReadField(const std::string& text, int high, SimpleThrottleField field,
                               int& value) {
    const std::string message = fields::ReadInt(text, 0, high, value);
    if (message.empty())
        return true;
    prompts_.Inform(message, PromptIcon::Warning);
    // The speed field goes back to what the locomotive has, not what it was refused.
    if (field == SimpleThrottleField::Speed)
        Show(SimpleThrottleShow::kSpeed);
    if (view_)
        view_->Focus(field, true);
    return false;
}

bool SimpleThrottle::ReadControls() {
    if (!view_)
        return true;
    const SimpleThrottleEntries entries = view_->ReadEntries();
    if (!ReadField(entries.address, CLoconet::kMaxLocoAddress, SimpleThrottleField::Address,
                   address_))
        return false;
    if (!ReadField(entries.speed, kMaxSpeed, SimpleThrottleField::Speed, speed_))
        return false;
    forward_ = entries.forward;
    return true;
}

void SimpleThrottle::Select() {
    loconet_.SelectLoco(registryIndex, address_, kWhichLoco);
}

void SimpleThrottle::OnSetRelease() {
    // A selection under way is waited for; one not started yet is given up.
    if (reselect_ == Reselect::Selecting)
        return;
    if (reselect_ == Reselect::Waiting) {
        reselect_ = Reselect::None;
        UpdateControls(0, kNoSlot, kWhichLoco);
        return;
    }
    if (!ReadControls())
        return;
    if (!Driving()) {
        Select();
        return;
    }
    ReleaseAll();
    UpdateControls(0, kNoSlot, kWhichLoco);
}

void SimpleThrottle::OnEnter() {
    if (!ReadControls())
        return;
    if (Driving()) {
        Show(SimpleThrottleShow::kSpeed);
        SetSpeed(speed_);
    } else {
        speed_ = 0;
        Show(SimpleThrottleShow::kAll);
        Select();
    }
    // A selection that finished at once (offline) has moved the focus already; this is
    // where the operator types next either way.
    if (view_)
        view_->Focus(SimpleThrottleField::Speed, true);
}

void SimpleThrottle::OnSliderReleased(int position) {
    if (!Driving()) {
        Show(SimpleThrottleShow::kSpeed);
        if (view_)
            view_->Focus(SimpleThrottleField::Address, false);
        return;
    }
    if (position < 0)
        position = 0;
    if (position > kMaxSpeed)
        position = kMaxSpeed;
    SetSpeed(kMaxSpeed - position);
    Show(SimpleThrottleShow::kSpeed);
}

void SimpleThrottle::SetSpeed(int percent) {
    speed_ = percent;
    if (!Driving())
        return;
    if (reselected_) {
        reselected_ = false;
        Show(SimpleThrottleShow::kState);
    }
    loconet_.SetSlotSpeed(iSlot, CLoconet::PercentToSpeed(percent), false);
    lastSpeedTick_ = clock_.Now();
}

void SimpleThrottle::OnDirectionClicked() {
    if (!ReadControls()) {
        // Nothing was sent: the buttons go back to the direction the locomotive has.
        Show(SimpleThrottleShow::kDirection);
        return;
    }
    if (Driving())
        loconet_.SetSlotForw(iSlot, forward_, false);
}

void SimpleThrottle::OnEmergencyStop() {
    // Stopping must never wait for the operator to mend a typing error in a field, and it
    // goes out even when the table already holds the stop byte.
    speed_ = 0;
    if (Driving()) {
        loconet_.SetSlotSpeed(iSlot, slotbits::kSpeedEmergency, true);
        lastSpeedTick_ = clock_.Now();
    }
    Show(SimpleThrottleShow::kSpeed);
}

void SimpleThrottle::CloseThrottle() {
    if (view_)
        view_->CloseWindow();
}

void SimpleThrottle::FunctionStateChanged(int function, bool state) {
    if (!Driving())
        return;
    if (function >= 0 && function <= 8) {
        loconet_.SetSlotF0toF08(iSlot, function, state);
    } else if (function >= 9 && function <= 12) {
        const auto bit = static_cast<std::uint8_t>(1u << (function - 9));
        f9to12_ = static_cast<std::uint8_t>(state ? f9to12_ | bit : f9to12_ & ~bit);
        loconet_.SendImmF9toF12(iSlot, f9to12_);
    } else if (function >= 13 && function <= 28) {
        std::uint8_t& group = function <= 20 ? f13to20_ : f21to28_;
        const auto bit = static_cast<std::uint8_t>(1u << ((function - 13) % 8));
        group = static_cast<std::uint8_t>(state ? group | bit : group & ~bit);
        if (function <= 20)
            loconet_.SendImmF13toF20(iSlot, group);
        else
            loconet_.SendImmF21toF28(iSlot, group);
    }
}

void SimpleThrottle::ReleaseAll() {
    if (Driving())
        loconet_.ReleaseLoco(iSlot, this);
    // A selection again that failed leaves the throttle without its locomotive.
    if (Reselecting()) {
        reselect_ = Reselect::None;
        UpdateControls(0, kNoSlot, kWhichLoco);
    }
}

void SimpleThrottle::UpdateControls(Tick now, int slot, int /*which*/) {
    iSlot = IsSlotNumber(slot) ? slot : kNoSlot;
    reselected_ = reselect_ == Reselect::Selecting && Driving();
    reselect_ = Reselect::None;
    if (reselected_) {
        Restore(iSlot);
    } else {
        // The decoder's functions above F8 are not in the slot bytes: the link knows them
        // from the packets it sent or saw for the locomotive (off for one it never saw).
        const std::uint32_t high = loconet_.Slot(iSlot).high;
        f9to12_ = GroupBits(high, ImmGroup::F9toF12);
        f13to20_ = GroupBits(high, ImmGroup::F13toF20);
        f21to28_ = GroupBits(high, ImmGroup::F21toF28);
    }
    // Held, the slot is refreshed every minute so that the command station keeps it.
    bActive = Driving();
    if (Driving()) {
        caption_ = kCaptionRelease;
        lastSpeedTick_ = now;
        // The slot data that finished the selection came before the slot was ours: the
        // locomotive's speed, direction and functions are shown from the table now.
        ShowSlot(SimpleThrottleShow::kAll);
        if (view_)
            view_->Focus(SimpleThrottleField::Speed, false);
    } else {
        speed_ = 0;
        caption_ = kCaptionAcquire;
        SetButtons(); // without a slot no function is lit
        Show(SimpleThrottleShow::kAll);
        if (view_)
            view_->Focus(SimpleThrottleField::Address, false);
    }
}

bool SimpleThrottle::ButtonState(int function) const {
    const SlotRecord& r = loconet_.Slot(iSlot);
    if (function == 0)
        return (r.DIRF & slotbits::kDirfF0) != 0;
    if (function >= 1 && function <= 4)
        return (r.DIRF & (1u << (function - 1))) != 0;
    if (function >= 5 && function <= 8)
        return (r.SND & (1u << (function - 5))) != 0;
    if (function >= 9 && function <= 12)
        return (f9to12_ & (1u << (function - 9))) != 0;
    if (function >= 13 && function <= 20)
        return (f13to20_ & (1u << (function - 13))) != 0;
    if (function >= 21 && function <= 28)
        return (f21to28_ & (1u << (function - 21))) != 0;
    return false;
}

void SimpleThrottle::SetButtons() {
    if (view_)
        view_->ShowButtons();
}

void SimpleThrottle::Idle(Tick now) {
    if (reselect_ == Reselect::Waiting) {
        StartReselect();
        return;
    }
    if (!Driving() || TicksSince(now, lastSpeedTick_) <= kRefreshMs)
        return;
    loconet_.SetSlotSpeed(iSlot, loconet_.Slot(iSlot).SPD, true);
    lastSpeedTick_ = now;
}

std::uint32_t SimpleThrottle::NextIdleDue(Tick now) const {
    if (reselect_ == Reselect::Waiting)
        return 0;
    // A held slot only needs its refresh, once a minute.
    if (!Driving())
        return kNoDeadline;
    const std::uint32_t elapsed = TicksSince(now, lastSpeedTick_);
    return elapsed > kRefreshMs ? 0 : kRefreshMs + 1 - elapsed;
}

void SimpleThrottle::UpdateThrottle(Tick /*now*/, int /*which*/) {
    ShowSlot();
}

void SimpleThrottle::ShowSlot(unsigned always) {
    const SlotRecord& r = loconet_.Slot(iSlot);
    const int speed = CLoconet::SpeedToPercent(r.SPD);
    const bool forward = (r.DIRF & slotbits::kDirfBackward) == 0;
    // The window's own command comes back too: what it shows already is left alone, so
    // that the operator's edit keeps its selection.
    const unsigned parts = always | (speed != speed_ ? SimpleThrottleShow::kSpeed : 0u) |
                           (forward != forward_ ? SimpleThrottleShow::kDirection : 0u);
    speed_ = speed;
    forward_ = forward;
    SetButtons();
    if (parts != 0)
        Show(parts);
}

void SimpleThrottle::UpdateThrottleF9toF12(std::uint8_t bits, Tick /*now*/, int /*which*/) {
    f9to12_ = static_cast<std::uint8_t>(bits & 0x0F);
    SetButtons();
}

void SimpleThrottle::UpdateThrottleF13toF28(int first, std::uint8_t bits, Tick /*now*/) {
    if (first == 13)
        f13to20_ = bits;
    else if (first == 21)
        f21to28_ = bits;
    else
        return;
    SetButtons();
}

int SimpleThrottle::AddressOf(int which) const {
    return which == kWhichLoco && (Driving() || Reselecting()) ? address_ : -1;
}

std::string SimpleThrottle::Title() const {
    if (!Driving() && !Reselecting())
        return "Upravljalnik";
    return text::Format(reselected_ ? "Upravljalnik %d – ponovno izbrana" : "Upravljalnik %d",
                        address_);
}

void SimpleThrottle::SlotLost(Tick now, int /*which*/, bool again, const SlotRecord& before) {
    keptDirf_ = before.DIRF;
    keptSnd_ = before.SND;
    speed_ = 0;
    if (again) {
        // The command station forgot the slot while the port was away: the address is
        // selected again as soon as no other selection runs.
        reselect_ = Reselect::Waiting;
        reselected_ = false;
        bActive = true;
        SetButtons();
        Show(SimpleThrottleShow::kAll);
        return;
    }
    UpdateControls(now, kNoSlot, kWhichLoco);
    prompts_.Inform(text::Format(kSlotTaken, address_), PromptIcon::Warning);
}

void SimpleThrottle::StartReselect() {
    if (loconet_.IsSelectionPending() || loconet_.IsPortDown())
        return;
    reselect_ = Reselect::Selecting;
    loconet_.SelectLoco(registryIndex, address_, kWhichLoco, true);
    // Refused at once (the link has said why): the throttle is left without a locomotive.
    if (reselect_ == Reselect::Selecting && !loconet_.IsSelectionPending()) {
        reselect_ = Reselect::None;
        UpdateControls(0, kNoSlot, kWhichLoco);
    }
}

void SimpleThrottle::Restore(int slot) {
    speed_ = 0;
    loconet_.SetSlotSpeed(slot, 0, true);
    loconet_.SetSlotF0toF4(slot, keptDirf_, forward_, true);
    loconet_.SetSlotF5toF8(slot, keptSnd_, true);
    if (f9to12_ != 0)
        loconet_.SendImmF9toF12(slot, f9to12_);
    if (f13to20_ != 0)
        loconet_.SendImmFunctions(slot, ImmGroup::F13toF20, f13to20_);
    if (f21to28_ != 0)
        loconet_.SendImmFunctions(slot, ImmGroup::F21toF28, f21to28_);
}

void SimpleThrottle::StopForExit() {
    speed_ = 0;
    if (Driving())
        loconet_.SetSlotSpeed(iSlot, 0, true);
    Show(SimpleThrottleShow::kSpeed);
}
