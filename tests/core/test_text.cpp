#include "core/util/Text.h"

#include <gtest/gtest.h>

TEST(Text, ParseIntBehavesLikeAtoi) {
    struct Case {
        const char* in;
        int out;
    } cases[] = {{"42", 42},
                 {"  -7x", -7},
                 {"+3", 3},
                 {"abc", 0},
                 {"", 0},
                 {"12.9", 12},
                 {"99999999999", 2147483647},
                 {"-99999999999", -2147483647 - 1},
                 {"\t5", 5}};
    for (const auto& c : cases)
        EXPECT_EQ(text::ParseInt(c.in), c.out) << c.in;
}

TEST(Text, ParseDoubleTakesLongestPrefix) {
    struct Case {
        const char* in;
        double out;
    } cases[] = {{"20.0", 20.0}, {"  0.0025", 0.0025}, {"1.5abc", 1.5}, {"x1", 0.0},  {"", 0.0},
                 {"-2.5", -2.5}, {".5", 0.5},          {"1e2", 100.0},  {"nan", 0.0}, {"1,5", 1.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(text::ParseDouble(c.in), c.out) << c.in;
}

TEST(Text, FormatFixedIgnoresLocale) {
    EXPECT_EQ(text::FormatFixed(20.0, 2), "20.00");
    EXPECT_EQ(text::FormatFixed(0.02, 4), "0.0200");
    EXPECT_EQ(text::FormatFixed(0.0025, 6), "0.002500");
    EXPECT_EQ(text::FormatFixed(0.015, 2), "0.01"); // binary 0.015 lies below the half
    EXPECT_EQ(text::FormatFixed(1e300, 2).size(), 304u);
}

TEST(Text, Utf8AndCp1250) {
    EXPECT_TRUE(text::IsValidUtf8("Lokomotiva \xC4\x8D\xC5\xA1\xC5\xBE"));
    EXPECT_FALSE(text::IsValidUtf8("\x9A\xE8")); // "šč" in Windows-1250
    EXPECT_FALSE(text::IsValidUtf8("\xC4"));     // cut sequence
    EXPECT_FALSE(text::IsValidUtf8("\xC0\x80")); // overlong
    EXPECT_EQ(text::Cp1250ToUtf8("\xE8\x9A\x9E\xC8\x8A\x8E"),
              "\xC4\x8D\xC5\xA1\xC5\xBE\xC4\x8C\xC5\xA0\xC5\xBD");
    EXPECT_EQ(text::CutUtf8("a\xC4\x8D", 2), "a");
}
