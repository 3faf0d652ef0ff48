#include "core/throttles/SoundLevel.h"

#include "core/loconet/Loconet.h"
#include "core/roster/DecoderTable.h"
#include "core/roster/Loco.h"
#include "core/util/Text.h"

#include <algorithm>

namespace {
constexpr int kUnknownLevel = 10; // above any level: stepping down reaches the bottom
} // namespace

void SoundLevel::Trace(const std::string& line) const {
    if (link_.DebugMode())
        link_.LogToMonitor(line);
}

void SoundLevel::Load(const SoundDecoderType& decoder, const Loco& loco) {
    type_ = std::max(decoder.Type, 0);
    // The level indexes the ten entries of the sound speed table.
    maxLevel_ = std::clamp(decoder.MaxLevel, 0, kTopLevel);
    levelOffset_ = decoder.LevelOffset;
    startLevel_ = decoder.StartLevel < 0 ? -1 : std::min(decoder.StartLevel, maxLevel_);
    stepped_ = decoder.FuncStepped != 0;
    funcUp_ = loco.FuncUp;
    funcDown_ = loco.FuncDown;
    table_ = loco.SoundSpeedTable;
    actual_ = kUnknownLevel;
    synchronised_ = false;
    upPressed_ = downPressed_ = true;
}

void SoundLevel::StartAcquired(Tick now) {
    desired_ = 0;
    if (stepped_ && startLevel_ >= 0) {
        actual_ = startLevel_;
        synchronised_ = true;
    } else {
        actual_ = maxLevel_;
        synchronised_ = !stepped_;
    }
    // Both keys may have been left pressed: the first two key actions release them.
    upPressed_ = downPressed_ = true;
    keyTick_ = now;
}

void SoundLevel::Emergency(int soundSlot) {
    if (type_ == 1 && startLevel_ >= 0) {
        actual_ = startLevel_;
    } else if (type_ == 2 && stepped_ && startLevel_ >= 0) {
        actual_ = startLevel_;
        link_.SetSlotSpeed(soundSlot, slotbits::kSpeedEmergency, false);
    }
    TraceLevels();
}

void SoundLevel::Stop(int soundSlot) {
    if (type_ == 2 && stepped_ && startLevel_ >= 0)
        link_.SetSlotSpeed(soundSlot, 0, false);
}

void SoundLevel::TraceLevels() const {
    Trace(text::Format("Desired Sound Level = %d, Actual Sound Level = %d", desired_, actual_));
}

void SoundLevel::Set(int powerStep, bool locked, int soundSlot) {
    if (type_ == 0)
        return;
    desired_ = std::clamp(powerStep + levelOffset_, 0, maxLevel_);
    if (type_ == 1 || stepped_) {
        if (locked)
            desired_ = 0;
        Trace(text::Format("Desired Sound Level changed to %d", desired_));
        return;
    }
    const int value = table_[static_cast<std::size_t>(desired_)];
    Trace(text::Format("Sound Level set to %d (Decoder level = %d)", desired_, value));
    if (locked) {
        actual_ = desired_ = 0;
        link_.SetSlotSpeed(soundSlot, slotbits::kSpeedEmergency, false);
        return;
    }
    actual_ = desired_;
    // A table value goes on the wire as a speed: one more than itself, 0 staying 0.
    link_.SetSlotSpeed(soundSlot, value <= 0 ? 0 : std::min(value + 1, 127), false);
}

bool SoundLevel::Stepping() const {
    return stepped_ && (desired_ != actual_ || !synchronised_ || upPressed_ || downPressed_);
}

void SoundLevel::LetGo(int locoSlot, int soundSlot) {
    const int slot = KeySlot(locoSlot, soundSlot);
    if (upPressed_)
        link_.SetSlotF0toF08(slot, funcUp_, false);
    if (downPressed_)
        link_.SetSlotF0toF08(slot, funcDown_, false);
    upPressed_ = downPressed_ = false;
}

void SoundLevel::Step(Tick now, int locoSlot, int soundSlot) {
    if (!Stepping() || TicksSince(now, keyTick_) <= kKeyGapMs)
        return;
    const int slot = KeySlot(locoSlot, soundSlot);
    keyTick_ = now;
    if (upPressed_) {
        Trace("Idle: SetSlotF0toF8 (Fup released)");
        link_.SetSlotF0toF08(slot, funcUp_, false);
        upPressed_ = false;
    } else if (downPressed_) {
        Trace("Idle: SetSlotF0toF8 (Fdown released)");
        link_.SetSlotF0toF08(slot, funcDown_, false);
        downPressed_ = false;
    } else if (desired_ >= actual_ && synchronised_) {
        upPressed_ = true;
        ++actual_;
        Trace(text::Format("Idle: SetSlotF0toF8 - Sound Level UP one step to %d", actual_));
        link_.SetSlotF0toF08(slot, funcUp_, true);
    } else if (actual_ <= 0) {
        // A decoder of no levels at all is at its bottom without a key.
        actual_ = 0;
        synchronised_ = true;
    } else {
        downPressed_ = true;
        --actual_;
        synchronised_ = synchronised_ || actual_ == 0;
        Trace(text::Format("Idle: SetSlotF0toF8 - Sound Level DOWN one step to %d", actual_));
        link_.SetSlotF0toF08(slot, funcDown_, true);
    }
}
