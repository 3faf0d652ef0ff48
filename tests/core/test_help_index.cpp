// The guide's tables: sentences by window and control (with '*' patterns), the page of a
// window, faulty rows, and the chapters read from the contents page.

#include "core/help/HelpIndex.h"

#include <gtest/gtest.h>

namespace {

TEST(HelpIndex, PatternsMatchWholeNames) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"f*Button", "f0Button", true},
        {"f*Button", "f12Button", true},
        {"f*Button", "fButton", true},
        {"f*Button", "f1ButtonX", false},
        {"f*Button", "xf1Button", false},
        {"output*Position*C", "output2Position1C", true},
        {"output*Position*C", "output2Position1T", false},
        {"speedEdit", "speedEdit", true},
        {"speedEdit", "speedEdit2", false},
        {"*", "", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesPattern(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

TEST(HelpIndex, FindsSentencesAndPagesAndNamesFaultyRows) {
    HelpIndex index;
    const auto faults = index.ReadWhatsThis("# comment\n"
                                            "\n"
                                            "Throttle\tf*Button\tA function key.\n"
                                            "Throttle\tf0Button\tThe lights.\r\n"
                                            "Throttle\tspeedEdit\n"
                                            "Throttle\tf0Button\tAgain.\n"
                                            "Other\tspeedEdit\tSpeed of the other.\n");
    EXPECT_EQ(faults,
              (std::vector<std::string>{"line 5: expected 3 fields separated by tabs",
                                        "line 6: a second sentence for Throttle f0Button"}));
    ASSERT_NE(index.WhatsThis("Throttle", "f0Button"), nullptr);
    EXPECT_EQ(*index.WhatsThis("Throttle", "f0Button"), "The lights.");
    EXPECT_EQ(*index.WhatsThis("Throttle", "f7Button"), "A function key.");
    EXPECT_EQ(index.WhatsThis("Throttle", "speedEdit"), nullptr);
    EXPECT_EQ(index.WhatsThis("Throttle", ""), nullptr);
    EXPECT_EQ(*index.WhatsThis("Other", "speedEdit"), "Speed of the other.");

    EXPECT_EQ(index.ReadPages("Throttle\tthrottle.md\nThrottle\tagain.md\n"),
              std::vector<std::string>{"line 2: a second page for Throttle"});
    EXPECT_EQ(index.PageFor("Throttle"), "throttle.md");
    EXPECT_EQ(index.PageFor("Nobody"), "");
}

TEST(HelpIndex, ChaptersAreTheListedLinksToPagesOfTheGuide) {
    const auto topics = ContentsOf("# Vodnik\n"
                                   "Uvod z [povezavo](uvod.md).\n"
                                   "- [Prvi koraki](zacetek.md)\n"
                                   "  * [Glavno okno](glavno-okno.md) in še kaj\n"
                                   "- [Splet](https://example.org/a.md)\n"
                                   "- [Sidro](#zgoraj)\n"
                                   "- brez povezave\n");
    ASSERT_EQ(topics.size(), 2u);
    EXPECT_EQ(topics[0].title, "Prvi koraki");
    EXPECT_EQ(topics[0].page, "zacetek.md");
    EXPECT_EQ(topics[1].title, "Glavno okno");
    EXPECT_EQ(topics[1].page, "glavno-okno.md");
}

} // namespace
