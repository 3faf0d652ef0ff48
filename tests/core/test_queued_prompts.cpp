// What a processing step must tell the operator waits until the step is over and is shown
// one box at a time; outside a step a box opens at once.

#include "core/util/QueuedPrompts.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace {

TEST(QueuedPrompts, StepWaitsForNobodyAndBoxesFollowOneAtATime) {
    ScriptedPrompts shown;
    QueuedPrompts prompts(shown);
    int depth = 0, deepest = 0;
    shown.onAsk = [&](const std::string& text) {
        deepest = std::max(deepest, ++depth);
        // A step runs inside the box's own event loop, and says something too.
        if (text == "first") {
            QueuedPrompts::Step step(prompts);
            prompts.Inform("third");
            prompts.ShowQueued(); // nothing over an open box
        }
        --depth;
    };
    {
        QueuedPrompts::Step step(prompts);
        prompts.Inform("first");
        EXPECT_EQ(prompts.Ask("second", PromptButtons::Ok, PromptIcon::Warning), PromptAnswer::Ok);
        // A question has no place in a step: the cautious answer, no box.
        EXPECT_FALSE(prompts.YesNo("question?"));
        EXPECT_FALSE(prompts.OkCancel("question?"));
        prompts.ShowQueued(); // not inside the step
        EXPECT_TRUE(shown.texts.empty());
    }
    EXPECT_TRUE(prompts.HasQueued());
    prompts.ShowQueued();
    EXPECT_EQ(shown.texts, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(prompts.HasQueued());
    // Outside a step a question is asked at once.
    shown.answers.push_back(PromptAnswer::Yes);
    EXPECT_TRUE(prompts.YesNo("now?"));
}

} // namespace
