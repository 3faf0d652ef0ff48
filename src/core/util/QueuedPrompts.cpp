#include "core/util/QueuedPrompts.h"

void QueuedPrompts::ShowQueued() {
    while (inStep_ == 0 && open_ == 0 && !queue_.empty()) {
        const Waiting next = queue_.front();
        queue_.pop_front();
        ++open_;
        shown_.Ask(next.text, PromptButtons::Ok, next.icon);
        --open_;
    }
}

PromptAnswer QueuedPrompts::Ask(const std::string& text, PromptButtons buttons, PromptIcon icon) {
    if (inStep_ > 0) {
        if (buttons != PromptButtons::Ok)
            return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
        queue_.push_back({text, icon});
        return PromptAnswer::Ok;
    }
    ++open_;
    const PromptAnswer answer = shown_.Ask(text, buttons, icon);
    --open_;
    return answer;
}
