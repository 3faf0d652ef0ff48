#include "core/roster/DecoderTable.h"
#include "core/roster/TableFile.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace {

DecoderTable Load(const std::string& content, ScriptedPrompts& prompts) {
    auto reader = TableFileReader::FromText(content);
    DecoderTable table;
    LoadDecoders(reader, table, prompts);
    return table;
}

const std::string kHeader = "Name\tType\tMaxLevel\tOffset\tStepped\tUp\tDown\tTable\tStart\n";

} // namespace

TEST(DecoderTable, RowsAreReadByTheTableFileRules) {
    ScriptedPrompts prompts;
    DecoderTable t = Load(kHeader + "No sound|Brez zvoka\t0\t5\t6\t1\t2\t3\t9,9\t4\n"
                                    "\n"
                                    "  Stepped | Stopenjsko \t1\t7\t1\t0\t5\t6\t0, 2 ,4\t3\n"
                                    "\t\t\r\n"
                                    "Level\t2\t9\t-1\t0\t0\t0\t\t-1\n"
                                    "OnlyName\n"
                                    "Names|\t2\t3\n"
                                    "A|B|C\t2\t1\t0\t1\t1\t2\t5,6,7,8,9,10,11,12,13,14\t0\n",
                          prompts);
    EXPECT_TRUE(prompts.texts.empty());
    ASSERT_EQ(t.count, 6);

    const auto& none = t.rows[0];
    EXPECT_EQ(none.NameEn, "No sound");
    EXPECT_EQ(none.NameSl, "Brez zvoka");
    EXPECT_EQ(none.Type, 0);
    EXPECT_EQ(none.MaxLevel, 0); // a type below 1 reads no further
    EXPECT_EQ(none.FuncStepped, 0);
    EXPECT_EQ(none.StartLevel, 0);
    EXPECT_EQ(none.SpeedTable, (std::array<int, 10>{}));

    const auto& stepped = t.rows[1];
    EXPECT_EQ(stepped.NameEn, "Stepped");
    EXPECT_EQ(stepped.NameSl, "Stopenjsko");
    EXPECT_EQ(stepped.FuncStepped, 1); // type 1 is always stepped
    EXPECT_EQ(stepped.MaxLevel, 7);
    EXPECT_EQ(stepped.LevelOffset, 1);
    EXPECT_EQ(stepped.FuncUp, 5);
    EXPECT_EQ(stepped.FuncDown, 6);
    EXPECT_EQ(stepped.SpeedTable, (std::array<int, 10>{0, 2, 4, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(stepped.StartLevel, 3);

    const auto& level = t.rows[2];
    EXPECT_EQ(level.NameSl, "Level");
    EXPECT_EQ(level.LevelOffset, -1);
    EXPECT_EQ(level.SpeedTable, (std::array<int, 10>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(level.StartLevel, -1);

    EXPECT_EQ(t.rows[3].NameEn, "OnlyName");
    EXPECT_EQ(t.rows[3].Type, 0);
    EXPECT_EQ(t.rows[4].NameSl, "Names"); // empty second name
    EXPECT_EQ(t.rows[4].MaxLevel, 3);
    EXPECT_EQ(t.rows[4].StartLevel, 0); // missing columns read as 0
    EXPECT_EQ(t.rows[5].NameSl, "B");
    EXPECT_EQ(t.rows[5].SpeedTable, (std::array<int, 10>{5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
}

TEST(DecoderTable, CapacityLimitsAreReportedAndNothingIsStoredPastThem) {
    ScriptedPrompts prompts;
    std::string content = kHeader;
    for (int i = 0; i < 22; ++i)
        content += "D" + std::to_string(i) + "\t2\t5\n";
    content += "Long\t2\t5\t0\t0\t0\t0\t0,1,2,3,4,5,6,7,8,9,10,11\t0\n";
    DecoderTable t = Load(content, prompts);
    EXPECT_EQ(t.count, DecoderTable::kCapacity);
    EXPECT_EQ(t.rows[19].NameEn, "D19");
    ASSERT_EQ(prompts.texts.size(), 3u);
    EXPECT_EQ(prompts.texts[0], "Napaka v datoteki 'Decoders.tab', v vrstici 22: tabela tipov "
                                "zvočnih dekoderjev je polna (največ 20 vrstic), vrstica je "
                                "izpuščena.");
    EXPECT_NE(prompts.texts[2].find("v vrstici 24"), std::string::npos);

    ScriptedPrompts prompts2;
    DecoderTable t2 =
        Load(kHeader + "Long\t2\t5\t0\t0\t0\t0\t0,1,2,3,4,5,6,7,8,9,10,11\t7\n", prompts2);
    ASSERT_EQ(t2.count, 1);
    EXPECT_EQ(t2.rows[0].SpeedTable[9], 9);
    EXPECT_EQ(t2.rows[0].StartLevel, 7);
    ASSERT_EQ(prompts2.texts.size(), 1u);
    EXPECT_EQ(prompts2.texts[0], "Napaka v datoteki 'Decoders.tab', v vrstici 2: tabela hitrosti "
                                 "zvoka ima največ 10 vrednosti, odvečne vrednosti so izpuščene.");
}

TEST(DecoderTable, MissingOrEmptyFilesGiveNoRows) {
    ScriptedPrompts prompts;
    EXPECT_EQ(Load("", prompts).count, 0);
    EXPECT_EQ(Load(kHeader, prompts).count, 0);
    EXPECT_EQ(Load(kHeader + "\n\n  \n", prompts).count, 0);
    EXPECT_EQ(Load("\nD\t2\n", prompts).count, 1); // an empty first line is still the header
    TableFileReader missing("/nonexistent/Decoders.tab");
    DecoderTable t;
    LoadDecoders(missing, t, prompts);
    EXPECT_EQ(t.count, 0);
    EXPECT_TRUE(prompts.texts.empty());
}

TEST(TableFile, LinesAndFieldsFollowTheRules) {
    std::string longLine(1500, 'a');
    using namespace std::string_literals;
    auto r = TableFileReader::FromText("head\n x \t y y \tz\n\n" + longLine + "\nnul\0byte\n"s +
                                       "last\tline");
    ASSERT_TRUE(r.SkipHeader());
    ASSERT_TRUE(r.NextLine());
    EXPECT_EQ(r.LineNumber(), 2);
    EXPECT_EQ(r.NextField(), "x");
    EXPECT_EQ(r.NextField(), "y y");
    EXPECT_EQ(r.NextField(), "z");
    EXPECT_EQ(r.NextField(), "");
    ASSERT_TRUE(r.NextLine());
    EXPECT_EQ(r.LineNumber(), 4);
    EXPECT_EQ(r.Line().size(), 1500u); // a long line stays one line
    ASSERT_TRUE(r.NextLine());
    EXPECT_EQ(r.Line(), std::string("nul byte"));
    ASSERT_TRUE(r.NextLine());
    EXPECT_EQ(r.LineNumber(), 6);
    EXPECT_EQ(r.NextField(), "last");
    EXPECT_FALSE(r.NextLine());
}

TEST(TableFile, Windows1250FilesAreConverted) {
    auto r = TableFileReader::FromText("h\n\x8Euborovi\xE8\n");
    r.SkipHeader();
    ASSERT_TRUE(r.NextLine());
    EXPECT_EQ(r.NextField(), "Žuborovič");
}
