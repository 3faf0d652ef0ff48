#include "core/roster/DecoderTable.h"
#include "core/roster/FunctionCatalogue.h"
#include "core/roster/Roster.h"
#include "core/roster/TableFile.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

FunctionCatalogue MakeCatalogue() {
    FunctionCatalogue c;
    const FunctionDef defs[] = {
        {0, 1, 4, -1, "Privzeto"},  {1, 0, 3, 0, "Luči"}, {-1, 2, 0, 9, "Število vagonov"},
        {5, 5, 2, 1, "Motor"},      {7, 0, 2, 2, "Hupa"}, {11, 3, 0, 3, "Obtežba"},
        {3, 9, 3, -1, "Cviljenje"},
    };
    for (const auto& d : defs)
        c.entries[static_cast<std::size_t>(c.count++)] = d;
    return c;
}

DecoderTable MakeDecoders() {
    DecoderTable t;
    t.rows[0].NameEn = t.rows[0].NameSl = "Brez zvoka";
    t.rows[1].Type = 1;
    t.rows[1].MaxLevel = 5;
    t.rows[1].FuncUp = 7;
    t.rows[1].FuncDown = 8;
    t.rows[1].SpeedTable = {0, 2, 4, 6, 8, 10, 12, 14, 16, 18};
    t.rows[2].Type = 2;
    t.rows[2].MaxLevel = 3;
    t.rows[2].SpeedTable = {10, 20, 30, 40, 50, 60, 70, 80, 90, 99};
    t.count = 3;
    return t;
}

const std::string kHeader = "Id\tConsist\tDescr\tMotorAddr\tSoundAddr\tPower\tWeight\tAxels\t"
                            "PowerDelay\tSoundDecoder\tFuncUp\tFuncDown\tFlags1\tSoundSpeedTable\n";

struct RowSpec {
    std::string id = "1";
    std::string soundDecoder = "0";
    std::string flags1 = "B 000";
    std::string speedTable = "";
    std::vector<std::string> functions;
};

std::string Row(const RowSpec& r) {
    std::string s = r.id + "\t\tLoko\t3\t4\t100\t80\t4\t2\t" + r.soundDecoder + "\t1\t2\t" +
                    r.flags1 + "\t" + r.speedTable + "\t5\t6\t7\t\t\t\t\t\t\t\t\t";
    for (const auto& f : r.functions)
        s += "\t" + f;
    return s + "\n";
}

struct Loaded {
    std::unique_ptr<Roster> roster = std::make_unique<Roster>();
    bool modified = false;
};

Loaded Load(const std::string& content, ScriptedPrompts& prompts,
            const FunctionCatalogue& catalogue = MakeCatalogue()) {
    Loaded l;
    auto reader = TableFileReader::FromText(content);
    LoadRoster(reader, *l.roster, catalogue, MakeDecoders(), prompts, l.modified);
    return l;
}

std::string RosterMsg(int line, const std::string& what) {
    return "Napaka v datoteki 'Roster.tab', v vrstici " + std::to_string(line) + ": " + what;
}

} // namespace

TEST(Roster, ColumnsAreReadInTheirOrder) {
    ScriptedPrompts prompts;
    Loaded l = Load(kHeader + "42\tignored\t SŽ 342-001 \t342\t1342\t812.6\t 78.4 \t4\t3\t2\t5\t6\t"
                              "B 010\t1,2\t11\t12\t13\tr1\tr2\tr3\tr4\tr5\tr6\tr7\tr8\tr9\n",
                    prompts);
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_FALSE(l.modified);
    ASSERT_EQ(l.roster->count, 1);
    const Loco& loco = l.roster->locos[0];
    EXPECT_EQ(loco.Id, 42);
    EXPECT_EQ(loco.Descr, "SŽ 342-001");
    EXPECT_EQ(loco.MotorAddr, 342);
    EXPECT_EQ(loco.SoundAddr, 1342);
    EXPECT_DOUBLE_EQ(loco.Power, 812.6);
    EXPECT_DOUBLE_EQ(loco.Weight, 78.4);
    EXPECT_EQ(loco.Axels, 4);
    EXPECT_EQ(loco.PowerDelay, 3);
    EXPECT_EQ(loco.SoundDecoder, 2);
    EXPECT_EQ(loco.FuncUp, 5);
    EXPECT_EQ(loco.FuncDown, 6);
    EXPECT_EQ(loco.InitialBrakeType, 0);
    EXPECT_EQ(loco.Advanced, 1);
    EXPECT_EQ(loco.UseDecoderDefaults, 0);
    EXPECT_EQ(loco.SoundSpeedTable, (std::array<int, 10>{1, 2, 2, 2, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(loco.DynBrakeDelay, 11);
    EXPECT_EQ(loco.DynBrakePowerStep, 12);
    EXPECT_EQ(loco.CompressorPowerStep, 13);
    // A row without function fields: every map entry Auto only, function 0 active and on.
    EXPECT_EQ(loco.FuncFlags[0], 7);
    for (std::size_t i = 1; i < kMaxFunctions; ++i)
        EXPECT_EQ(loco.FuncFlags[i], 4) << i;
    EXPECT_EQ(loco.FuncSequences[1], FunctionSequences{});
}

TEST(Roster, Flags1Variants) {
    const struct {
        const char* flags1;
        int brake, advanced, defaults;
    } cases[] = {
        {"B 101", 1, 0, 1},  {"B 1 1 0", 1, 1, 0}, {"1 1 0", 1, 1, 0}, {"B110", 1, 1, 0},
        {"B 011", 0, 1, 1},  {"", 0, 0, 0},        {"B 1", 0, 0, 1},   {"B 10", 0, 1, 0},
        {"b 011", 0, 1, 1},  // a small b is not removed, but the last three characters count
        {"B 7x2", 1, 0, 1},  // anything but 0 counts as set
        {"B 1101", 1, 0, 1}, // the last three characters only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags1);
        ScriptedPrompts prompts;
        RowSpec r;
        r.flags1 = c.flags1;
        Loaded l = Load(kHeader + Row(r), prompts);
        ASSERT_EQ(l.roster->count, 1);
        const Loco& loco = l.roster->locos[0];
        EXPECT_EQ(loco.InitialBrakeType, c.brake);
        EXPECT_EQ(loco.Advanced, c.advanced);
        EXPECT_EQ(loco.UseDecoderDefaults, c.defaults);
        EXPECT_TRUE(prompts.texts.empty());
    }
}

TEST(Roster, SoundSpeedTableAndLevelKeys) {
    using Table = std::array<int, 10>;
    const struct {
        const char* name;
        std::string decoder, flags1, table;
        Table expected;
        int funcUp, funcDown;
        bool reported;
    } cases[] = {
        {"two items fill to the end",
         "2",
         "B 000",
         "3,5",
         {3, 5, 5, 5, 5, 5, 5, 5, 5, 5},
         1,
         2,
         false},
        {"blanks around items",
         "2",
         "B 000",
         " 0, 2 ,4",
         {0, 2, 4, 4, 4, 4, 4, 4, 4, 4},
         1,
         2,
         false},
        {"empty column keeps identity",
         "2",
         "B 000",
         "",
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
         1,
         2,
         false},
        {"ten items",
         "2",
         "B 000",
         "9,8,7,6,5,4,3,2,1,0",
         {9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
         1,
         2,
         false},
        {"eleven items: the last is cut",
         "2",
         "B 000",
         "1,2,3,4,5,6,7,8,9,10,11",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         1,
         2,
         true},
        {"decoder defaults replace table and keys",
         "1",
         "B 001",
         "3,5",
         {0, 2, 4, 6, 8, 10, 12, 14, 16, 18},
         7,
         8,
         false},
        {"defaults of another type",
         "2",
         "B 001",
         "",
         {10, 20, 30, 40, 50, 60, 70, 80, 90, 99},
         0,
         0,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPrompts prompts;
        RowSpec r;
        r.soundDecoder = c.decoder;
        r.flags1 = c.flags1;
        r.speedTable = c.table;
        Loaded l = Load(kHeader + Row(r), prompts);
        ASSERT_EQ(l.roster->count, 1);
        const Loco& loco = l.roster->locos[0];
        EXPECT_EQ(loco.SoundSpeedTable, c.expected);
        EXPECT_EQ(loco.FuncUp, c.funcUp);
        EXPECT_EQ(loco.FuncDown, c.funcDown);
        EXPECT_EQ(l.modified, c.reported);
        if (c.reported)
            EXPECT_EQ(prompts.texts,
                      std::vector<std::string>{
                          "Napaka v datoteki 'Roster.tab', v vrstici 2: tabela hitrosti zvoka ima "
                          "največ 10 vrednosti, odvečne vrednosti so izpuščene."});
        else
            EXPECT_TRUE(prompts.texts.empty());
    }
}

TEST(Roster, DuplicateLocoAndUnknownDecoderTypeAreReportedNotMarked) {
    ScriptedPrompts prompts;
    RowSpec a, b, c, d;
    a.id = "5";
    b.id = "6";
    b.soundDecoder = "3"; // three types: 0..2
    c.id = "7";
    c.soundDecoder = "-1";
    d.id = "5";
    Loaded l = Load(kHeader + Row(a) + Row(b) + "\n" + Row(c) + Row(d), prompts);
    EXPECT_EQ(prompts.texts,
              (std::vector<std::string>{
                  RosterMsg(3, "Neznan tip zvočnega dekoderja: 3! Zvočni dekoder bo ignoriran."),
                  RosterMsg(5, "Neznan tip zvočnega dekoderja: -1! Zvočni dekoder bo ignoriran."),
                  RosterMsg(6, "Podvojen ID 5 lokomotive! Lokomotiva ne bo upoštevana.")}));
    EXPECT_FALSE(l.modified);
    ASSERT_EQ(l.roster->count, 3);
    EXPECT_EQ(l.roster->locos[1].SoundDecoder, 0);
    EXPECT_EQ(l.roster->locos[2].SoundDecoder, 0);
    EXPECT_EQ(l.roster->FindById(7), 2);
}

TEST(Roster, FunctionFields) {
    const struct {
        const char* field;
        int id;
        std::uint8_t flags;
        const char* on;
        const char* off;
    } cases[] = {
        {"#7[100]M3+,S5F|M3-", 7, kFuncActive, "M3+,S5F", "M3-"},
        {"#7[100]m3+,s5f|m3-", 7, kFuncActive, "M3+,S5F", "M3-"}, // small letters
        {"#7[101]M3+|", 7, kFuncActive | kFuncAuto, "M3+", "M3-"},
        {"#7[101]M3+|S9B", 7, kFuncActive | kFuncAuto, "M3+", "M3-"}, // Auto replaces it
        {"#7[011] M3- | M4+ ", 7, kFuncInitialOn | kFuncAuto, "M3-", "M3+"},
        {"#7[110]S1+", 7, kFuncActive | kFuncInitialOn, "S1+", ""},
        {"#7[100]|S2-", 7, kFuncActive, "", "S2-"},
        {"#7[2x1]", 7, kFuncAuto, "", ""},
        {"#0[000]|", 0, kFuncActive | kFuncInitialOn, "", ""},
        {"#0[001]M0+|", 0, kFuncActive | kFuncInitialOn | kFuncAuto, "M0+", "M0-"},
        {"#3[100]S4B|S4-", 3, kFuncActive, "S4B", "S4-"}, // builtin 9 may have a map
        {"#11[100]|", 11, kFuncActive, "", ""},           // an input without sequences is fine
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        ScriptedPrompts prompts;
        RowSpec r;
        r.functions = {c.field};
        Loaded l = Load(kHeader + Row(r), prompts);
        EXPECT_TRUE(prompts.texts.empty());
        EXPECT_FALSE(l.modified);
        ASSERT_EQ(l.roster->count, 1);
        const Loco& loco = l.roster->locos[0];
        const auto id = static_cast<std::size_t>(c.id);
        EXPECT_EQ(loco.FuncFlags[id], c.flags);
        EXPECT_EQ(FormatSequence(loco.FuncSequences[id], kSequenceOn), c.on);
        EXPECT_EQ(FormatSequence(loco.FuncSequences[id], kSequenceOff), c.off);
        EXPECT_EQ(loco.FuncFlags[1], kFuncAuto); // others untouched
    }
}

TEST(Roster, FunctionFieldFaults) {
    const struct {
        const char* field;
        std::vector<std::string> messages; // for line 2
        const char* on7;
        const char* off7;
    } cases[] = {
        {"#-1[100]|",
         {RosterMsg(2, "Neveljaven ID -1 funkcionalnosti! Funkcionalnost ne bo upoštevana ne bo "
                       "upoštevana.")},
         "",
         ""},
        {"#30[100]M1+|",
         {RosterMsg(2, "Neveljaven ID 30 funkcionalnosti! Funkcionalnost ne bo upoštevana ne bo "
                       "upoštevana.")},
         "",
         ""},
        {"#12[100]M1+|", {RosterMsg(2, "Neznana ID funkcionalnosti 12!")}, "", ""},
        // Without a closing bracket the sequences are read after the three flag digits.
        {"#7[100M1+|M1-",
         {RosterMsg(2, "V polju funkcionalnosti 7 manjka zaklepaj ']'!")},
         "M1+",
         "M1-"},
        {"#7", {RosterMsg(2, "V polju funkcionalnosti 7 manjka zaklepaj ']'!")}, "", ""},
        {"#11[100]M1+|",
         {RosterMsg(2, "Funkcijska mapa ne more biti definirana za vhodno funkcijo 11!")},
         "",
         ""},
        {"#7[100]M1+,X2+|M1-",
         {RosterMsg(2, "Neveljavena koda dekoderja  'X' v sekvenci!")},
         "M1+",
         "M1-"},
        // The switch-off text is parsed first.
        {"#7[100]M1+,M2|M14-",
         {RosterMsg(2, "Neveljavna številka funkcije '14' v sekvenci!"),
          RosterMsg(2, "Neveljavna koda stanja funkcije '2' v sekvenci!")},
         "M1+",
         ""},
        {"#7[101]M1+,M|M14-",
         {RosterMsg(2, "Neveljavna številka funkcije '14' v sekvenci!"),
          RosterMsg(2, "Komanda s samo dekoderjevo kodo v sekvenci!")},
         "M1+",
         "M1-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        ScriptedPrompts prompts;
        RowSpec r;
        r.functions = {c.field, "#1[010]M0+|M0-"};
        Loaded l = Load(kHeader + Row(r), prompts);
        EXPECT_EQ(prompts.texts, c.messages);
        EXPECT_TRUE(l.modified);
        ASSERT_EQ(l.roster->count, 1);
        const Loco& loco = l.roster->locos[0];
        EXPECT_EQ(FormatSequence(loco.FuncSequences[7], kSequenceOn), c.on7);
        EXPECT_EQ(FormatSequence(loco.FuncSequences[7], kSequenceOff), c.off7);
        // The field after the faulty one is still read.
        EXPECT_EQ(loco.FuncFlags[1], kFuncInitialOn);
        EXPECT_EQ(FormatSequence(loco.FuncSequences[1], kSequenceOn), "M0+");
    }
}

TEST(Roster, FunctionFieldsEndAtTheFirstOtherField) {
    ScriptedPrompts prompts;
    RowSpec r;
    r.functions = {"#1[100]M1+|", "", "#7[100]M2+|"};
    RowSpec s;
    s.id = "2";
    s.functions = {"#1[100]M1+|", "Hupa", "#7[100]M2+|"};
    Loaded l = Load(kHeader + Row(r) + Row(s), prompts);
    ASSERT_EQ(l.roster->count, 2);
    for (const Loco& loco : {l.roster->locos[0], l.roster->locos[1]}) {
        EXPECT_EQ(loco.FuncFlags[1], kFuncActive);
        EXPECT_EQ(loco.FuncFlags[7], kFuncAuto);
        EXPECT_EQ(loco.FuncSequences[7].count[kSequenceOn], 0);
    }
}

TEST(Roster, LocosBeyondTheCapacityAreIgnoredWithAMessage) {
    std::string content = kHeader;
    for (int id = 1; id <= 102; ++id) {
        RowSpec r;
        r.id = std::to_string(id);
        content += Row(r);
    }
    ScriptedPrompts prompts;
    Loaded l = Load(content, prompts);
    EXPECT_EQ(l.roster->count, 100);
    EXPECT_EQ(l.roster->locos[99].Id, 100);
    EXPECT_TRUE(l.modified);
    EXPECT_EQ(prompts.texts, (std::vector<std::string>{
                                 "Napaka v datoteki 'Roster.tab', v vrstici 102: seznam lokomotiv "
                                 "je poln (največ 100), lokomotiva ne bo upoštevana.",
                                 "Napaka v datoteki 'Roster.tab', v vrstici 103: seznam lokomotiv "
                                 "je poln (največ 100), lokomotiva ne bo upoštevana."}));
}

TEST(Roster, RowFormat) {
    auto roster = std::make_unique<Roster>();
    Loco& a = roster->locos[0];
    a.Id = 12;
    a.Descr = "\rSŽ\t363 "; // tabs and line ends become blanks, blanks at the ends go
    a.MotorAddr = 363;
    a.SoundAddr = 1363;
    a.Power = 812.6;
    a.Weight = 114.4;
    a.Axels = 6;
    a.PowerDelay = 2;
    a.SoundDecoder = 2; // MaxLevel 3: four speed-table entries
    a.FuncUp = 1;
    a.FuncDown = 2;
    a.InitialBrakeType = 1;
    a.Advanced = 1;
    a.SoundSpeedTable = {3, 5, 5, 5, 5, 5, 5, 5, 5, 5};
    a.DynBrakeDelay = 4;
    a.DynBrakePowerStep = 5;
    a.CompressorPowerStep = 6;
    a.FuncFlags[1] = kFuncActive | kFuncAuto;
    ScriptedPrompts prompts;
    ParseSequence("M0+,S1F", kSequenceOn, a.FuncSequences[1], prompts);
    DeriveOffSequence(a.FuncSequences[1]);
    Loco& b = roster->locos[1];
    b.Id = 13;
    b.UseDecoderDefaults = 1;
    b.SoundDecoder = 1;
    roster->count = 2;
    EXPECT_EQ(FormatRoster(*roster, MakeCatalogue(), MakeDecoders()),
              "Id\tConsist\tDescr\tMotorAddr\tSoundAddr\tPower\tWeight\tAxels\tPowerDelay\t"
              "SoundDecoder\tFuncUp\tFuncDown\tFlags1\tSoundSpeedTable\tDynBrakeDelay\t"
              "DynBrakePowerStep\tCompressorPowerStep\tReserved1\tReserved2\tReserved3\t"
              "Reserved4\tReserved5\tReserved6\tReserved7\tReserved8\tReserved9\t"
              "Func 0\tFunc 1\tFunc 5\tFunc 7\tFunc 11\tFunc 3\n"
              "12\t\tSŽ 363\t363\t1363\t813\t114\t6\t2\t2\t1\t2\tB 110\t3,5,5,5\t4\t5\t6"
              "\t\t\t\t\t\t\t\t\t"
              "\t#0[111]|\t#1[101]M0+,S1F|M0-,S1-\t#5[001]|\t#7[001]|\t#11[001]|\t#3[001]|\n"
              "13\t\t\t0\t0\t0\t0\t0\t0\t1\t0\t0\tB 001\t\t0\t0\t0\t\t\t\t\t\t\t\t\t"
              "\t#0[111]|\t#1[001]|\t#5[001]|\t#7[001]|\t#11[001]|\t#3[001]|\n");
}

TEST(Roster, WrittenFileReadsBackTheSameRecords) {
    ScriptedPrompts prompts;
    RowSpec a, b, c;
    a.id = "3";
    a.soundDecoder = "2";
    a.flags1 = "B 110";
    a.speedTable = "3,5,7,9,11,13"; // entries above MaxLevel 3 are not written
    a.functions = {"#1[111]M0+|M0-", "#5[101]s1+,M1+|", "#7[100]S2F|S2-,M3+", "#3[101]S4B|"};
    b.id = "4";
    b.soundDecoder = "1";
    b.flags1 = "B 001";
    c.id = "-9";
    c.functions = {"#0[000]M5+|M5-", "#11[100]|"};
    Loaded first = Load(kHeader + Row(a) + Row(b) + "\n\n" + Row(c), prompts);
    ASSERT_TRUE(prompts.texts.empty());
    ASSERT_EQ(first.roster->count, 3);
    const std::string file = FormatRoster(*first.roster, MakeCatalogue(), MakeDecoders());
    Loaded second = Load(file, prompts);
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_FALSE(second.modified);
    ASSERT_EQ(second.roster->count, 3);
    Loco expectedA = first.roster->locos[0];
    expectedA.SoundSpeedTable = {3, 5, 7, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(second.roster->locos[0], expectedA);
    EXPECT_EQ(second.roster->locos[1], first.roster->locos[1]);
    Loco expectedC = first.roster->locos[2]; // no sound: MaxLevel 0, one entry written
    expectedC.SoundSpeedTable.fill(0);
    EXPECT_EQ(second.roster->locos[2], expectedC);
    EXPECT_EQ(FormatRoster(*second.roster, MakeCatalogue(), MakeDecoders()), file);
    EXPECT_EQ(FormatSequence(second.roster->locos[0].FuncSequences[5], kSequenceOff), "S1-,M1-");
}
