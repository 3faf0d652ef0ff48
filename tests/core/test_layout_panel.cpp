// What a click on the layout panel does that the window test cannot reach cheaply: the
// switch requests of every kind of output, and a full document.

#include "core/layout/LayoutPanel.h"
#include "core/layout/TurnoutSwitch.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace {

struct SwitchCase {
    int address;
    int state;
    std::vector<std::uint8_t> bytes; // opcode and two data bytes; empty: nothing sent
    const char* note;
};

class LayoutSwitchRequests : public testing::TestWithParam<SwitchCase> {};

} // namespace

TEST_P(LayoutSwitchRequests, OneOutput) {
    const SwitchCase& c = GetParam();
    TurnoutData turnout = TurnoutData::Defaults(ElementType::kTurnout);
    turnout.output[0].address = c.address;
    turnout.output[0].states[1] = c.state;
    SwitchPlan plan = SwitchRequestsFor(turnout, 1);
    ASSERT_EQ(plan.messages.size(), c.bytes.empty() ? 0u : 1u);
    if (!c.bytes.empty()) {
        EXPECT_EQ(plan.messages[0].length, 4u);
        EXPECT_EQ(std::vector<std::uint8_t>(plan.messages[0].bytes.begin(),
                                            plan.messages[0].bytes.begin() + 3),
                  c.bytes);
    }
    EXPECT_EQ(plan.note, c.note);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, LayoutSwitchRequests,
    testing::Values(
        SwitchCase{1, OutputState::kThrown, {0xB0, 0x00, 0x10}, ""},
        SwitchCase{1, OutputState::kClosed, {0xB0, 0x00, 0x30}, ""},
        SwitchCase{300, OutputState::kThrown, {0xB0, 0x2B, 0x12}, ""},
        SwitchCase{2048, OutputState::kClosed, {0xB0, 0x7F, 0x3F}, ""},
        SwitchCase{12, OutputState::kNothing, {}, ""},
        SwitchCase{0, OutputState::kThrown, {}, "izhod 1 nima naslova, ni poslano"},
        SwitchCase{
            2049, OutputState::kThrown, {}, "naslov 2049 izhoda 1 ni med 1 in 2048, ni poslano"},
        SwitchCase{
            -5, OutputState::kClosed, {}, "naslov -5 izhoda 1 ni med 1 in 2048, ni poslano"}));

TEST(LayoutPanel, AFullDocumentRefusesToPlaceWithAMessage) {
    CVlakomatDoc doc;
    ScriptedPrompts prompts;
    LayoutPanel panel(doc, prompts);
    panel.SetMode(ElementType::kTrack);
    for (int i = 0; i < CVlakomatDoc::kMaxElements; ++i)
        ASSERT_TRUE(doc.AddElement(i % 100, i / 100, ElementType::kTrack));
    LayoutPanel::ClickResult click = panel.Click(5, 50 * panel.CellSize() + 5);
    EXPECT_EQ(click.status, "Stolpec 0, vrstica 50");
    EXPECT_EQ(doc.Count(), CVlakomatDoc::kMaxElements);
    EXPECT_EQ(prompts.texts,
              std::vector<std::string>{"Napaka! Maketa ima lahko največ 1000 elementov!"});
}
