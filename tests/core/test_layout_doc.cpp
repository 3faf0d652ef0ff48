// The layout document and its .vlk text: the examples of the format, every fault the
// reader reports, the limits, and round trips with turnout positions.

#include "core/layout/VlakomatDoc.h"
#include "core/layout/VlkFile.h"

#include "support/Fakes.h"
#include "support/TempDir.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

struct Loaded {
    CVlakomatDoc doc;
    ScriptedPrompts prompts;
    int faults = 0;
};

std::unique_ptr<Loaded> Load(const std::string& text) {
    auto loaded = std::make_unique<Loaded>();
    loaded->faults = loaded->doc.Load(text, loaded->prompts);
    return loaded;
}

} // namespace

TEST(LayoutFile, ExamplesReadAndWriteBackAsWritten) {
    const std::string text = "2,7,0|0,0\r\n"
                             "3,5,0|3,1|Ta12,0,1;\r\n"
                             "4,9,0|4,0|Ta20,0,0,1;a21,1,0,1;\r\n";
    auto l = Load(text);
    EXPECT_EQ(l->prompts.texts, std::vector<std::string>{"Serialize"});
    EXPECT_EQ(l->faults, 0);
    ASSERT_EQ(l->doc.Count(), 3);

    const LayoutElement& track = l->doc.Element(0);
    EXPECT_EQ(track.row, 2);
    EXPECT_EQ(track.column, 7);
    EXPECT_EQ(track.connections, 0x11); // west and east
    EXPECT_FALSE(track.IsTurnout());

    const LayoutElement& right = l->doc.Element(1);
    EXPECT_EQ(right.connections, 0x31); // west, east and south-east
    ASSERT_TRUE(right.IsTurnout());
    EXPECT_EQ(right.turnout->outputs, 1);
    EXPECT_EQ(right.turnout->output[0].address, 12);

    const TurnoutData& three = *l->doc.Element(2).turnout;
    EXPECT_EQ(three.outputs, 2);
    EXPECT_EQ(three.positions, 3);
    EXPECT_EQ(three.output[0].address, 20);
    EXPECT_EQ(three.output[1].address, 21);
    EXPECT_EQ(three.output[0].states, TurnoutData::Defaults(4).output[0].states);
    EXPECT_EQ(three.output[1].states, TurnoutData::Defaults(4).output[1].states);

    ScriptedPrompts prompts;
    EXPECT_EQ(l->doc.Store(prompts), text);
    EXPECT_EQ(prompts.texts, std::vector<std::string>{"Serialize"});
}

struct FaultCase {
    const char* line;
    std::vector<std::string> messages;
    int elements;       // kept of the one line
    const char* stored; // what saving writes for it ("" when skipped)
};

class LayoutFileFaults : public testing::TestWithParam<FaultCase> {};

TEST_P(LayoutFileFaults, ReportsAndKeepsWhatIsSound) {
    const FaultCase& c = GetParam();
    auto l = Load(std::string("0,0,0|2,0\r\n") + c.line + "\r\n");
    std::vector<std::string> expected{"Serialize"};
    expected.insert(expected.end(), c.messages.begin(), c.messages.end());
    EXPECT_EQ(l->prompts.texts, expected);
    EXPECT_EQ(l->faults, static_cast<int>(c.messages.size()));
    ASSERT_EQ(l->doc.Count(), 1 + c.elements);
    ScriptedPrompts prompts;
    EXPECT_EQ(l->doc.Store(prompts), std::string("0,0,0|2,0\r\n") + c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LayoutFileFaults,
    testing::Values(
        FaultCase{"5,4,9|0,0", {"Napaka! Neveljavna smer v vrstici 2!"}, 1, "5,4,9|0,0\r\n"},
        FaultCase{"1,1,0|1,1", {"Napaka! Neveljaven podtip v vrstici 2!"}, 1, "1,1,0|1,1\r\n"},
        FaultCase{"", {}, 1, "0,0,0|0,0\r\n"},
        FaultCase{"  7 , 3 ,2 |  0,1 ", {}, 1, "7,3,2|0,1\r\n"},
        FaultCase{"3,5,0|3,1", {}, 1, "3,5,0|3,1|Ta0,0,1;\r\n"},
        FaultCase{"3,5,0|3,0|Ta12,0,1;a13,1,0;", {}, 1, "3,5,0|3,0|Ta12,0,1;a13,1,0;\r\n"},
        FaultCase{"3,5,0|3,0|Ts1", {}, 1, "3,5,0|3,0|Ta0,0,1;s1\r\n"},
        FaultCase{"1,1,0|7,0", {"Napaka! Neveljaven tip elementa v vrstici 2!"}, 0, ""},
        FaultCase{"-1,1,0|0,0", {"Napaka! Neveljaven položaj elementa v vrstici 2!"}, 0, ""},
        FaultCase{
            "99999999999,1,0|0,0", {"Napaka! Neveljaven položaj elementa v vrstici 2!"}, 0, ""},
        FaultCase{"1,1,0|0,0|Ta5,0,1;",
                  {"Napaka! Podatki kretnice pri elementu, ki ni kretnica, v vrstici 2!"},
                  1,
                  "1,1,0|0,0\r\n"},
        FaultCase{"1,1,0|3,0|Ta1,0,1;a2,0,1;a3,0,1;s1",
                  {"Napaka! Kretnica ima lahko največ dva izhoda; odvečni izhodi v vrstici 2 niso "
                   "prebrani!"},
                  1,
                  "1,1,0|3,0|Ta1,0,1;a2,0,1;s1\r\n"},
        FaultCase{"1,1,0|3,0|Ta1,0,1,2;",
                  {"Napaka! Preveč stanj izhoda v vrstici 2!"},
                  1,
                  "1,1,0|3,0|Ta1,0,1;\r\n"},
        FaultCase{"1,1,0|3,0|Ta1,7,-1;",
                  {"Napaka! Neveljavno stanje izhoda v vrstici 2!"},
                  1,
                  "1,1,0|3,0|Ta1,2,2;\r\n"},
        FaultCase{"1,1,0|3,0|Ta1,0,1;s2",
                  {"Napaka! Neveljaven položaj kretnice v vrstici 2!"},
                  1,
                  "1,1,0|3,0|Ta1,0,1;\r\n"},
        FaultCase{
            "1,1,0|4,0|Ta9,0,0,1;a10,1,0,1;s2", {}, 1, "1,1,0|4,0|Ta9,0,0,1;a10,1,0,1;s2\r\n"},
        FaultCase{"3,4,0|5,0|S17", {}, 1, "3,4,0|5,0|S17\r\n"},
        FaultCase{"3,4,3|5,1", {}, 1, "3,4,3|5,1|S0\r\n"},
        FaultCase{"3,4,0|5,2|S4096",
                  {"Napaka! Neveljaven podtip v vrstici 2!"},
                  1,
                  "3,4,0|5,2|S4096\r\n"},
        FaultCase{"3,4,0|5,0|S4097",
                  {"Napaka! Neveljaven naslov detektorja v vrstici 2!"},
                  1,
                  "3,4,0|5,0|S0\r\n"},
        FaultCase{"3,4,0|0,0|S17",
                  {"Napaka! Naslov detektorja pri elementu, ki ni detektor, v vrstici 2!"},
                  1,
                  "3,4,0|0,0\r\n"},
        FaultCase{"3,4,0|6,0|S17", {"Napaka! Neveljaven tip elementa v vrstici 2!"}, 0, ""},
        FaultCase{"Hello", {"Napaka! Vrstica 2 ni element makete in ni prebrana!"}, 0, ""},
        FaultCase{" \t ", {}, 1, "0,0,0|0,0\r\n"}));

struct RefusedCase {
    const char* name;
    std::string text;
};

class LayoutFileRefused : public testing::TestWithParam<RefusedCase> {};

// What is not a layout leaves the open layout as it is, with one message.
TEST_P(LayoutFileRefused, KeepsTheOpenLayout) {
    auto l = Load("2,7,0|0,0\r\n");
    l->prompts.texts.clear();
    EXPECT_EQ(l->doc.Load(GetParam().text, l->prompts, "x.vlk"), -1);
    EXPECT_EQ(l->prompts.texts,
              std::vector<std::string>{"Napaka! Datoteka 'x.vlk' ni maketa (.vlk) in ni odprta!"});
    ASSERT_EQ(l->doc.Count(), 1);
    EXPECT_EQ(l->doc.Element(0).column, 7);
}

std::string RandomBytes(std::size_t n) {
    std::string out;
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        out.push_back(static_cast<char>(x >> 24));
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, LayoutFileRefused,
    testing::Values(RefusedCase{"plain_text", "Hello, this is not a layout"},
                    RefusedCase{"text_lines", "Dear operator,\r\nthis is a letter.\r\n"},
                    RefusedCase{"random_bytes", RandomBytes(20000)},
                    RefusedCase{"nul_in_a_layout", std::string("2,7,0|0,0\r\n\0\r\n", 14)},
                    RefusedCase{"not_utf8", "2,7,0|0,0\r\n\xff\xfe\r\n"},
                    RefusedCase{"blank_lines", "\r\n  \r\n"},
                    RefusedCase{"monitor_log", "12:30:01.250 Rec: A0 01 20 7E\r\n"
                                               "12:30:01.251  - Loco Speed: Slt=1\r\n"},
                    RefusedCase{"table_of_numbers", "1;2;3\r\n4;5;6\r\n"},
                    RefusedCase{"addresses", "3\r\n664\r\n1234\r\n"},
                    RefusedCase{"numbers_and_bars", "1,2|3\r\n"},
                    RefusedCase{"one_long_line", std::string(1 << 20, '7')}),
    [](const testing::TestParamInfo<RefusedCase>& p) { return std::string(p.param.name); });

TEST(LayoutFile, AnEmptyFileIsAnEmptyLayout) {
    auto l = Load("");
    EXPECT_EQ(l->faults, 0);
    EXPECT_EQ(l->doc.Count(), 0);
}

TEST(LayoutFile, FaultsShowInOneBoxOfFiftyLines) {
    std::string text = "2,7,0|0,0\r\n";
    for (int i = 0; i < 120; ++i)
        text += "1,1,9|0,0\r\n";
    auto l = Load(text);
    EXPECT_EQ(l->faults, 120);
    ASSERT_EQ(l->prompts.texts.size(), 2u);
    const std::string& box = l->prompts.texts[1];
    EXPECT_EQ(box.substr(0, box.find('\n')), "Napaka! Neveljavna smer v vrstici 2!");
    EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), 50);
    EXPECT_NE(box.find("vrstici 51!\nNapak v nadaljnjih vrsticah: 70."), std::string::npos);
    EXPECT_EQ(l->doc.Count(), 121);
}

TEST(LayoutFile, LinesBeyondTheLimitAreSkippedWithOneMessage) {
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += std::to_string(i % 100) + "," + std::to_string(i / 100 % 100) + ",0|0,0\n";
    auto l = Load(text);
    EXPECT_EQ(l->doc.Count(), CVlakomatDoc::kMaxElements);
    EXPECT_EQ(l->prompts.texts,
              (std::vector<std::string>{"Serialize",
                                        "Napaka! Maketa ima lahko največ 1000 elementov; vrstice "
                                        "od 1001 naprej niso prebrane!"}));
    EXPECT_EQ(l->faults, 1);
}

TEST(LayoutFile, ReadingStopsAtTheLimit) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 1001; ++i)
        text += "1," + std::to_string(i % 1000) + ",0|0,0\r\n";
    // What follows the limit is never read: not even a NUL refuses the file.
    text += std::string(3 << 20, 'x') + '\0';
    dir.Write("big.vlk", text);
    CVlakomatDoc doc;
    ScriptedPrompts prompts;
    EXPECT_EQ(doc.OpenFile(dir.File("big.vlk"), prompts), 1);
    EXPECT_EQ(doc.Count(), CVlakomatDoc::kMaxElements);
}

TEST(LayoutFile, PositionsSurviveARoundTripAndEditsMarkTheDocument) {
    CVlakomatDoc doc;
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.AddElement(1, 1, 3));
    ASSERT_TRUE(doc.AddElement(2, 1, 4));
    ASSERT_TRUE(doc.AddElement(3, 1, 0));
    EXPECT_TRUE(doc.IsModified());
    doc.AdvanceTurnout(1);
    doc.AdvanceTurnout(1);
    EXPECT_TRUE(doc.RotateAt(3, 1, -1));
    EXPECT_TRUE(doc.NextSubtypeAt(3, 1));
    EXPECT_FALSE(doc.RotateAt(9, 9, 1)); // an empty cell changes nothing

    ScriptedPrompts prompts;
    const std::string text = doc.Store(prompts);
    EXPECT_EQ(text, "1,1,0|3,0|Ta0,0,1;\r\n"
                    "1,2,0|4,0|Ta0,0,0,1;a0,1,0,1;s2\r\n"
                    "1,3,7|0,1\r\n");
    CVlakomatDoc again;
    EXPECT_EQ(again.Load(text, prompts), 0);
    EXPECT_EQ(again.Elements(), doc.Elements());
    EXPECT_FALSE(again.IsModified());
}
