#include "core/roster/FunctionsFile.h"
#include "core/roster/Roster.h"
#include "core/roster/TableFile.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const std::string kHeader = "Id\tName\tBuiltin\tStatus\tFkey\n";

std::string Msg(int line, const std::string& what) {
    return "Napaka v datoteki 'Functions.tab', v vrstici " + std::to_string(line) + ": " + what;
}

const std::string kInvalidId = "Neveljaven ID funkcionalnosti! Ta funkcionalnost ne bo upoštevana.";
const std::string kDuplicateId =
    "Dupliciran ID funkcionalnosti! Ta funkcionalnost ne bo upoštevana.";
const std::string kUnexpectedZero = "Nepričakovan ID=0! Ta funkcionalnost ne bo upoštevana.";
const std::string kInvalidBuiltin = "Neveljavena koda vgrajene funkcije! Ta koda ne bo upoštevana.";
const std::string kMisplacedDefault =
    "Koda privzete vgrajene funkcije na nepravilnem mestu! Ta koda ne bo upoštevana.";
const std::string kInvalidStatus = "Neveljavna statusna koda! Status bo postavljen na 'skrit'.";
const std::string kInternalStatus =
    "Neveljavna statusna koda interne funkcije! Status bo postavljen na 'skrit'.";
const std::string kInvalidKey = "Neveljavna funkcijska tipka! Funkcijska tipka ne bo uporabljena.";
const std::string kOutputOnlyKey = "Definicija funkcijske tipke za Izhodno funkcionalnost! "
                                   "Funkcijska tipka ne bo uporabljena.";
const std::string kDuplicateKey = "Podvojena funkcijske tipka! Funkcijska tipka ne bo uporabljena.";
const std::string kDuplicateBuiltin =
    "Podvojen sklic na vgrajeno funkcijo! Vgrajena funkcija ne bo prirejena.";

struct Loaded {
    FunctionCatalogue catalogue;
    bool modified = false;
    std::string added;
};

Loaded Load(const std::string& content, ScriptedPrompts& prompts) {
    Loaded l;
    auto reader = TableFileReader::FromText(content);
    LoadFunctions(reader, l.catalogue, prompts, l.modified);
    MakeDefaultFunctionFirst(l.catalogue, l.modified, l.added);
    return l;
}

std::vector<FunctionDef> Entries(const FunctionCatalogue& c) {
    return {c.entries.begin(), c.entries.begin() + c.count};
}

} // namespace

TEST(FunctionCatalogue, EveryFaultIsReportedInOrderAndCorrected) {
    ScriptedPrompts prompts;
    Loaded l = Load(kHeader + "3\tLuči\t0\t3\t0\n"       // 2: fine, but not the default function
                              "30\tBad\t0\t2\t1\n"       // 3
                              "3\tDup\t0\t2\t2\n"        // 4
                              "0\tZero\t1\t4\t-1\n"      // 5
                              "5\tX\t1\t7\t13\n"         // 6: three faults on one line
                              "-4\tY\t12\t3\t4\n"        // 7
                              "7\tA\t0\t3\t5\n"          // 8
                              "8\tB\t0\t3\t5\n"          // 9
                              "\n"                       // 10: empty, counted
                              "9\tKomp\t8\t2\t4\n"       // 11
                              "10\tKomp2\t8\t2\t-1\n"    // 12
                              "6\n"                      // 13: missing columns read as 0
                              "11\tVse\t9\t9\t0\n"       // 14
                              "-5\t Int \t2\t1\t-1  \n", // 15
                    prompts);
    EXPECT_EQ(prompts.texts, (std::vector<std::string>{
                                 Msg(3, kInvalidId),
                                 Msg(4, kDuplicateId),
                                 Msg(5, kUnexpectedZero),
                                 Msg(6, kMisplacedDefault),
                                 Msg(6, kInvalidStatus),
                                 Msg(6, kInvalidKey),
                                 Msg(7, kInvalidBuiltin),
                                 Msg(7, kInternalStatus),
                                 Msg(9, kDuplicateKey),
                                 Msg(11, kOutputOnlyKey),
                                 Msg(12, kDuplicateBuiltin),
                                 Msg(13, kDuplicateKey),
                                 Msg(14, kInvalidStatus),
                                 Msg(14, kOutputOnlyKey),
                                 Msg(15, kInternalStatus),
                             }));
    EXPECT_EQ(Entries(l.catalogue), (std::vector<FunctionDef>{
                                        {0, 1, 4, -1, "Privzeto"},
                                        {3, 0, 3, 0, "Luči"},
                                        {5, 0, 0, -1, "X"},
                                        {-4, 0, 0, 4, "Y"},
                                        {7, 0, 3, 5, "A"},
                                        {8, 0, 3, -1, "B"},
                                        {9, 8, 2, -1, "Komp"},
                                        {10, 0, 2, -1, "Komp2"},
                                        {6, 0, 0, -1, ""},
                                        {11, 9, 0, -1, "Vse"},
                                        {-5, 2, 0, -1, "Int"},
                                    }));
    EXPECT_TRUE(l.modified);
    EXPECT_EQ(l.added, "   Privzeto\n");
}

TEST(FunctionCatalogue, SecondIdZeroGetsBothMessages) {
    ScriptedPrompts prompts;
    Loaded l = Load(kHeader + "0\tP\t1\t4\t-1\n0\tQ\t0\t2\t-1\n", prompts);
    EXPECT_EQ(prompts.texts,
              (std::vector<std::string>{Msg(3, kDuplicateId), Msg(3, kUnexpectedZero)}));
    EXPECT_EQ(Entries(l.catalogue), (std::vector<FunctionDef>{{0, 1, 4, -1, "P"}}));
    EXPECT_TRUE(l.added.empty());
}

TEST(FunctionCatalogue, DefaultStateFunctionIsMadeFirst) {
    const struct {
        const char* name;
        std::string content;
        std::vector<FunctionDef> expected;
        bool modified;
    } cases[] = {
        {"missing file", "", {{0, 1, 4, -1, "Privzeto"}}, true},
        {"header only", kHeader, {{0, 1, 4, -1, "Privzeto"}}, true},
        {"Id 3 first",
         kHeader + "3\tHupa\t0\t2\t2\n4\tZvonec\t0\t2\t3\n",
         {{0, 1, 4, -1, "Privzeto"}, {3, 0, 2, 2, "Hupa"}, {4, 0, 2, 3, "Zvonec"}},
         true},
        // An entry with Id 0 keeps its name; its code, status and key are set silently.
        {"Id 0 with other values",
         kHeader + "0\tOsnovno\t5\t2\t3\n1\tLuči\t0\t3\t0\n",
         {{0, 1, 4, -1, "Osnovno"}, {1, 0, 3, 0, "Luči"}},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPrompts prompts;
        Loaded l;
        if (c.content.empty()) {
            TableFileReader reader("/nonexistent/vlakomat/Functions.tab");
            LoadFunctions(reader, l.catalogue, prompts, l.modified);
            MakeDefaultFunctionFirst(l.catalogue, l.modified, l.added);
        } else {
            l = Load(c.content, prompts);
        }
        EXPECT_TRUE(prompts.texts.empty());
        EXPECT_EQ(Entries(l.catalogue), c.expected);
        EXPECT_EQ(l.modified, c.modified);
        EXPECT_EQ(l.added, c.modified ? "   Privzeto\n" : "");
    }
}

TEST(FunctionCatalogue, MissingBuiltinsAreAddedWithTheirIds) {
    ScriptedPrompts prompts;
    Loaded l = Load("", prompts);
    auto roster = std::make_unique<Roster>();
    roster->count = 2;
    AddMissingBuiltins(l.catalogue, *roster, l.modified, l.added);
    EXPECT_EQ(Entries(l.catalogue), (std::vector<FunctionDef>{
                                        {0, 1, 4, -1, "Privzeto"},
                                        {-1, 2, 0, -1, "Število vagonov"},
                                        {-2, 3, 0, -1, "Poprečna obtežba vagonov"},
                                        {-3, 4, 0, -1, "Tip zavore"},
                                        {1, 5, 2, -1, "Vklop motorja"},
                                        {2, 6, 2, -1, "Utišaj"},
                                        {3, 7, 2, -1, "Dinamične zavore"},
                                        {4, 8, 2, -1, "Kompresor"},
                                        {5, 9, 3, -1, "Cviljenje zavor"},
                                    }));
    // Brake squeal is active by default: it is switched on for every locomotive.
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(roster->locos[static_cast<std::size_t>(i)].FuncFlags[5], kFuncAuto | kFuncActive);
        EXPECT_EQ(roster->locos[static_cast<std::size_t>(i)].FuncFlags[4], kFuncAuto);
    }
    EXPECT_EQ(roster->locos[2].FuncFlags[5], kFuncAuto); // beyond the count: untouched
    ReportAddedFunctions(l.added, prompts);
    EXPECT_EQ(prompts.texts, std::vector<std::string>{
                                 "Dodane so bile vgrajene funkcionalnosti:\n"
                                 "   Privzeto\n   Število vagonov\n   Poprečna obtežba vagonov\n"
                                 "   Tip zavore\n   Vklop motorja\n   Utišaj\n"
                                 "   Dinamične zavore\n   Kompresor\n   Cviljenje zavor\n"});
}

TEST(FunctionCatalogue, AddedBuiltinsTakeTheFreeIds) {
    ScriptedPrompts prompts;
    // Code 2 exists; -1, 1 and 2 are taken, so the gaps are filled.
    Loaded l = Load(kHeader + "0\tP\t1\t4\t-1\n-1\tInt\t0\t0\t-1\n1\tLuči\t0\t3\t0\n"
                              "2\tHupa\t0\t2\t1\n-7\tVagoni\t2\t0\t2\n4\tTiho\t6\t2\t3\n",
                    prompts);
    ASSERT_TRUE(prompts.texts.empty());
    Roster roster;
    AddMissingBuiltins(l.catalogue, roster, l.modified, l.added);
    auto all = Entries(l.catalogue);
    EXPECT_EQ(std::vector<FunctionDef>(all.begin() + 6, all.end()),
              (std::vector<FunctionDef>{
                  {-2, 3, 0, -1, "Poprečna obtežba vagonov"},
                  {-3, 4, 0, -1, "Tip zavore"},
                  {3, 5, 2, -1, "Vklop motorja"},
                  {5, 7, 2, -1, "Dinamične zavore"},
                  {6, 8, 2, -1, "Kompresor"},
                  {7, 9, 3, -1, "Cviljenje zavor"},
              }));
    EXPECT_EQ(l.added, "   Poprečna obtežba vagonov\n   Tip zavore\n   Vklop motorja\n"
                       "   Dinamične zavore\n   Kompresor\n   Cviljenje zavor\n");
    EXPECT_TRUE(l.modified);
}

TEST(FunctionCatalogue, NothingIsAddedOrReportedForACompleteCatalogue) {
    std::string content = kHeader + "0\tP\t1\t4\t-1\n";
    for (int code = 2; code <= 9; ++code)
        content += std::to_string(code <= 4 ? 1 - code : code) + "\tF\t" + std::to_string(code) +
                   "\t0\t-1\n";
    ScriptedPrompts prompts;
    Loaded l = Load(content, prompts);
    Roster roster;
    AddMissingBuiltins(l.catalogue, roster, l.modified, l.added);
    ReportAddedFunctions(l.added, prompts);
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_FALSE(l.modified);
    EXPECT_EQ(l.catalogue.count, 9);
}

TEST(FunctionCatalogue, EntriesBeyondTheCapacityAreIgnoredWithAMessage) {
    const struct {
        const char* name;
        int firstId; // 0: the file has the default function, 1: it gets inserted
        int acceptedFromFile;
    } cases[] = {{"with default function", 0, 30}, {"without default function", 1, 29}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string content = kHeader;
        for (int id = c.firstId; id < 30; ++id)
            content += std::to_string(id) + "\tF" + std::to_string(id) + "\t0\t2\t-1\n";
        content += "-1\tOdveč\t0\t0\t-1\n";
        ScriptedPrompts prompts;
        FunctionCatalogue catalogue;
        bool modified = false;
        auto reader = TableFileReader::FromText(content);
        LoadFunctions(reader, catalogue, prompts, modified);
        EXPECT_EQ(catalogue.count, c.acceptedFromFile);
        EXPECT_TRUE(modified);
        int lastLine = 32 - c.firstId;
        // Without the default function in the file one place stays free for it.
        std::vector<std::string> expected;
        expected.push_back("Napaka v datoteki 'Functions.tab', v vrstici " +
                           std::to_string(lastLine) +
                           ": seznam funkcionalnosti je poln (največ 30), ta funkcionalnost ne "
                           "bo upoštevana.");
        EXPECT_EQ(prompts.texts, expected);
        std::string added;
        MakeDefaultFunctionFirst(catalogue, modified, added);
        EXPECT_EQ(catalogue.count, 30);
        EXPECT_EQ(catalogue.entries[0].Id, 0);
        Roster roster;
        added.clear();
        AddMissingBuiltins(catalogue, roster, modified, added);
        EXPECT_EQ(catalogue.count, 30);
        EXPECT_EQ(added, "");
    }
}

TEST(FunctionCatalogue, WrittenFileReadsBackTheSameEntries) {
    FunctionCatalogue c;
    c.entries[0] = {0, 1, 4, -1, "Privzeto"};
    c.entries[1] = {-1, 2, 0, 9, "Število vagonov"};
    c.entries[2] = {1, 0, 3, 0, "Luči\tspredaj"}; // a tab cannot be stored: it becomes a blank
    c.entries[3] = {7, 9, 3, -1, "Cviljenje zavor"};
    c.count = 4;
    const std::string file = FormatFunctions(c);
    EXPECT_EQ(file, "Id\tName\tBuiltin\tStatus\tFkey\n"
                    "0\tPrivzeto\t1\t4\t-1\n"
                    "-1\tŠtevilo vagonov\t2\t0\t9\n"
                    "1\tLuči spredaj\t0\t3\t0\n"
                    "7\tCviljenje zavor\t9\t3\t-1\n");
    ScriptedPrompts prompts;
    Loaded l = Load(file, prompts);
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_FALSE(l.modified);
    c.entries[2].Name = "Luči spredaj";
    EXPECT_EQ(Entries(l.catalogue), Entries(c));
    EXPECT_EQ(FormatFunctions(l.catalogue), file);
}

TEST(FunctionCatalogue, Lookups) {
    ScriptedPrompts prompts;
    Loaded l = Load(kHeader + "0\tP\t1\t4\t-1\n-1\tV\t2\t0\t9\n4\tM\t5\t2\t1\n", prompts);
    EXPECT_EQ(l.catalogue.FindById(4), 2);
    EXPECT_EQ(l.catalogue.FindById(5), -1);
    EXPECT_EQ(l.catalogue.FindByBuiltin(2), 1);
    EXPECT_EQ(l.catalogue.FindByFkey(1), 2);
    EXPECT_EQ(l.catalogue.FindByFkey(-1), 0);
    ASSERT_NE(l.catalogue.ById(-1), nullptr);
    EXPECT_EQ(l.catalogue.ById(-1)->Name, "V");
    EXPECT_FALSE(IsKeyAllowed(8));
    EXPECT_TRUE(IsKeyAllowed(42)); // unknown codes read as code 0
    EXPECT_FALSE(IsMapAllowed(3));
}
