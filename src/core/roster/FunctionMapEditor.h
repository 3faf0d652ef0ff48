#pragma once
// The logic of the function map dialog: one function map entry of a locomotive (its flags
// and its two sequences), the sequences edited as text that is checked when an edit is left.

#include "core/roster/FunctionCatalogue.h"
#include "core/roster/Sequence.h"

#include <array>
#include <cstdint>
#include <string>

class Prompts;

class FunctionMapEditor {
public:
    FunctionMapEditor(const FunctionDef& function, std::uint8_t flags,
                      const FunctionSequences& sequences, Prompts& prompts);

    // --- what the dialog shows ----------------------------------------------------------
    const std::string& Name() const { return function_.Name; }
    std::string BuiltinText() const;
    // "F<key>", or empty for a function without a key.
    std::string KeyText() const;
    // The default-state function is always active and on.
    bool FlagsLocked() const { return function_.Id == 0; }
    bool MapAllowed() const;
    bool OffReadOnly() const { return auto_ || !MapAllowed(); }
    bool Active() const { return active_; }
    bool InitialOn() const { return initialOn_; }
    bool Auto() const { return auto_; }
    // The text of sequence `index` (kSequenceOff, kSequenceOn) as the edit shows it.
    const std::string& Text(int index) const;

    // --- operator input -----------------------------------------------------------------
    void SetActive(bool on);
    void SetInitialOn(bool on);
    // With auto set, the switch-off sequence becomes the mirror of the switch-on sequence;
    // cleared, the derived sequence stays and can be edited.
    void SetAuto(bool on);
    // The edit of sequence `index` was left holding `typed`: parses it, asking about a fault.
    // Accepted: the text is normalized. EditAgain: the edit keeps `typed` and should get the
    // focus back. Revert: the text and the sequence go back to the last accepted ones.
    SequenceParseOutcome FinishText(int index, const std::string& typed);

    // --- the result ---------------------------------------------------------------------
    std::uint8_t Flags() const;
    const FunctionSequences& Sequences() const { return sequences_; }

private:
    void DeriveOff();

    FunctionDef function_;
    Prompts& prompts_;
    bool active_ = false;
    bool initialOn_ = false;
    bool auto_ = false;
    FunctionSequences sequences_;
    std::array<std::string, 2> text_;
    std::array<std::string, 2> accepted_;
};
