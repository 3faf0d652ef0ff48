#include "core/roster/RosterData.h"
#include "core/roster/TableFile.h"
#include "core/util/Files.h"

#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

// The sound decoder types the sample roster was made for (data/Decoders.tab when present).
const std::string kDecoders =
    "Name\tType\tMaxLevel\tLevelOffset\tFuncStepped\tFuncUp\tFuncDown\tSpeedTable\tStartLevel\n"
    "No sound|Brez zvoka\t0\n"
    "Sound on motor address, stepped|Zvok na naslovu motorja, stopenjsko\t1\t5\t0\t1\t7\t8\t\t2\n"
    "Separate sound decoder, speed level|Ločen zvočni dekoder, nivo kot hitrost\t2\t9\t0\t0\t0\t0"
    "\t0,10,20,30,40,50,60,70,80,90\t-1\n"
    "Separate sound decoder, stepped|Ločen zvočni dekoder, stopenjsko\t2\t7\t1\t1\t5\t6\t\t0\n";

std::filesystem::path SampleData() {
    // Named by the build, not by __FILE__, which a compiler cache may make relative.
    return std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data";
}

std::string ReadFile(const std::filesystem::path& path) {
    auto content = files::ReadAll(path.string());
    return content ? *content : std::string();
}

// The sample Decoders.tab, or the copy above when the data folder has none.
std::string SampleDecoders() {
    std::string decoders = ReadFile(SampleData() / "Decoders.tab");
    return decoders.empty() ? kDecoders : decoders;
}

// Writes the three sample table files into `dir` under the given names.
void WriteSampleTables(const TempDir& dir, const char* decoders = "Decoders.tab",
                       const char* functions = "Functions.tab", const char* roster = "Roster.tab") {
    dir.Write(decoders, SampleDecoders());
    dir.Write(functions, ReadFile(SampleData() / "Functions.tab"));
    dir.Write(roster, ReadFile(SampleData() / "Roster.tab"));
}

// Start-up reading of the three files from text.
bool LoadFromText(RosterData& data, Prompts& prompts, const std::string& decoders,
                  const std::string& functions, const std::string& roster) {
    auto d = TableFileReader::FromText(decoders);
    auto f = TableFileReader::FromText(functions);
    auto r = TableFileReader::FromText(roster);
    return LoadStartupTables(data, prompts, d, f, r);
}

const std::string kAddedAll = "Dodane so bile vgrajene funkcionalnosti:\n"
                              "   Privzeto\n   Število vagonov\n   Poprečna obtežba vagonov\n"
                              "   Tip zavore\n   Vklop motorja\n   Utišaj\n"
                              "   Dinamične zavore\n   Kompresor\n   Cviljenje zavor\n";

} // namespace

TEST(StartupTables, WithoutDecoderTypesNothingElseIsReadAndNothingShown) {
    for (const char* decoders : {"", "Name\tType\n", "Name\tType\n\n  \n"}) {
        SCOPED_TRACE(decoders);
        TempDir dir;
        if (*decoders)
            dir.Write("Decoders.tab", decoders);
        dir.Write("Functions.tab", "Id\tName\tBuiltin\tStatus\tFkey\n99\tX\t0\t0\t0\n");
        ScriptedPrompts prompts;
        auto data = std::make_unique<RosterData>();
        EXPECT_FALSE(LoadStartupTables(*data, prompts, dir.Path()));
        EXPECT_TRUE(prompts.texts.empty());
        EXPECT_EQ(data->functions.count, 0);
        EXPECT_FALSE(data->FunctionsModified);
    }
}

TEST(StartupTables, MissingCatalogueAndRosterGetTheBuiltinsAndOneMessage) {
    TempDir dir;
    dir.Write("Decoders.tab", kDecoders);
    ScriptedPrompts prompts;
    auto data = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadStartupTables(*data, prompts, dir.Path() + "/"));
    EXPECT_EQ(prompts.texts, std::vector<std::string>{kAddedAll});
    EXPECT_EQ(data->decoders.count, 4);
    EXPECT_EQ(data->functions.count, 9);
    EXPECT_EQ(data->roster.count, 0);
    EXPECT_TRUE(data->FunctionsModified);
    EXPECT_TRUE(data->RosterModified);
    EXPECT_EQ(FormatFunctionsFile(*data), "Id\tName\tBuiltin\tStatus\tFkey\n"
                                          "0\tPrivzeto\t1\t4\t-1\n"
                                          "-1\tŠtevilo vagonov\t2\t0\t-1\n"
                                          "-2\tPoprečna obtežba vagonov\t3\t0\t-1\n"
                                          "-3\tTip zavore\t4\t0\t-1\n"
                                          "1\tVklop motorja\t5\t2\t-1\n"
                                          "2\tUtišaj\t6\t2\t-1\n"
                                          "3\tDinamične zavore\t7\t2\t-1\n"
                                          "4\tKompresor\t8\t2\t-1\n"
                                          "5\tCviljenje zavor\t9\t3\t-1\n");
}

TEST(StartupTables, BuiltinsAreAddedAfterTheRosterIsRead) {
    TempDir dir;
    dir.Write("Decoders.tab", kDecoders);
    dir.Write("Functions.tab", "Id\tName\tBuiltin\tStatus\tFkey\n0\tPrivzeto\t1\t4\t-1\n"
                               "1\tLuči\t0\t3\t0\n");
    // Function 2 is not in the catalogue yet when the roster is read.
    dir.Write("Roster.tab", "header\n7\t\tA\t3\t0\t100\t50\t4\t1\t0\t0\t0\tB 010\t0\t0\t0\t0"
                            "\t\t\t\t\t\t\t\t\t\t#0[111]|\t#1[111]M0+|M0-\t#2[100]M1+|\n"
                            "8\t\tB\t4\t0\t100\t50\t4\t1\t0\t0\t0\tB 010\t0\t0\t0\t0\n");
    ScriptedPrompts prompts;
    auto data = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadStartupTables(*data, prompts, dir.Path()));
    EXPECT_EQ(prompts.texts,
              (std::vector<std::string>{
                  "Napaka v datoteki 'Roster.tab', v vrstici 2: Neznana ID funkcionalnosti 2!",
                  "Dodane so bile vgrajene funkcionalnosti:\n   Število vagonov\n"
                  "   Poprečna obtežba vagonov\n   Tip zavore\n   Vklop motorja\n   Utišaj\n"
                  "   Dinamične zavore\n   Kompresor\n   Cviljenje zavor\n"}));
    // Brake squeal (Id 6) is active by default and so switched on for both locomotives.
    ASSERT_EQ(data->functions.entries[9].Builtin, 9);
    EXPECT_EQ(data->functions.entries[9].Id, 6);
    ASSERT_EQ(data->roster.count, 2);
    EXPECT_EQ(data->roster.locos[0].FuncFlags[6], kFuncActive | kFuncAuto);
    EXPECT_EQ(data->roster.locos[1].FuncFlags[6], kFuncActive | kFuncAuto);
    EXPECT_EQ(data->roster.locos[0].FuncFlags[2], kFuncAuto);
    EXPECT_TRUE(data->RosterModified);
}

TEST(StartupTables, CatalogueFaultMarksTheRosterModifiedToo) {
    TempDir dir;
    dir.Write("Decoders.tab", kDecoders);
    std::string functions = "Id\tName\tBuiltin\tStatus\tFkey\n0\tP\t1\t4\t-1\n";
    for (int code = 2; code <= 9; ++code)
        functions += std::to_string(code <= 4 ? 1 - code : code) + "\tF\t" + std::to_string(code) +
                     "\t0\t-1\n";
    dir.Write("Roster.tab", "header\n");
    {
        dir.Write("Functions.tab", functions);
        ScriptedPrompts prompts;
        auto data = std::make_unique<RosterData>();
        ASSERT_TRUE(LoadStartupTables(*data, prompts, dir.Path()));
        EXPECT_TRUE(prompts.texts.empty());
        EXPECT_FALSE(data->FunctionsModified);
        EXPECT_FALSE(data->RosterModified);
    }
    {
        dir.Write("Functions.tab", functions + "12\tX\t0\t7\t-1\n");
        ScriptedPrompts prompts;
        auto data = std::make_unique<RosterData>();
        ASSERT_TRUE(LoadStartupTables(*data, prompts, dir.Path()));
        EXPECT_EQ(prompts.texts.size(), 1u);
        EXPECT_TRUE(data->FunctionsModified);
        EXPECT_TRUE(data->RosterModified);
    }
}

TEST(StartupTables, SampleDataLoadsSilentlyAndIsWrittenBackUnchanged) {
    TempDir dir;
    const auto sample = SampleData();
    const std::string functions = ReadFile(sample / "Functions.tab");
    const std::string roster = ReadFile(sample / "Roster.tab");
    ASSERT_FALSE(functions.empty());
    ASSERT_FALSE(roster.empty());
    dir.Write("Decoders.tab", SampleDecoders());
    dir.Write("Functions.tab", functions);
    dir.Write("Roster.tab", roster);

    ScriptedPrompts prompts;
    auto data = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadStartupTables(*data, prompts, dir.Path()));
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_FALSE(data->FunctionsModified);
    EXPECT_FALSE(data->RosterModified);
    EXPECT_EQ(FormatFunctionsFile(*data), functions);
    EXPECT_EQ(FormatRosterFile(*data), roster);

    // A diesel and an electric locomotive with sound, a shunter without.
    ASSERT_EQ(data->roster.count, 3);
    EXPECT_EQ(
        data->decoders.rows[static_cast<std::size_t>(data->roster.locos[0].SoundDecoder)].Type, 1);
    EXPECT_EQ(
        data->decoders.rows[static_cast<std::size_t>(data->roster.locos[1].SoundDecoder)].Type, 2);
    EXPECT_EQ(data->roster.locos[2].SoundDecoder, 0);
}

TEST(StartupTables, Windows1250FilesAreReadAndSavedAsUtf8) {
    TempDir dir;
    dir.Write("Decoders.tab", kDecoders);
    // "Luči" and "Število vagonov" and "Šlepar Čuk" in Windows-1250.
    dir.Write("Functions.tab", "Id\tName\tBuiltin\tStatus\tFkey\r\n0\tPrivzeto\t1\t4\t-1\r\n"
                               "1\tLu\xE8i\t0\t3\t0\r\n-1\t\x8Atevilo vagonov\t2\t0\t9\r\n");
    dir.Write("Roster.tab", "Id\tConsist\tDescr\r\n5\t\t\x8Alepar \xC8uk\t3\t0\t250.4\t40\t4\t1\t0"
                            "\t0\t0\tB 110\t0\t0\t0\t0\t\t\t\t\t\t\t\t\t\t#1[111]m0+|\r\n");
    ScriptedPrompts prompts;
    auto data = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadStartupTables(*data, prompts, dir.Path()));
    ASSERT_EQ(prompts.texts.size(), 1u); // the added builtins
    EXPECT_EQ(data->functions.entries[1].Name, "Luči");
    EXPECT_EQ(data->functions.entries[2].Name, "Število vagonov");
    ASSERT_EQ(data->roster.count, 1);
    EXPECT_EQ(data->roster.locos[0].Descr, "Šlepar Čuk");
    EXPECT_EQ(FormatSequence(data->roster.locos[0].FuncSequences[1], kSequenceOff), "M0-");

    ASSERT_TRUE(SaveFunctionsFile(*data, prompts, dir.Path()));
    ASSERT_TRUE(SaveRosterFile(*data, prompts, dir.Path()));
    EXPECT_EQ(dir.Read("Functions.tab"), FormatFunctionsFile(*data));
    EXPECT_EQ(dir.Read("Roster.tab"), FormatRosterFile(*data));
    EXPECT_NE(dir.Read("Roster.tab").find("\t\tŠlepar Čuk\t3\t0\t250\t40\t"), std::string::npos);

    // Read again: the same tables, nothing to report, nothing modified.
    ScriptedPrompts again;
    auto reread = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadStartupTables(*reread, again, dir.Path()));
    EXPECT_TRUE(again.texts.empty());
    EXPECT_FALSE(reread->RosterModified);
    EXPECT_EQ(reread->functions.count, data->functions.count);
    for (int i = 0; i < data->functions.count; ++i)
        EXPECT_EQ(reread->functions.entries[static_cast<std::size_t>(i)],
                  data->functions.entries[static_cast<std::size_t>(i)]);
    Loco expected = data->roster.locos[0];
    expected.Power = 250;
    EXPECT_EQ(reread->roster.locos[0], expected);
}

TEST(StartupTables, AFailedSaveIsReportedAndLeavesTheOldFile) {
    TempDir dir;
    dir.Write("Decoders.tab", kDecoders);
    ScriptedPrompts prompts;
    auto data = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadStartupTables(*data, prompts, dir.Path()));
    prompts.texts.clear();

    const std::string missing = dir.Path() + "/missing";
    EXPECT_FALSE(SaveFunctionsFile(*data, prompts, missing));
    EXPECT_FALSE(SaveRosterFile(*data, prompts, missing));
    EXPECT_EQ(prompts.texts,
              (std::vector<std::string>{
                  "Napaka! Datoteke '" + missing +
                      "/Functions.tab' ni bilo mogoče shraniti: No such file or directory\n"
                      "Spremembe v njej niso shranjene.",
                  "Napaka! Datoteke '" + missing +
                      "/Roster.tab' ni bilo mogoče shraniti: No such file or directory\n"
                      "Spremembe v njej niso shranjene."}));

    // A directory in the file's place cannot be replaced: the old content stays.
    std::filesystem::create_directory(dir.File("Roster.tab"));
    prompts.texts.clear();
    EXPECT_FALSE(SaveRosterFile(*data, prompts, dir.Path()));
    EXPECT_EQ(prompts.texts.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("Roster.tab")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("Roster.tab.tmp~")));
}

TEST(StartupTables, ARosterRowLongerThanAnyLineBufferReadsBackWhole) {
    TempDir dir;
    WriteSampleTables(dir);
    ScriptedPrompts prompts;
    auto data = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadStartupTables(*data, prompts, dir.Path()));

    // Ten commands in both sequences of every function of the first locomotive.
    Loco& loco = data->roster.locos[0];
    for (int f = 0; f < data->functions.count; ++f) {
        const int id = data->functions.entries[static_cast<std::size_t>(f)].Id;
        if (id < 0)
            continue;
        auto& seq = loco.FuncSequences[static_cast<std::size_t>(id)];
        for (int index : {0, 1})
            ParseSequenceText("M10+,M11-,M12F,M10B,M11+,S10-,S11F,S12B,S12+,S11-", index, seq,
                              false);
        auto& flags = loco.FuncFlags[static_cast<std::size_t>(id)];
        flags = static_cast<std::uint8_t>((flags & kFuncInitialOn) | kFuncActive);
    }
    const std::string written = FormatRosterFile(*data);
    const std::size_t rowStart = written.find('\n') + 1;
    ASSERT_GT(written.find('\n', rowStart) - rowStart, 1100u);
    dir.Write("Roster.tab", written);

    auto reread = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadStartupTables(*reread, prompts, dir.Path()));
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_EQ(reread->roster.count, data->roster.count);
    EXPECT_EQ(FormatRosterFile(*reread), written);
}

TEST(StartupTables, TableFilesFromWindowsAreFoundWhateverTheirCase) {
    TempDir dir;
    WriteSampleTables(dir, "decoders.tab", "FUNCTIONS.TAB", "roster.tab");
    ScriptedPrompts prompts;
    auto data = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadStartupTables(*data, prompts, dir.Path()));
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_EQ(data->roster.count, 3);
    // Saving writes the file that was read, not a second one beside it.
    ASSERT_TRUE(SaveRosterFile(*data, prompts, dir.Path()));
    EXPECT_FALSE(std::filesystem::exists(dir.File("Roster.tab")));
    EXPECT_EQ(dir.Read("roster.tab"), FormatRosterFile(*data));
}

TEST(StartupTables, ASecondFieldForOneFunctionDefinesItsMapEntryWhole) {
    const std::string decoders = SampleDecoders();
    const std::string functions = ReadFile(SampleData() / "Functions.tab");
    const std::string roster =
        "Id\tConsist\tDescr\n"
        "7\t\tTest\t3\t0\t1000\t80\t4\t0\t0\t0\t0\tB 010\t\t0\t0\t0\t\t\t\t\t\t"
        "\t\t\t\t#3[101]M2+|M2-\t#3[001]\n";
    ScriptedPrompts prompts;
    auto data = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadFromText(*data, prompts, decoders, functions, roster));
    ASSERT_EQ(data->roster.count, 1);
    const Loco& loco = data->roster.locos[0];
    EXPECT_EQ(loco.FuncFlags[3], kFuncAuto);
    EXPECT_EQ(loco.FuncSequences[3], FunctionSequences{});

    // What is saved reads back as saved.
    const std::string saved = FormatRosterFile(*data);
    auto again = std::make_unique<RosterData>();
    ASSERT_TRUE(LoadFromText(*again, prompts, decoders, FormatFunctionsFile(*data), saved));
    EXPECT_EQ(FormatRosterFile(*again), saved);
}

TEST(StartupTables, ExtremeDecoderLevelsStillFormatTheSpeedTable) {
    const std::string decoders = "Name\tType\tMaxLevel\n"
                                 "Huge|Velik\t2\t2147483647\n"
                                 "Negative|Negativen\t2\t-2147483648\n";
    const std::string roster = "Id\n"
                               "1\t\tA\t3\t4\t0\t0\t0\t0\t0\t0\t0\tB 000\t1,2,3\n"
                               "2\t\tB\t5\t6\t0\t0\t0\t0\t1\t0\t0\tB 000\t1,2,3\n";
    ScriptedPrompts prompts;
    auto data = std::make_unique<RosterData>();
    ASSERT_TRUE(
        LoadFromText(*data, prompts, decoders, ReadFile(SampleData() / "Functions.tab"), roster));
    const std::string saved = FormatRosterFile(*data);
    EXPECT_NE(saved.find("\tB 000\t1,2,3,3,3,3,3,3,3,3\t"), std::string::npos); // all ten
    EXPECT_NE(saved.find("\tB 000\t\t"), std::string::npos);                    // none
}
