// The realistic throttle's set-up, its locomotive, acquiring the four slots and releasing
// them.

#include "core/throttles/RealisticThrottle.h"

#include "core/loconet/Loconet.h"
#include "core/roster/RosterData.h"
#include "core/settings/Settings.h"
#include "core/throttles/LocoRecord.h"
#include "core/util/Fields.h"
#include "core/util/Text.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kCaptionAcquire = "Uporabi";
constexpr const char* kCaptionRelease = "Sprosti";
constexpr const char* kAddressesClash =
    "Naslovi lokomotive, zvočnega dekoderja ter upravljalnikov moči in zavor morajo biti "
    "različni!";
constexpr const char* kSlotTaken =
    "%s %d: druga naprava na vodilu je sprostila ali prevzela njegovo mesto v centrali. Vlak je "
    "ustavljen, upravljalnik je sproščen.";
constexpr const char* kRosterFull = "Doseženo je maksimalno število lokomotiv!";

std::string FormatValue(double value) {
    return fields::FormatNumber(value);
}

} // namespace

RealisticThrottle::RealisticThrottle(CLoconet& link, Clock& clock, Beeper& beeper, Prompts& prompts,
                                     const ProgramSettings& settings, RosterData& data)
    : Throttle(ThrottleType::Realistic), link_(link), clock_(clock), beeper_(beeper),
      prompts_(prompts), settings_(settings), data_(data), model_(settings.settings), sound_(link) {
    cars_ = ChoiceList::FromSetting(settings.settings.NumberOfCarsTable, 0, kMaxCars);
    load_ = ChoiceList::FromSetting(settings.settings.CarsWeightPercentTable, 0, kMaxLoad);
    model_.iCars = static_cast<unsigned>(cars_.Value().value_or(0));
    model_.dLoadPercent = load_.Value().value_or(0);
    if (data_.roster.count > 0) {
        chosenLoco_ = 0;
        LoadLoco(data_.roster.locos[0]);
    } else {
        LoadLoco(BuiltInLoco());
    }
    ChooseFreeHandHelds();
}

void RealisticThrottle::ChooseFreeHandHelds() {
    // A second train must not be worked by the first one's hand-helds, nor take a
    // locomotive's own address for one: the first pair (1 and 2, 3 and 4, ...) that no other
    // realistic throttle and no locomotive of the roster uses is offered.
    std::vector<int> taken{BuiltInLoco().MotorAddr};
    for (int i = 0; i < data_.roster.count; ++i) {
        const Loco& loco = data_.roster.locos[static_cast<std::size_t>(i)];
        taken.insert(taken.end(), {loco.MotorAddr, loco.SoundAddr});
    }
    for (int i = 0; i < CLoconet::kRegistrySize; ++i)
        if (const Throttle* t = link_.GetThrottle(i);
            t && t != this && t->type == ThrottleType::Realistic) {
            const auto* other = static_cast<const RealisticThrottle*>(t);
            taken.insert(taken.end(), {other->powerAddress_, other->brakeAddress_});
        }
    const auto free = [&](int address) {
        return std::find(taken.begin(), taken.end(), address) == taken.end();
    };
    for (int power = 1; power < CLoconet::kMaxLocoAddress; power += 2)
        if (free(power) && free(power + 1)) {
            powerAddress_ = power;
            brakeAddress_ = power + 1;
            return;
        }
}

// --- small helpers -------------------------------------------------------------------------

void RealisticThrottle::Trace(const std::string& line) const {
    if (link_.DebugMode())
        link_.LogToMonitor(line);
}

void RealisticThrottle::Show(unsigned parts) {
    if (view_)
        view_->Show(parts);
}

void RealisticThrottle::Redraw(unsigned regions) {
    if (view_ && regions != 0)
        view_->Redraw(regions);
}

bool RealisticThrottle::TableMode() const {
    return settings_.settings.PowerThrottleMode == 1;
}

std::vector<std::string> RealisticThrottle::LocoNames() const {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(data_.roster.count));
    for (int i = 0; i < data_.roster.count; ++i)
        names.push_back(data_.roster.locos[static_cast<std::size_t>(i)].Descr);
    return names;
}

std::string RealisticThrottle::CarsText() const {
    return FormatValue(model_.iCars);
}

std::string RealisticThrottle::LoadText() const {
    return FormatValue(model_.dLoadPercent);
}

std::string RealisticThrottle::GradeText() const {
    return FormatValue(model_.dGradePercent);
}

RealisticControls RealisticThrottle::Controls() const {
    RealisticControls c;
    const bool idle = phase_ == Phase::Idle;
    c.caption = Acquired() ? kCaptionRelease : kCaptionAcquire;
    c.acquireButton = idle || phase_ == Phase::Running;
    c.handles = phase_ == Phase::Running && !Locked();
    c.functionButtons = phase_ == Phase::Running;
    c.locoChoice = idle;
    c.editLoco = idle && chosenLoco_ >= 0;
    c.addressesEditable = idle;
    return c;
}

EnginePicture RealisticThrottle::StatusPicture() const {
    if (!engineFeature_)
        return EnginePicture::NoEngine;
    if (phase_ != Phase::Running)
        return EnginePicture::NotHeld;
    return engineRunning_ ? EnginePicture::Running : EnginePicture::Stopped;
}

// --- the locomotive ------------------------------------------------------------------------

void RealisticThrottle::TakeRecord(const Loco& loco) {
    decoder_ = DecoderTypeOf(loco, data_.decoders);
    description_ = LocoDescription(loco, decoder_);
    engineFeature_ = FunctionOutputs::EngineFeature(loco, data_.functions);
    const int engine = FunctionOutputs::EngineId(data_.functions);
    engineRunning_ = !engineFeature_ || (keys_.iFunctionOutputs & (1u << engine)) != 0;
}

void RealisticThrottle::LoadLoco(const Loco& loco) {
    TakeRecord(loco);
    model_.LoadLoco(loco);
    sound_.Load(decoder_, loco);
    keys_.LoadInitialKeys(loco, data_.functions);
    lastSentSpeedStep_ = 0;
    previousPowerStep_ = 0;
    powerChangePending_ = false;
    lowestBrakeHandle_ = previousBrakeHandle_ = model_.iBrakeHandle;
    SetButtons();
    Show(RealisticShow::kAll);
    Redraw(RealisticRedraw::kAll);
}

void RealisticThrottle::OnLocoChosen(int rosterIndex) {
    if (phase_ != Phase::Idle || rosterIndex < 0 || rosterIndex >= data_.roster.count) {
        Show(RealisticShow::kLocoList);
        return;
    }
    chosenLoco_ = rosterIndex;
    LoadLoco(data_.roster.locos[static_cast<std::size_t>(rosterIndex)]);
}

Loco RealisticThrottle::LocoForEdit() const {
    if (chosenLoco_ < 0 || chosenLoco_ >= data_.roster.count)
        return CurrentLoco();
    return WithDecoderDefaults(data_.roster.locos[static_cast<std::size_t>(chosenLoco_)],
                               data_.decoders);
}

void RealisticThrottle::OnLocoEdited(const Loco& record) {
    if (phase_ != Phase::Idle || chosenLoco_ < 0 || chosenLoco_ >= data_.roster.count)
        return;
    data_.roster.locos[static_cast<std::size_t>(chosenLoco_)] = record;
    data_.RosterModified = true;
    // The train keeps its state; the new data counts from the next step.
    TakeRecord(record);
    model_.TakeLoco(record);
    sound_.Load(decoder_, record);
    Show(RealisticShow::kLocoList | RealisticShow::kDescription | RealisticShow::kStatusPicture |
         RealisticShow::kState);
}

bool RealisticThrottle::BeginNewLoco() {
    if (phase_ != Phase::Idle)
        return false;
    if (data_.roster.count >= Roster::kCapacity) {
        prompts_.Inform(kRosterFull, PromptIcon::Warning);
        return false;
    }
    return true;
}

void RealisticThrottle::OnLocoAdded(Loco record) {
    if (!BeginNewLoco())
        return;
    record.Id = FreeLocoId(data_.roster);
    data_.roster.locos[static_cast<std::size_t>(data_.roster.count)] = record;
    ++data_.roster.count;
    data_.RosterModified = true;
    chosenLoco_ = data_.roster.count - 1;
    LoadLoco(record);
}

// --- the train fields ----------------------------------------------------------------------

bool RealisticThrottle::TakeTrainValue(const std::string& text, RealisticField field, double low,
                                       double high, double& value) {
    std::string message;
    if (field == RealisticField::Cars) {
        int cars = 0;
        message = fields::ReadInt(text, static_cast<int>(low), static_cast<int>(high), cars);
        value = cars;
    } else {
        message = fields::ReadNumber(text, low, high, value);
    }
    if (message.empty())
        return true;
    prompts_.Inform(message, PromptIcon::Warning);
    Show(RealisticShow::kTrain);
    if (view_)
        view_->Focus(field);
    return false;
}

bool RealisticThrottle::OnCarsEntered(const std::string& text) {
    double value = 0;
    if (!TakeTrainValue(text, RealisticField::Cars, 0, kMaxCars, value))
        return false;
    BeforeInputChange(clock_.Now());
    model_.iCars = static_cast<unsigned>(value);
    cars_.Match(value);
    return true;
}

bool RealisticThrottle::OnLoadEntered(const std::string& text) {
    double value = 0;
    if (!TakeTrainValue(text, RealisticField::Load, 0, kMaxLoad, value))
        return false;
    BeforeInputChange(clock_.Now());
    model_.dLoadPercent = value;
    load_.Match(value);
    return true;
}

bool RealisticThrottle::OnGradeEntered(const std::string& text) {
    double value = 0;
    if (!TakeTrainValue(text, RealisticField::Grade, -kMaxGrade, kMaxGrade, value))
        return false;
    BeforeInputChange(clock_.Now());
    model_.dGradePercent = value;
    return true;
}

void RealisticThrottle::StepList(ChoiceList& list, bool cars) {
    if (list.Next())
        beeper_.Tone(500, 100);
    const double value = list.Value().value_or(0);
    BeforeInputChange(clock_.Now());
    if (cars)
        model_.iCars = static_cast<unsigned>(value);
    else
        model_.dLoadPercent = value;
    Show(RealisticShow::kTrain);
}

// --- acquiring -----------------------------------------------------------------------------

bool RealisticThrottle::ReadAddress(const std::string& text, RealisticField field, int& address) {
    const std::string message = fields::ReadInt(text, 0, CLoconet::kMaxLocoAddress, address);
    if (message.empty())
        return true;
    prompts_.Inform(message, PromptIcon::Warning);
    if (view_)
        view_->Focus(field);
    return false;
}

bool RealisticThrottle::AddressesDistinct() const {
    const Loco& loco = CurrentLoco();
    std::vector<int> used{loco.MotorAddr, powerAddress_, brakeAddress_};
    if (decoder_.Type == 2)
        used.push_back(loco.SoundAddr);
    std::sort(used.begin(), used.end());
    return std::adjacent_find(used.begin(), used.end()) == used.end();
}

void RealisticThrottle::OnAcquireRelease(const std::string& powerAddress,
                                         const std::string& brakeAddress) {
    if (phase_ == Phase::Running) {
        StartRelease();
        return;
    }
    if (phase_ != Phase::Idle)
        return;
    int power = powerAddress_;
    int brake = brakeAddress_;
    if (!ReadAddress(powerAddress, RealisticField::PowerAddress, power) ||
        !ReadAddress(brakeAddress, RealisticField::BrakeAddress, brake))
        return;
    powerAddress_ = power;
    brakeAddress_ = brake;
    // One slot cannot be two handles: what the program sends one would move the other.
    if (!AddressesDistinct()) {
        prompts_.Inform(kAddressesClash, PromptIcon::Warning);
        if (view_)
            view_->Focus(RealisticField::PowerAddress);
        return;
    }
    phase_ = Phase::Acquiring;
    Show(RealisticShow::kState | RealisticShow::kAddresses);
    SelectNext(CurrentLoco().MotorAddr, kWhichLoco);
}

void RealisticThrottle::SelectNext(int address, int which) {
    awaiting_ = which;
    link_.SelectLoco(registryIndex, address, which, reselecting_);
    // Refused at once (another selection under way, a bad address): nothing stays held.
    if (phase_ == Phase::Acquiring && awaiting_ == which && !link_.IsSelectionPending())
        ReleaseAll();
}

void RealisticThrottle::UpdateControls(Tick now, int slot, int which) {
    if (!IsSlotNumber(slot))
        return;
    if (phase_ != Phase::Acquiring || which != awaiting_) {
        // Not asked for (any more): the slot just taken into use goes back.
        link_.ReturnUnwanted(slot, this);
        return;
    }
    awaiting_ = -1;
    switch (which) {
    case kWhichLoco:
        iSlot = slot;
        link_.SetSlotSpeed(iSlot, 0, true);
        if (decoder_.Type == 2)
            SelectNext(CurrentLoco().SoundAddr, kWhichSound);
        else
            SelectNext(powerAddress_, kWhichPower);
        break;
    case kWhichSound:
        iSoundSlot = slot;
        link_.SetSlotSpeed(iSoundSlot, 0, true);
        SelectNext(powerAddress_, kWhichPower);
        break;
    case kWhichPower:
        iPowerSlot = slot;
        SelectNext(brakeAddress_, kWhichBrake);
        break;
    case kWhichBrake:
        iBrakeSlot = slot;
        StartRunning(now);
        break;
    default:
        break;
    }
}

void RealisticThrottle::StartRunning(Tick now) {
    model_.StartTicks(now);
    speedSendTick_ = locoKeepAliveTick_ = handlesKeepAliveTick_ = powerChangeTick_ = now;
    sound_.StartAcquired(now);
    MirrorKeysTo(iPowerSlot, model_.iDirection == kForwards);
    MirrorKeysTo(iBrakeSlot, ForwardForBrakeThrottle());
    phase_ = Phase::Running;
    bActive = true;
    closeAfterRelease_ = false;
    reselected_ = reselecting_;
    reselecting_ = false;
    EmergencyBreak(false);
    CalculateOutFunctions(true);
    Show(RealisticShow::kAll);
    Redraw(RealisticRedraw::kAll);
}

// --- releasing -----------------------------------------------------------------------------

void RealisticThrottle::StartRelease() {
    // The end of work is no emergency: speed 0 lets the decoder slow down as it is set to,
    // and the hand-helds' slots go back as they stand.
    const Tick now = clock_.Now();
    BeforeInputChange(now);
    SendLocoSpeed(0, true, now);
    sound_.Stop(iSoundSlot);
    model_.Stop();
    previousPowerStep_ = lastSentSpeedStep_ = 0;
    emergencyPending_ = false;
    f9to12Seen_.fill(FunctionOutputs::kNothingSeen);
    powerChangePending_ = false;
    phase_ = Phase::Releasing;
    releaseTick_ = now;
    Show(RealisticShow::kState | RealisticShow::kStatusPicture);
    Redraw(RealisticRedraw::kAll);
    // Without a link no step comes to finish it; nothing more can reach the bus anyway.
    if (!link_.IsActive())
        FinishRelease();
}

void RealisticThrottle::FinishRelease() {
    ReleaseAll();
    if (closeAfterRelease_ && view_)
        view_->CloseWindow();
}

void RealisticThrottle::ReleaseAll() {
    sound_.LetGo(iSlot, iSoundSlot);
    for (int* slot : {&iSlot, &iSoundSlot, &iPowerSlot, &iBrakeSlot}) {
        if (IsSlotNumber(*slot))
            link_.ReleaseLoco(*slot, this);
        *slot = kNoSlot;
    }
    quietSteps_ = 0;
    lookedAhead_ = false;
    const bool wasIdle = phase_ == Phase::Idle;
    phase_ = Phase::Idle;
    awaiting_ = -1;
    reselecting_ = reselectWaiting_ = reselected_ = false;
    bActive = false;
    emergencyPending_ = false;
    secondBeepDue_ = false;
    f9to12Seen_.fill(FunctionOutputs::kNothingSeen);
    if (!wasIdle) {
        Show(RealisticShow::kState | RealisticShow::kStatusPicture);
        Redraw(RealisticRedraw::kAll);
    }
}

void RealisticThrottle::StopForExit() {
    if (phase_ == Phase::Running)
        StartRelease();
}

void RealisticThrottle::CloseThrottle() {
    if (!Acquired()) {
        if (view_)
            view_->CloseWindow();
        return;
    }
    closeAfterRelease_ = true;
    if (phase_ == Phase::Running)
        StartRelease();
    else if (!link_.IsActive())
        FinishRelease();
}

// --- a slot lost on the bus ----------------------------------------------------------------

int RealisticThrottle::AddressOf(int which) const {
    if (phase_ == Phase::Idle)
        return -1;
    switch (which) {
    case kWhichLoco:
        return CurrentLoco().MotorAddr;
    case kWhichSound:
        return decoder_.Type == 2 ? CurrentLoco().SoundAddr : -1;
    case kWhichPower:
        return powerAddress_;
    case kWhichBrake:
        return brakeAddress_;
    default:
        return -1;
    }
}

std::string RealisticThrottle::Title() const {
    if (phase_ == Phase::Idle || (phase_ == Phase::Acquiring && !reselecting_))
        return "Upravljalnik";
    return text::Format(reselected_ ? "Upravljalnik %d – ponovno izbrana" : "Upravljalnik %d",
                        CurrentLoco().MotorAddr);
}

void RealisticThrottle::SlotLost(Tick /*now*/, int which, bool again,
                                 const SlotRecord& /*before*/) {
    // Releasing, the slot simply is not given back; selecting again, the chain takes it.
    if (phase_ == Phase::Releasing || phase_ == Phase::Idle || reselecting_)
        return;
    if (again && phase_ == Phase::Running) {
        // The train stands while its addresses are selected again; the model, direction
        // and keys stay as they are and go out once all four are back.
        phase_ = Phase::Acquiring;
        reselecting_ = reselectWaiting_ = true;
        reselected_ = false;
        Show(RealisticShow::kState | RealisticShow::kStatusPicture);
        Redraw(RealisticRedraw::kAll);
        return;
    }
    // Another station took or freed the slot: the rest of the train stops and is given back.
    const int address = AddressOf(which);
    if (phase_ == Phase::Running)
        EmergencyBreak(false);
    ReleaseAll();
    prompts_.Inform(text::Format(kSlotTaken, CLoconet::WhichName(which), address),
                    PromptIcon::Warning);
}

void RealisticThrottle::StartReselect() {
    if (link_.IsSelectionPending() || link_.IsPortDown())
        return;
    reselectWaiting_ = false;
    SelectNext(CurrentLoco().MotorAddr, kWhichLoco);
}
