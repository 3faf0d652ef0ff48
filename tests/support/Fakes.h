#pragma once
// Test doubles for the platform seams: a clock the test moves, a beeper that records, and
// message boxes answered from a script.

#include "core/platform.h"

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Each reading may move the clock on by `drift` ms, as a real clock does during a step.
class FakeClock : public Clock {
public:
    explicit FakeClock(Tick start = 0) : now_(start) {}
    Tick Now() const override {
        const Tick t = now_;
        now_ += drift;
        return t;
    }
    void Set(Tick t) { now_ = t; }
    void Advance(std::uint32_t ms) { now_ += ms; }
    std::uint32_t drift = 0;

private:
    mutable Tick now_;
};

class RecordingBeeper : public Beeper {
public:
    void Tone(int frequencyHz, int lengthMs) override { tones.emplace_back(frequencyHz, lengthMs); }
    std::vector<std::pair<int, int>> tones;
};

// Records every message; answers from `answers` in order, then with the default answer of
// the buttons (OK, or Yes).
class ScriptedPrompts : public Prompts {
public:
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, PromptIcon) override {
        texts.push_back(text);
        if (onAsk)
            onAsk(text);
        if (!answers.empty()) {
            PromptAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel
                   ? PromptAnswer::Yes
                   : PromptAnswer::Ok;
    }
    std::vector<std::string> texts;
    std::deque<PromptAnswer> answers;
    // Called as the box opens; a test may let simulated time pass in it.
    std::function<void(const std::string&)> onAsk;
};
