#pragma once
// Test doubles for the platform seams: a clock the test moves, a beeper that records, and
// message boxes answered from a script.

#include "platform.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

class FakeClock : public Clock {
public:
    explicit FakeClock(Tick start = 0) : now_(start) {}
    Tick Now() const override { return now_; }
    void Set(Tick t) { now_ = t; }
    void Advance(std::uint32_t ms) { now_ += ms; }

private:
    Tick now_;
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
};
