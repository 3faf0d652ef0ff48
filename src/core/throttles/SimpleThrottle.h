#pragma once
// The logic of the simple throttle: one locomotive by its decoder address, a speed in
// percent, a direction and the functions F0 to F28. It holds the state and decides what
// goes to the link; the window only shows the state, hands over the operator's input and
// redraws what it is told.

#include "core/loconet/Throttle.h"
#include "core/platform.h"

#include <array>
#include <cstdint>
#include <string>

class CLoconet;

// What the operator has typed and chosen, as the window's controls hold it.
struct SimpleThrottleEntries {
    std::string address;
    std::string speed;
    bool forward = true;
};

enum class SimpleThrottleField { Address, Speed };

// Parts of the window to redraw (bit mask).
namespace SimpleThrottleShow {
inline constexpr unsigned kAddress = 0x01;   // address edit text
inline constexpr unsigned kSpeed = 0x02;     // speed edit text and slider (at 99 - speed)
inline constexpr unsigned kDirection = 0x04; // direction radio buttons
inline constexpr unsigned kState = 0x08;     // set/release caption, read-only edits
inline constexpr unsigned kAll = 0x0F;
} // namespace SimpleThrottleShow

class SimpleThrottleView {
public:
    virtual ~SimpleThrottleView() = default;
    virtual SimpleThrottleEntries ReadEntries() const = 0;
    virtual void Show(unsigned parts) = 0;
    // Sets the pushed look of the function buttons (F0 to F28) from ButtonState.
    virtual void ShowButtons() = 0;
    virtual void Focus(SimpleThrottleField field, bool selectAll) = 0;
    // Destroys the window; the window's destruction releases the slot and the registry entry.
    virtual void CloseWindow() = 0;
};

class SimpleThrottle : public Throttle {
public:
    static constexpr int kMaxSpeed = 99;
    // F0 to F12 in the first rows, F13 to F28 in the row shown on demand.
    static constexpr int kFunctionCount = 13;
    static constexpr int kAllFunctionCount = 29;
    static constexpr std::uint32_t kRefreshMs = 60000;

    SimpleThrottle(CLoconet& loconet, Clock& clock, Prompts& prompts);

    void SetView(SimpleThrottleView* view) { view_ = view; }

    // --- operator input -----------------------------------------------------------------
    void OnSetRelease();
    void OnEnter();
    // The speed slider was let go at `position` (0 at the top = 99 %).
    void OnSliderReleased(int position);
    void OnDirectionClicked();
    void OnEmergencyStop();

    // --- the throttle base --------------------------------------------------------------
    void CloseThrottle() override;
    void FunctionStateChanged(int function, bool state) override;
    void ReleaseAll() override;
    void UpdateControls(Tick now, int slot, int which) override;
    void SetButtons() override;
    void Idle(Tick now) override;
    void UpdateThrottle(Tick now, int which) override;
    void UpdateThrottleF9toF12(std::uint8_t bits, Tick now, int which) override;
    void UpdateThrottleF13toF28(int first, std::uint8_t bits, Tick now) override;
    std::uint32_t NextIdleDue(Tick now) const override;
    int AddressOf(int which) const override;
    void SlotLost(Tick now, int which, bool again, const SlotRecord& before) override;
    std::string Title() const override;
    void StopForExit() override;

    // --- state the window shows ---------------------------------------------------------
    int Address() const { return address_; }
    int Speed() const { return speed_; }
    int SliderPosition() const { return kMaxSpeed - speed_; }
    bool Forward() const { return forward_; }
    bool Driving() const { return IsSlotNumber(iSlot); }
    // The slot was lost when the port came back and the address is being selected again.
    bool Reselecting() const { return reselect_ != Reselect::None; }
    // Selected again after the port came back, until the operator next drives.
    bool Reselected() const { return reselected_; }
    const char* Caption() const { return caption_; }
    bool ButtonState(int function) const;
    std::uint8_t F9toF12() const { return f9to12_; }
    std::uint8_t F13toF20() const { return f13to20_; }
    std::uint8_t F21toF28() const { return f21to28_; }
    Tick LastSpeedTick() const { return lastSpeedTick_; }

private:
    // Reads and checks the entries in the order address, speed, direction. A field that
    // fails gets the message and the focus; it and the fields after it keep their values.
    bool ReadControls();
    bool ReadField(const std::string& text, int high, SimpleThrottleField field, int& value);
    void SetSpeed(int percent);
    void Select();
    void Show(unsigned parts);
    // Speed, direction and buttons from the slot; the parts that changed are shown again,
    // and `always` too.
    void ShowSlot(unsigned always = 0);
    void StartReselect();
    // The new slot gets speed 0 and the direction and functions the locomotive had.
    void Restore(int slot);

    enum class Reselect { None, Waiting, Selecting };

    CLoconet& loconet_;
    Clock& clock_;
    Prompts& prompts_;
    SimpleThrottleView* view_ = nullptr;

    int address_ = 0;
    int speed_ = 0;
    bool forward_ = true;
    std::uint8_t f9to12_ = 0;
    std::uint8_t f13to20_ = 0;
    std::uint8_t f21to28_ = 0;
    Tick lastSpeedTick_ = 0;
    const char* caption_ = "Nastavi";
    Reselect reselect_ = Reselect::None;
    bool reselected_ = false;
    // Direction and F0 to F8 of the slot that was lost, for the one selected again.
    std::uint8_t keptDirf_ = 0;
    std::uint8_t keptSnd_ = 0;
};
