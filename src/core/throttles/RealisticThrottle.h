#pragma once
// The logic of the realistic throttle: a whole train driven through the train model, from
// the window's controls or from two ordinary hand-held throttles whose addresses stand for
// the power handle and the brake handle. It acquires and releases up to four slots (the
// locomotive, a separate sound decoder, the power and the brake hand-held), runs the
// control cycle on every processing step, turns the function keys into decoder functions
// and keeps a sound decoder's level in step with the power. The window only shows the
// state, hands over the operator's input and redraws what it is told.

#include "core/loconet/Throttle.h"
#include "core/roster/DecoderTable.h"
#include "core/throttles/ChoiceList.h"
#include "core/throttles/FunctionOutputs.h"
#include "core/throttles/HandleScale.h"
#include "core/throttles/LocoRecord.h"
#include "core/throttles/SoundLevel.h"
#include "core/throttles/TrainModel.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CLoconet;
struct ProgramSettings;
struct RosterData;

enum class RealisticField { PowerAddress, BrakeAddress, Cars, Load, Grade };

// Parts of the window's controls to show again (bit mask).
namespace RealisticShow {
inline constexpr unsigned kLocoList = 0x001;      // locomotive list entries and choice
inline constexpr unsigned kDescription = 0x002;   // the description line
inline constexpr unsigned kAddresses = 0x004;     // power and brake throttle addresses
inline constexpr unsigned kTrain = 0x008;         // cars and load lists, grade
inline constexpr unsigned kPowerSlider = 0x010;   // position
inline constexpr unsigned kBrakeSlider = 0x020;   // range and position
inline constexpr unsigned kReverser = 0x040;      // "<" ">"
inline constexpr unsigned kBrakeType = 0x080;     // "T" "L"
inline constexpr unsigned kState = 0x100;         // caption and enabled states (Controls)
inline constexpr unsigned kStatusPicture = 0x200; // the engine picture
inline constexpr unsigned kAll = 0x3FF;
} // namespace RealisticShow

// Gauge regions to redraw: the GaugeRegion bits of the train model, and these.
namespace RealisticRedraw {
inline constexpr unsigned kSpeed = 1u << 7;     // speed digits, direction and acceleration marks
inline constexpr unsigned kWheelSlip = 1u << 8; // the wheel-slip lamp
inline constexpr unsigned kAll = 0x1FF;         // the whole window (colours, every gauge)
} // namespace RealisticRedraw

enum class EnginePicture { NoEngine, Stopped, Running, NotHeld };

// Which controls the operator may use, and the caption of the acquire button.
struct RealisticControls {
    const char* caption = "Uporabi";
    bool acquireButton = true;
    bool handles = false;         // both sliders, the reverser and the brake type
    bool functionButtons = false; // F0 to F12
    bool locoChoice = true;       // the locomotive list and "Nova"
    bool editLoco = false;        // "Uredi"
    bool addressesEditable = true;
};

class RealisticThrottleView {
public:
    virtual ~RealisticThrottleView() = default;
    virtual void Show(unsigned parts) = 0;
    // Sets the pushed look of the 13 function buttons from ButtonState.
    virtual void ShowButtons() = 0;
    virtual void Redraw(unsigned regions) = 0;
    virtual void Focus(RealisticField field) = 0;
    // Destroys the window; the window's destruction ends the registry entry.
    virtual void CloseWindow() = 0;
};

class RealisticThrottle : public Throttle {
public:
    static constexpr int kMaxPowerStep = 8;
    static constexpr int kTrainBrakeSliderMax = 99;
    static constexpr int kLocoBrakeSliderMax = 10;
    static constexpr std::uint32_t kStageMs = 500;     // emergency and release stages
    static constexpr std::uint32_t kSpeedSendMs = 500; // between speed commands
    static constexpr std::uint32_t kKeepAliveMs = 60000;
    static constexpr std::uint32_t kBeepPauseMs = 200; // from one beep of a pair to the next
    static constexpr int kLookAheadSteps = 100;        // the longest sleep of a moving train
    static constexpr double kMaxCars = 1000;
    static constexpr double kMaxLoad = 100;
    static constexpr double kMaxGrade = 100;

    RealisticThrottle(CLoconet& link, Clock& clock, Beeper& beeper, Prompts& prompts,
                      const ProgramSettings& settings, RosterData& data);

    void SetView(RealisticThrottleView* view) { view_ = view; }

    // --- operator input -----------------------------------------------------------------
    // "Uporabi" with the texts of the two address edits, or "Sprosti".
    void OnAcquireRelease(const std::string& powerAddress, const std::string& brakeAddress);
    // A slider was let go at `position` (power: 0 at the top = step 8; brake: 0 at the top).
    void OnPowerSliderReleased(int position);
    void OnBrakeSliderReleased(int position);
    void OnReverser(bool forward);
    void OnBrakeType(int brakeType); // kTrainBrake ("T") or kLocoBrake ("L")
    // A locomotive chosen in the list (its roster index).
    void OnLocoChosen(int rosterIndex);
    // The texts of the train fields; a text that is no number in range is refused with a
    // message and the value in use stays. True when taken.
    bool OnCarsEntered(const std::string& text);
    bool OnLoadEntered(const std::string& text);
    bool OnGradeEntered(const std::string& text);
    // "Uredi": the record the locomotive dialog opens on, and the record it accepted.
    Loco LocoForEdit() const;
    void OnLocoEdited(const Loco& record);
    // "Nova": false (with the message) when the roster has no room; then the record the
    // locomotive dialog accepted.
    bool BeginNewLoco();
    void OnLocoAdded(Loco record);

    // --- the throttle base and the link -------------------------------------------------
    void CloseThrottle() override;
    void StopForExit() override;
    void FunctionStateChanged(int function, bool state) override;
    void ReleaseAll() override;
    void UpdateControls(Tick now, int slot, int which) override;
    void SetButtons() override;
    void Idle(Tick now) override;
    void UpdateThrottle(Tick now, int which) override;
    void UpdateThrottleF9toF12(std::uint8_t bits, Tick now, int which) override;

    void EmergencyBreak(bool fromThrottle);
    void CalculateOutFunctions(bool forceAll);
    void SetSoundLevel();

    // 0 while anything moves or waits on time, otherwise the time to the keep-alive.
    std::uint32_t NextIdleDue(Tick now) const override;
    int AddressOf(int which) const override;
    void SlotLost(Tick now, int which, bool again, const SlotRecord& before) override;
    std::string Title() const override;

    // --- state the window shows ---------------------------------------------------------
    const TrainModel& Model() const { return model_; }
    const Loco& CurrentLoco() const { return model_.CurrentLoco(); }
    const SoundDecoderType& DecoderType() const { return decoder_; }
    std::vector<std::string> LocoNames() const;
    int ChosenLoco() const { return chosenLoco_; } // roster index, -1 the built-in one
    const std::string& Description() const { return description_; }
    int PowerAddress() const { return powerAddress_; }
    int BrakeAddress() const { return brakeAddress_; }
    const ChoiceList& CarsList() const { return cars_; }
    const ChoiceList& LoadList() const { return load_; }
    std::string CarsText() const;
    std::string LoadText() const;
    std::string GradeText() const;
    int PowerSliderPosition() const;
    int BrakeSliderMax() const;
    int BrakeSliderPosition() const;
    RealisticControls Controls() const;
    EnginePicture StatusPicture() const;
    bool ButtonState(int function) const { return keys_.Key(function); }
    bool Acquired() const { return phase_ == Phase::Running || phase_ == Phase::Releasing; }
    bool Running() const { return phase_ == Phase::Running; }
    bool Acquiring() const { return phase_ == Phase::Acquiring; }
    // The four addresses are being selected again after the port came back.
    bool Reselecting() const { return reselecting_; }
    // Selected again after the port came back, until the train is released.
    bool Reselected() const { return reselected_; }
    bool Locked() const { return engineFeature_ && !engineRunning_; }
    // The function key that starts and stops the engine; -1 when the locomotive has none.
    int EngineKey() const;
    const FunctionOutputs& Functions() const { return keys_; }
    const SoundLevel& Sound() const { return sound_; }
    int LowestBrakeHandle() const { return lowestBrakeHandle_; }

private:
    enum class Phase { Idle, Acquiring, Running, Releasing };

    // Set-up and locomotive (RealisticThrottle.cpp).
    void LoadLoco(const Loco& loco);
    void TakeRecord(const Loco& loco);
    void SelectNext(int address, int which);
    bool ReadAddress(const std::string& text, RealisticField field, int& address);
    bool AddressesDistinct() const;
    void StartRunning(Tick now);
    void StartReselect();
    void StartRelease();
    void FinishRelease();
    bool TakeTrainValue(const std::string& text, RealisticField field, double low, double high,
                        double& value);
    void StepList(ChoiceList& list, bool cars);

    // Control cycle (RealisticCycle.cpp).
    void PhysicsStep(Tick now);
    bool RunStep(Tick now, Tick fresh); // false when it was not yet time
    void CatchUp(Tick now);
    void LookAhead();
    void BeforeInputChange(Tick now);
    bool WantsEveryStep() const;
    void AfterPhysics(const StepReport& report, Tick now);
    void BrakeHandleMoved();
    void KeepAlive(Tick now);
    void ApplyPowerStep(Tick now);
    void StageTimers(Tick now);
    void PowerThrottleChanged(Tick now);
    void BrakeThrottleChanged(Tick now);
    void SendLocoSpeed(int wire, bool force, Tick now);
    void SwitchBrakeType(int brakeType);

    // Handles and their hand-helds (RealisticHandles.cpp).
    int PowerWire() const;
    int BrakeWire() const;
    int MaxBrakeHandle() const;
    bool ForwardForBrakeThrottle() const;
    void MirrorKeysTo(int slot, bool forward);
    void CopyFunctions(int from, int to, bool forward);

    // Function outputs (RealisticFunctions.cpp).
    void EngineSwitched(bool on);
    void SendWords(int slot, std::uint32_t word, std::uint32_t old, bool forceAll);

    bool TableMode() const;
    int BrakeType() const { return model_.iBrakeType; }
    void Trace(const std::string& line) const;
    void Show(unsigned parts);
    void Redraw(unsigned regions);

    CLoconet& link_;
    Clock& clock_;
    Beeper& beeper_;
    Prompts& prompts_;
    const ProgramSettings& settings_;
    RosterData& data_;
    RealisticThrottleView* view_ = nullptr;

    TrainModel model_;
    SoundDecoderType decoder_;
    FunctionOutputs keys_;
    SoundLevel sound_;

    int chosenLoco_ = -1;
    std::string description_;
    void ChooseFreeHandHelds();

    int powerAddress_ = 1;
    int brakeAddress_ = 2;
    ChoiceList cars_;
    ChoiceList load_;

    Phase phase_ = Phase::Idle;
    int awaiting_ = -1; // the address kind whose selection is under way
    // A slot was lost when the port came back: the addresses are selected again, first
    // waiting until no other selection runs.
    bool reselecting_ = false;
    bool reselectWaiting_ = false;
    bool reselected_ = false;
    bool closeAfterRelease_ = false;
    bool emergencyPending_ = false;
    int lastSentSpeedStep_ = 0;
    int lowestBrakeHandle_ = 0;
    int previousBrakeHandle_ = 0;
    int previousPowerStep_ = 0;
    bool powerChangePending_ = false;
    bool engineFeature_ = false;
    bool engineRunning_ = true;
    std::array<std::uint8_t, 2> f9to12Seen_{FunctionOutputs::kNothingSeen,
                                            FunctionOutputs::kNothingSeen};

    Tick speedSendTick_ = 0;
    Tick locoKeepAliveTick_ = 0;
    Tick handlesKeepAliveTick_ = 0;
    Tick powerChangeTick_ = 0;
    Tick emergencyTick_ = 0;
    Tick releaseTick_ = 0;
    bool secondBeepDue_ = false;
    bool settled_ = false; // the last physics step changed nothing
    // Physics steps ahead that show and send nothing, so the program sleeps through them and
    // runs them when it wakes; valid while lookedAhead_.
    int quietSteps_ = 0;
    bool lookedAhead_ = false;
    Tick firstBeepTick_ = 0;
};
