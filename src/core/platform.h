#pragma once
// The seams between the core and the platform: time, sound and message boxes.
// The GUI implements them with Qt; tests use fakes.

#include <cstdint>
#include <string>

using Tick = std::uint32_t;

// Milliseconds from `then` to `now` on the 32-bit tick counter. When the counter has
// wrapped (now < then) the distance is now + (2^32 - 1 - then), one less than modular
// arithmetic would give; the program has always measured it that way.
inline std::uint32_t ElapsedTicks(Tick now, Tick then) {
    if (now >= then)
        return now - then;
    return now + (0xFFFFFFFFu - then);
}

// Milliseconds from `start` to `now` on the 32-bit tick counter, for starts read at most
// half the counter's range ago: a start read after `now` (taken later in the same step)
// counts as no time passed, never as a wrap of the counter.
inline std::uint32_t TicksSince(Tick now, Tick start) {
    return start - now < 0x80000000u && start != now ? 0 : ElapsedTicks(now, start);
}

class Clock {
public:
    virtual ~Clock() = default;
    virtual Tick Now() const = 0;
};

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void Tone(int frequencyHz, int lengthMs) = 0;
};

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };
enum class PromptIcon { None, Information, Warning, Error, Question };

// Every message box of the program goes through here.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual PromptAnswer Ask(const std::string& text, PromptButtons buttons,
                             PromptIcon icon = PromptIcon::None) = 0;

    void Inform(const std::string& text, PromptIcon icon = PromptIcon::None) {
        Ask(text, PromptButtons::Ok, icon);
    }
    bool OkCancel(const std::string& text, PromptIcon icon = PromptIcon::Question) {
        return Ask(text, PromptButtons::OkCancel, icon) == PromptAnswer::Ok;
    }
    bool YesNo(const std::string& text, PromptIcon icon = PromptIcon::Question) {
        return Ask(text, PromptButtons::YesNo, icon) == PromptAnswer::Yes;
    }
};
