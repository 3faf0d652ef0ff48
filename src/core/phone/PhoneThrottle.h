#pragma once
// One locomotive on a phone's throttle: a throttle of the registry like a window's. It
// selects its address through the link (or joins the slot of the program's own throttle
// that drives it), turns the phone's commands into slot commands, and tells the phone what
// the locomotive does, whoever drives it.

#include "core/loconet/Throttle.h"
#include "core/platform.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CLoconet;
class PhoneServer;

class PhoneThrottle : public Throttle {
public:
    // `throttleKey` is the phone's throttle ('0' to '6' of a multi-throttle, 'T' or 'S' of
    // the older commands), `key` the locomotive's key on it ("S3").
    PhoneThrottle(PhoneServer& server, CLoconet& link, Clock& clock, int client, char throttleKey,
                  std::string key, int address);

    // Takes the slot of the program's throttle that already drives the address, or waits
    // for the link to select it.
    void Start();
    // One command of the phone for this locomotive ("V30", "R0", "F112", "X", ...).
    void Command(std::string_view command);
    // The phone lets the locomotive go: the slot goes back unless another of the program's
    // throttles shares it. `stop` first brings it to an emergency stop (unshared only).
    void Release(bool stop);
    // The phone dispatches the locomotive: stopped and put into the command station's
    // dispatch slot for a hand-held to take; shared with another throttle, only let go.
    void Dispatch();
    // Function names for the phone, F0 first.
    void SetLabels(const std::array<std::string, 29>& labels) { labels_ = labels; }

    char ThrottleKey() const { return throttleKey_; }
    const std::string& Key() const { return key_; }
    int Client() const { return client_; }
    // Out of the registry: the server lets it go at its next chance.
    bool Closed() const { return closed_; }
    bool Driving() const { return IsSlotNumber(iSlot); }

    // --- the throttle base --------------------------------------------------------------
    void CloseThrottle() override;
    void FunctionStateChanged(int function, bool state) override;
    void ReleaseAll() override;
    void UpdateControls(Tick now, int slot, int which) override;
    void SetButtons() override {}
    void Idle(Tick now) override;
    void UpdateThrottle(Tick now, int which) override;
    void UpdateThrottleF9toF12(std::uint8_t bits, Tick now, int which) override;
    void UpdateThrottleF13toF28(int first, std::uint8_t bits, Tick now) override;
    std::uint32_t NextIdleDue(Tick now) const override;
    int AddressOf(int which) const override;
    void SlotLost(Tick now, int which, bool again, const SlotRecord& before) override;
    std::string Title() const override;
    void StopForExit() override;
    bool TakeRefusal(const std::string& text, bool inUse) override;

private:
    struct Shown {
        int speed = 0;
        bool forward = true;
        std::uint32_t functions = 0; // bit n: Fn
    };
    // Takes the slot of the program's throttle that holds the address; false when none does.
    bool JoinHeld();
    Shown Current() const;
    // Sends the phone what changed since it was last told (everything when `all`).
    void Report(bool all);
    void Send(const std::string& what);
    void Acquired(int slot);
    // Gone from the phone with a word why (none when empty), and from the registry.
    void Drop(const std::string& why);
    void SetFunction(int function, bool on);
    void OnFunctionKey(std::string_view arg, bool forced);
    // What the slot command changed goes to the program's other throttles on the slot.
    void Told(const SlotRecord& before);
    void StopForSilence(Tick now);

    PhoneServer& server_;
    CLoconet& link_;
    Clock& clock_;
    const int client_;
    const char throttleKey_;
    const std::string key_;
    const int address_;
    std::array<std::string, 29> labels_{};

    bool waiting_ = false;   // for the link's selection to be free
    bool selecting_ = false; // the link selects the address
    bool closed_ = false;
    bool inUse_ = false;                // the selection found the address in use elsewhere
    std::uint32_t momentary_ = 1u << 2; // F2 (the horn) only while pressed
    std::optional<Shown> shown_;
    // The last word heard from the phone when its silence stopped the locomotive.
    std::optional<Tick> stoppedFor_;
};
