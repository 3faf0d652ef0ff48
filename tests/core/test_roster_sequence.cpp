#include "core/roster/Sequence.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace {

struct AcceptedCase {
    const char* text;
    const char* written; // FormatSequence of the result
    int count;
};

// Parses `text` into the switch-on sequence with the dialog's rules.
FunctionSequences ParseOn(const std::string& text, ScriptedPrompts& prompts,
                          SequenceParseOutcome* outcome = nullptr) {
    FunctionSequences s;
    SequenceParseOutcome o = ParseSequence(text, kSequenceOn, s, prompts);
    if (outcome)
        *outcome = o;
    return s;
}

} // namespace

TEST(Sequence, AcceptedTextsAndTheirNormalizedForm) {
    const AcceptedCase cases[] = {
        {"", "", 0},
        {"M0+,M3-,S1F", "M0+,M3-,S1F", 3},
        {"M1+,", "M1+", 1},          // a trailing comma yields nothing further
        {",M1+", "", 0},             // a leading comma: empty first command
        {"M1+,,M2+", "M1+", 1},      // two commas end the sequence
        {"M1+ ,M2- ", "M1+,M2-", 2}, // blanks before a comma are cut
        {"M+", "M0+", 1},            // no number reads as F0
        {"m3f", "M3F", 1},           // the dialog takes small letters
        {"s2b", "S2B", 1},
        {"M1x+", "M1+", 1}, // the number is read from its leading digits
        {"M12-", "M12-", 1},
        {"M007B", "M7B", 1}, // no leading zeros when written
        {"M 5+", "M5+", 1},  // a blank before the number is skipped
        {"M+3+", "M3+", 1},
        {"M1+,M2+,M3+,M4+,M5+,M6+,M7+,M8+,M9+,M10+,M11+",
         "M1+,M2+,M3+,M4+,M5+,M6+,M7+,M8+,M9+,M10+", 10}, // the eleventh is dropped
        {"M1+,M2+,M3+,M4+,M5+,M6+,M7+,M8+,M9+,M10+,Q", "M1+,M2+,M3+,M4+,M5+,M6+,M7+,M8+,M9+,M10+",
         10}, // even when it would be faulty
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ScriptedPrompts prompts;
        SequenceParseOutcome outcome{};
        FunctionSequences s = ParseOn(c.text, prompts, &outcome);
        EXPECT_EQ(outcome, SequenceParseOutcome::Accepted);
        EXPECT_TRUE(prompts.texts.empty());
        EXPECT_EQ(s.count[kSequenceOn], c.count);
        EXPECT_EQ(s.count[kSequenceOff], 0);
        EXPECT_EQ(FormatSequence(s, kSequenceOn), c.written);
        // The written text parses back to the same sequence.
        FunctionSequences again = ParseOn(FormatSequence(s, kSequenceOn), prompts);
        EXPECT_EQ(again, s);
    }
}

TEST(Sequence, CommandWordLayout) {
    ScriptedPrompts prompts;
    FunctionSequences s = ParseOn("M0-,M12F,S3B,S31+", prompts); // 31 is out of range
    ASSERT_EQ(s.count[kSequenceOn], 3);
    EXPECT_EQ(s.commands[kSequenceOn][0], 0x0000);
    EXPECT_EQ(s.commands[kSequenceOn][1], 0x010C);
    EXPECT_EQ(s.commands[kSequenceOn][2], 0x0223);
    FunctionSequences t = ParseOn("S12+", prompts);
    EXPECT_EQ(t.commands[kSequenceOn][0], 0x032C);
}

namespace {
struct FaultCase {
    const char* text;
    const char* dialogMessage;
    const char* fileMessage; // for line 7
    const char* kept;        // the commands before the faulty one
};
} // namespace

TEST(Sequence, FaultsAndTheirMessagesInBothVariants) {
    const FaultCase cases[] = {
        {"M1+,M2+,Q3+",
         "Napaka v ukazu 3: Napačna oznaka dekoderja 'Q'! Ali želite popraviti podatke?",
         "Napaka v datoteki 'Roster.tab', v vrstici 7: Neveljavena koda dekoderja  'Q' v "
         "sekvenci!",
         "M1+,M2+"},
        {"M1+, M2+",
         "Napaka v ukazu 2: Napačna oznaka dekoderja ' '! Ali želite popraviti podatke?",
         "Napaka v datoteki 'Roster.tab', v vrstici 7: Neveljavena koda dekoderja  ' ' v "
         "sekvenci!",
         "M1+"},
        {" M1+", "Napaka v ukazu 1: Napačna oznaka dekoderja ' '! Ali želite popraviti podatke?",
         "Napaka v datoteki 'Roster.tab', v vrstici 7: Neveljavena koda dekoderja  ' ' v "
         "sekvenci!",
         ""},
        {"Š1+", "Napaka v ukazu 1: Napačna oznaka dekoderja 'Š'! Ali želite popraviti podatke?",
         "Napaka v datoteki 'Roster.tab', v vrstici 7: Neveljavena koda dekoderja  'Š' v "
         "sekvenci!",
         ""},
        {"S", "Napaka v ukazu 1: Komanda s samo oznako dekoderja! Ali želite popraviti podatke?",
         "Napaka v datoteki 'Roster.tab', v vrstici 7: Komanda s samo dekoderjevo kodo v "
         "sekvenci!",
         ""},
        {"M1", "Napaka v ukazu 1: Neveljavna koda statusa '1'! Ali želite popraviti podatke?",
         "Napaka v datoteki 'Roster.tab', v vrstici 7: Neveljavna koda stanja funkcije '1' v "
         "sekvenci!",
         ""},
        {"M2+,M1č", "Napaka v ukazu 2: Neveljavna koda statusa 'č'! Ali želite popraviti podatke?",
         "Napaka v datoteki 'Roster.tab', v vrstici 7: Neveljavna koda stanja funkcije 'č' v "
         "sekvenci!",
         "M2+"},
        {"M13+",
         "Napaka v ukazu 1: Neveljavna številka funkcije '13'! Ali želite popraviti podatke?",
         "Napaka v datoteki 'Roster.tab', v vrstici 7: Neveljavna številka funkcije '13' v "
         "sekvenci!",
         ""},
        {"S4F,M-1-",
         "Napaka v ukazu 2: Neveljavna številka funkcije '-1'! Ali želite popraviti podatke?",
         "Napaka v datoteki 'Roster.tab', v vrstici 7: Neveljavna številka funkcije '-1' v "
         "sekvenci!",
         "S4F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        for (PromptAnswer answer : {PromptAnswer::Ok, PromptAnswer::Cancel}) {
            ScriptedPrompts prompts;
            prompts.answers = {answer};
            SequenceParseOutcome outcome{};
            FunctionSequences s = ParseOn(c.text, prompts, &outcome);
            EXPECT_EQ(outcome, answer == PromptAnswer::Ok ? SequenceParseOutcome::EditAgain
                                                          : SequenceParseOutcome::Revert);
            EXPECT_EQ(prompts.texts, std::vector<std::string>{c.dialogMessage});
            EXPECT_EQ(FormatSequence(s, kSequenceOn), c.kept);
        }
        ScriptedPrompts prompts;
        FunctionSequences s;
        EXPECT_FALSE(ParseSequenceFromFile(c.text, kSequenceOff, s, prompts, 7));
        EXPECT_EQ(prompts.texts, std::vector<std::string>{c.fileMessage});
        EXPECT_EQ(FormatSequence(s, kSequenceOff), c.kept);
        EXPECT_EQ(s.count[kSequenceOn], 0);
    }
}

TEST(Sequence, FileVariantTakesCapitalsOnly) {
    ScriptedPrompts prompts;
    FunctionSequences s;
    EXPECT_FALSE(ParseSequenceFromFile("m3F", kSequenceOn, s, prompts, 4));
    EXPECT_FALSE(ParseSequenceFromFile("M3f", kSequenceOn, s, prompts, 5));
    EXPECT_TRUE(ParseSequenceFromFile("M3F,S0B", kSequenceOn, s, prompts, 6));
    EXPECT_EQ(prompts.texts,
              (std::vector<std::string>{
                  "Napaka v datoteki 'Roster.tab', v vrstici 4: Neveljavena koda dekoderja  'm' v "
                  "sekvenci!",
                  "Napaka v datoteki 'Roster.tab', v vrstici 5: Neveljavna koda stanja funkcije "
                  "'f' v sekvenci!"}));
    EXPECT_EQ(FormatSequence(s, kSequenceOn), "M3F,S0B");
}

TEST(Sequence, ParsingOneSequenceLeavesTheOtherAlone) {
    ScriptedPrompts prompts;
    FunctionSequences s;
    ASSERT_EQ(ParseSequence("M1+,M2+", kSequenceOff, s, prompts), SequenceParseOutcome::Accepted);
    ASSERT_EQ(ParseSequence("S5F", kSequenceOn, s, prompts), SequenceParseOutcome::Accepted);
    ASSERT_EQ(ParseSequence("M4-", kSequenceOff, s, prompts), SequenceParseOutcome::Accepted);
    EXPECT_EQ(FormatSequence(s, kSequenceOff), "M4-");
    EXPECT_EQ(FormatSequence(s, kSequenceOn), "S5F");
}

TEST(Sequence, DeriveOffSequenceMirrorsTheSwitchOnSequence) {
    const struct {
        const char* on;
        const char* oldOff;
        const char* off;
    } cases[] = {
        {"M1+,M2-,S3F,S4B", "", "M1-,M2+,S3-,S4-"},
        {"", "M5+,M6+", ""}, // an empty switch-on sequence empties the switch-off one
        {"S12-", "M1+,M2+,M3+", "S12+"},
        {"M0+,M1+,M2+,M3+,M4+,M5+,M6+,M7+,M8+,M9+", "", "M0-,M1-,M2-,M3-,M4-,M5-,M6-,M7-,M8-,M9-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.on);
        ScriptedPrompts prompts;
        FunctionSequences s;
        ParseSequence(c.on, kSequenceOn, s, prompts);
        ParseSequence(c.oldOff, kSequenceOff, s, prompts);
        DeriveOffSequence(s);
        EXPECT_EQ(FormatSequence(s, kSequenceOff), c.off);
        EXPECT_EQ(FormatSequence(s, kSequenceOn), c.on);
    }
}

TEST(Sequence, CarryingOutSetsAndClearsDecoderFunctionBits) {
    const struct {
        const char* text;
        int index;
        std::uint32_t motorBefore, soundBefore, motorAfter, soundAfter;
    } cases[] = {
        {"M0+,M3-,S1F", kSequenceOn, 0x0008, 0x0000, 0x0001, 0x0002},
        {"M2B,S12+", kSequenceOn, 0x0000, 0x0000, 0x0004, 0x1000},
        {"M4+,M4-", kSequenceOn, 0x0000, 0x0000, 0x0000, 0x0000}, // a later command overrides
        {"S0-,S1-", kSequenceOff, 0xFFFF, 0x0003, 0xFFFF, 0x0000},
        {"", kSequenceOn, 0x1234, 0x4321, 0x1234, 0x4321},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ScriptedPrompts prompts;
        FunctionSequences s;
        ASSERT_EQ(ParseSequence(c.text, c.index, s, prompts), SequenceParseOutcome::Accepted);
        std::uint32_t motor = c.motorBefore, sound = c.soundBefore;
        ApplySequence(s, c.index, motor, sound);
        EXPECT_EQ(motor, c.motorAfter);
        EXPECT_EQ(sound, c.soundAfter);
        // The other sequence is empty and changes nothing.
        ApplySequence(s, 1 - c.index, motor, sound);
        EXPECT_EQ(motor, c.motorAfter);
        EXPECT_EQ(sound, c.soundAfter);
    }
}

TEST(Sequence, RecordsWithBadCountsAreReadWithinTheirArrays) {
    FunctionSequences s;
    s.count = {-3, 99};
    s.commands[kSequenceOn].fill(sequence::MakeCommand(false, 1, sequence::kStateOn));
    EXPECT_EQ(FormatSequence(s, kSequenceOff), "");
    EXPECT_EQ(FormatSequence(s, kSequenceOn), "M1+,M1+,M1+,M1+,M1+,M1+,M1+,M1+,M1+,M1+");
    DeriveOffSequence(s);
    EXPECT_EQ(s.count[kSequenceOff], 10);
}
