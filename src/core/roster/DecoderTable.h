#pragma once
// The sound decoder types of Decoders.tab: the kinds of sound equipment a locomotive can
// carry. Read once at start-up, never written.

#include <array>
#include <string>

class Prompts;

struct SoundDecoderType {
    int Type = 0; // 0 none, 1 sound on the motor address stepped by keys, 2 separate decoder
    std::string NameEn;
    std::string NameSl;
    int MaxLevel = 0;
    int LevelOffset = 0;
    int StartLevel = 0;
    int FuncStepped = 0;
    std::array<int, 10> SpeedTable{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    int FuncUp = 0;
    int FuncDown = 0;
};

struct DecoderTable {
    static constexpr int kCapacity = 20;
    std::array<SoundDecoderType, kCapacity> rows{};
    int count = 0;
};

inline constexpr const char* kDecodersFileName = "Decoders.tab";
inline constexpr const char* kMissingDecodersMessage =
    "Napaka! Manjka datoteka 'decoders.tab', ko mora biti v istem imeniku kot program!";

class TableFileReader;

// Loads the table; rows beyond the capacity and speed-table values beyond ten are ignored
// and reported through `prompts` with the file name and line number.
void LoadDecoders(TableFileReader& reader, DecoderTable& table, Prompts& prompts,
                  const std::string& fileName = kDecodersFileName);
