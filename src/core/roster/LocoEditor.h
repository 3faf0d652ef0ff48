#pragma once
// The logic of the locomotive properties dialog: one roster record, its sound controls that
// follow the sound decoder type, its function map list, and the checks of every field.

#include "core/roster/DecoderTable.h"
#include "core/roster/FunctionCatalogue.h"
#include "core/roster/FunctionMapEditor.h"
#include "core/roster/Loco.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class Prompts;

// The edit fields in the order they are checked.
enum class LocoField {
    Name,
    Weight,
    Axles,
    Power,
    MotorAddr,
    PowerDelay,
    DynBrakeDelay,
    SpeedTable,
    FuncUp,
    FuncDown,
    SoundAddr,
    DynBrakeLevel,
    CompressorLevel,
    Count
};

// What the dialog's controls hold.
struct LocoEntries {
    std::array<std::string, static_cast<std::size_t>(LocoField::Count)> texts;
    int brakeType = 1; // 0 train brake, 1 locomotive brake
    bool useDefaults = false;
    bool advanced = false;

    std::string& operator[](LocoField f) { return texts[static_cast<std::size_t>(f)]; }
    const std::string& operator[](LocoField f) const { return texts[static_cast<std::size_t>(f)]; }
};

// Which sound controls show, for the locomotive's sound decoder type.
struct SoundControls {
    bool defaultsShown = false;   // "Privzeto:" and the table label
    bool speedTableShown = false; // the speed table edit
    bool keysShown = false;       // the two key edits and the "/" between them
    bool soundShown = false;      // sound address, dynamic brake and compressor levels
    bool editable = false;        // the speed table and key edits
    const char* tableLabel = "Tabela hitrosti:";
    bool operator==(const SoundControls&) const = default;
};

// One row of the function map list.
struct MapRow {
    int catalogueIndex = 0;
    int image = 0;                      // 1 disabled, 2 inactive, 3 active, 4 always active
    std::array<std::string, 6> columns; // Ime, Vgr., Ftip., Zač., Sekvenca vkl., Sekvenca izkl.
};

class LocoEditor {
public:
    // Field ranges; the addresses are those of LocoNet decoders.
    static constexpr int kMaxAddress = 9983;
    static constexpr int kMaxSoundKey = 8;
    static constexpr int kMaxSpeedValue = 126;
    static constexpr int kMaxAxles = 99;
    static constexpr int kMaxDelayMs = 60000;
    static constexpr int kMaxLevel = 99;
    static constexpr double kMaxPowerWeight = 99999;

    // Opens on `loco`; a record whose sound decoder type does not exist is told so and gets
    // type 0.
    LocoEditor(const DecoderTable& decoders, const FunctionCatalogue& catalogue, Prompts& prompts,
               Loco loco);

    // A new locomotive: its defaults, and the functions active by default made active.
    static Loco NewLoco(const FunctionCatalogue& catalogue);

    const Loco& Record() const { return loco_; }
    LocoEntries Entries() const;
    SoundControls Sound() const;
    std::string SpeedTableText() const;
    std::vector<MapRow> MapRows() const;

    // The sound decoder list, "Privzeto:" or "Napredno" changed; `entries` are the controls
    // as they are now. The sound fields follow the type; the view shows them again.
    void OnSoundChanged(int soundDecoder, const LocoEntries& entries);

    // OK: reads and checks every field. On a fault the field's message has been shown, the
    // record is unchanged and the field is returned, to get the focus.
    std::optional<LocoField> Accept(const LocoEntries& entries);

    // The function map dialog's logic for a catalogue entry, or nothing when that entry's map
    // cannot be edited (hidden, disabled or internal).
    std::optional<FunctionMapEditor> MapEditor(int catalogueIndex);
    void StoreMap(int catalogueIndex, const FunctionMapEditor& editor);

private:
    const SoundDecoderType& Type() const;
    void UpdateSound();
    // Reads the speed table text into `table`; false, with the field's message shown, when a
    // value is out of range. `values` is how many the text gave.
    bool ReadSpeedTable(const std::string& text, std::array<int, 10>& table, int& values,
                        bool quiet) const;

    const DecoderTable& decoders_;
    const FunctionCatalogue& catalogue_;
    Prompts& prompts_;
    Loco loco_;
};
