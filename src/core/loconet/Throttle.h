#pragma once
// What the link knows of a throttle window. The windows implement it through their
// logic objects; the link holds them in its registry and calls them on every processing
// step and whenever one of their slots changes on the bus.

#include "core/loconet/SlotRecord.h"
#include "core/platform.h"

#include <cstdint>
#include <functional>
#include <string>

// A deadline that never comes: nothing waits on time.
inline constexpr std::uint32_t kNoDeadline = 0xFFFFFFFFu;

enum class ThrottleType { Simple = 0, Realistic = 1 };

// Which of a throttle's addresses a slot or a selection belongs to.
enum ThrottleWhich : int {
    kWhichLoco = 0,  // the locomotive's motor decoder
    kWhichSound = 1, // separate sound decoder
    kWhichPower = 2, // hand-held throttle standing for the power handle
    kWhichBrake = 3, // hand-held throttle standing for the brake handle
};

class Throttle {
public:
    explicit Throttle(ThrottleType kind) : type(kind) {}
    virtual ~Throttle() = default;
    Throttle(const Throttle&) = delete;
    Throttle& operator=(const Throttle&) = delete;

    // The five operations of the throttle base, in this order.
    virtual void CloseThrottle() = 0;
    virtual void FunctionStateChanged(int function, bool state) = 0;
    // A selection failed: give back every slot the throttle holds.
    virtual void ReleaseAll() = 0;
    // A selection finished: `slot` now belongs to the address `which`.
    virtual void UpdateControls(Tick now, int slot, int which) = 0;
    virtual void SetButtons() = 0;

    // The periodic call of every processing step, made while `bActive` is set.
    virtual void Idle(Tick now) = 0;
    // One of the throttle's slots changed on the bus; `which` tells which one (a simple
    // throttle has only its locomotive slot and always gets 0).
    virtual void UpdateThrottle(Tick now, int which) = 0;
    // Another station switched F9 to F12 (F9 = 0x01 ... F12 = 0x08) of one of its slots.
    virtual void UpdateThrottleF9toF12(std::uint8_t bits, Tick now, int which) = 0;
    // Another station switched F13 to F20 (`first` 13) or F21 to F28 (`first` 21) of the
    // throttle's locomotive slot; bit 0 is the first function. Only throttles that show
    // these functions take it.
    virtual void UpdateThrottleF13toF28(int first, std::uint8_t bits, Tick now) {
        (void)first;
        (void)bits;
        (void)now;
    }
    // Milliseconds until the throttle next needs its Idle call, so that the heartbeat can
    // sleep in between: 0 while something waits on time (a timed stage, a moving train),
    // kNoDeadline while nothing does. A throttle that cannot tell is stepped all the time.
    virtual std::uint32_t NextIdleDue(Tick now) const {
        (void)now;
        return 0;
    }

    // The address the throttle holds or listens to as `which`; -1 for none.
    virtual int AddressOf(int which) const {
        (void)which;
        return -1;
    }
    // The slot of `which` no longer holds its address in use (`before` is what the throttle
    // last knew of it). `again`: the data answers the read after the port came back, so the
    // address may be selected again; otherwise another station took or freed the slot.
    // The link has already forgotten the slot for this throttle: it sends nothing more to it.
    virtual void SlotLost(Tick now, int which, bool again, const SlotRecord& before) {
        (void)now;
        (void)which;
        (void)again;
        (void)before;
    }
    // The window's title, which names the throttle in messages.
    virtual std::string Title() const { return "Upravljalnik"; }
    // The program ends: the locomotive is brought to speed 0 before the slot is released.
    virtual void StopForExit() {}
    // The link's refusal of the throttle's own selection, or (`inUse`) the word that another
    // station has the address in use. A throttle whose operator is not at this computer (a
    // phone) answers it itself and returns true; otherwise the operator sees it in a box.
    virtual bool TakeRefusal(const std::string& text, bool inUse) {
        (void)text;
        (void)inUse;
        return false;
    }

    // The slot held as `which` (a simple throttle holds only its locomotive's).
    int& SlotFor(int which) {
        return which == kWhichSound   ? iSoundSlot
               : which == kWhichPower ? iPowerSlot
               : which == kWhichBrake ? iBrakeSlot
                                      : iSlot;
    }
    int SlotFor(int which) const { return const_cast<Throttle*>(this)->SlotFor(which); }
    // The roles a throttle of this type has.
    int Roles() const { return type == ThrottleType::Realistic ? 4 : 1; }

    const ThrottleType type;
    int registryIndex = -1;
    int iSlot = kNoSlot;
    // Realistic throttle only.
    int iSoundSlot = kNoSlot;
    int iPowerSlot = kNoSlot;
    int iBrakeSlot = kNoSlot;
    bool bActive = false;
};

// The GUI registers how a throttle window is made and disposed of; the core creates no
// windows itself. `create` returns the new throttle (the link keeps it in the registry
// entry `registryIndex`) or nullptr. `destroy` is called for every registered throttle
// when the link is destroyed; it must end with RemoveThrottle.
struct ThrottleFactory {
    std::function<Throttle*(ThrottleType type, int registryIndex)> create;
    std::function<void(Throttle* throttle)> destroy;
};
