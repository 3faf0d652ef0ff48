#pragma once
// The message boxes of the processing step. What the link or a throttle must tell the
// operator while a step runs waits here and is shown after the step, one box at a time,
// so that no step ever waits on a person. Outside a step, boxes open at once.

#include "core/platform.h"

#include <deque>
#include <string>

class QueuedPrompts : public Prompts {
public:
    explicit QueuedPrompts(Prompts& shown) : shown_(shown) {}

    // Marks the processing step, which may be nested in a box's own event loop.
    class Step {
    public:
        explicit Step(QueuedPrompts& prompts) : prompts_(prompts) { ++prompts_.inStep_; }
        ~Step() { --prompts_.inStep_; }
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

    private:
        QueuedPrompts& prompts_;
    };

    bool HasQueued() const { return !queue_.empty(); }
    // Shows what waits, oldest first, each box after the one before has closed. Does
    // nothing inside a step or while one of these boxes is open.
    void ShowQueued();
    // Inside a step only information is allowed: it is queued and counts as acknowledged.
    // A question there gets its cautious answer (Cancel, No) without a box.
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, PromptIcon icon) override;

private:
    struct Waiting {
        std::string text;
        PromptIcon icon;
    };
    Prompts& shown_;
    int inStep_ = 0;
    int open_ = 0;
    std::deque<Waiting> queue_;
};
