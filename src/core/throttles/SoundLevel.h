#pragma once
// A realistic throttle's sound decoder level, kept in step with the power step: either
// stepped one level at a time with the decoder's volume keys (a press, and more than
// 200 ms later its release), or set as the speed of a separate sound address.

#include "core/platform.h"

#include <array>
#include <cstdint>
#include <string>

class CLoconet;
struct Loco;
struct SoundDecoderType;

class SoundLevel {
public:
    static constexpr std::uint32_t kKeyGapMs = 200;
    static constexpr int kTopLevel = 9; // the last entry of a sound speed table

    explicit SoundLevel(CLoconet& link) : link_(link) {}

    // Loco load: takes the decoder type's parameters and the locomotive's volume keys and
    // sound speed table. The level is unknown until the locomotive is acquired.
    void Load(const SoundDecoderType& decoder, const Loco& loco);
    // The locomotive has just been acquired.
    void StartAcquired(Tick now);
    // Emergency stop: a decoder with a known level after a reset is taken to be there;
    // a separate stepped decoder gets the emergency stop too.
    void Emergency(int soundSlot);
    // A separate stepped decoder stops with the locomotive (after an emergency stop, or at the
    // end of work).
    void Stop(int soundSlot);
    // SetSoundLevel: the level the power step asks for; a locked engine is silent.
    void Set(int powerStep, bool locked, int soundSlot);
    // One volume key action when one is due (the sound keys of Idle).
    void Step(Tick now, int locoSlot, int soundSlot);
    // A volume key still held is let go (before its slot is given back).
    void LetGo(int locoSlot, int soundSlot);
    // The key tick restarts (the engine was switched off).
    void RestartKeyTick(Tick now) { keyTick_ = now; }
    void TraceLevels() const;

    bool HasSound() const { return type_ > 0; }
    // Stepping is active: levels differ, the level is unknown, or a key is held.
    bool Stepping() const;
    int Desired() const { return desired_; }
    int Actual() const { return actual_; }
    bool Synchronised() const { return synchronised_; }
    bool UpPressed() const { return upPressed_; }
    bool DownPressed() const { return downPressed_; }

private:
    int KeySlot(int locoSlot, int soundSlot) const { return type_ == 2 ? soundSlot : locoSlot; }
    void Trace(const std::string& line) const;

    CLoconet& link_;
    // The decoder type's parameters.
    int type_ = 0;
    int maxLevel_ = 0;
    int levelOffset_ = 0;
    int startLevel_ = -1;
    bool stepped_ = false;
    // The locomotive's volume keys and its level-to-decoder-value table.
    int funcUp_ = 0;
    int funcDown_ = 0;
    std::array<int, 10> table_{};

    int desired_ = 0;
    int actual_ = 0;
    bool upPressed_ = false;
    bool downPressed_ = false;
    bool synchronised_ = false;
    Tick keyTick_ = 0;
};
