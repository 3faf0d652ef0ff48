#include "core/roster/FunctionMapEditor.h"

#include "core/roster/Loco.h"

namespace {
std::size_t Slot(int index) {
    return index == kSequenceOn ? 1 : 0;
}
} // namespace

FunctionMapEditor::FunctionMapEditor(const FunctionDef& function, std::uint8_t flags,
                                     const FunctionSequences& sequences, Prompts& prompts)
    : function_(function), prompts_(prompts), active_((flags & kFuncActive) != 0),
      initialOn_((flags & kFuncInitialOn) != 0), auto_((flags & kFuncAuto) != 0),
      sequences_(sequences) {
    if (FlagsLocked())
        active_ = initialOn_ = true;
    for (int index : {kSequenceOff, kSequenceOn})
        text_[Slot(index)] = FormatSequence(sequences_, index);
    if (MapAllowed() && auto_)
        DeriveOff();
    accepted_ = text_;
}

std::string FunctionMapEditor::BuiltinText() const {
    return LongName[BuiltinIndex(function_.Builtin)];
}

std::string FunctionMapEditor::KeyText() const {
    return function_.Fkey >= 0 ? 'F' + std::to_string(function_.Fkey) : std::string();
}

bool FunctionMapEditor::MapAllowed() const {
    return IsMapAllowed(function_.Builtin);
}

const std::string& FunctionMapEditor::Text(int index) const {
    return text_[Slot(index)];
}

void FunctionMapEditor::SetActive(bool on) {
    if (!FlagsLocked())
        active_ = on;
}

void FunctionMapEditor::SetInitialOn(bool on) {
    if (!FlagsLocked())
        initialOn_ = on;
}

void FunctionMapEditor::SetAuto(bool on) {
    if (!MapAllowed())
        return;
    auto_ = on;
    if (auto_)
        DeriveOff();
}

void FunctionMapEditor::DeriveOff() {
    DeriveOffSequence(sequences_);
    text_[Slot(kSequenceOff)] = FormatSequence(sequences_, kSequenceOff);
}

SequenceParseOutcome FunctionMapEditor::FinishText(int index, const std::string& typed) {
    const std::size_t slot = Slot(index);
    // A read-only edit cannot have changed, and an unchanged text was parsed already.
    const bool readOnly = index == kSequenceOff ? OffReadOnly() : !MapAllowed();
    if (readOnly || typed == text_[slot])
        return SequenceParseOutcome::Accepted;
    const SequenceParseOutcome outcome = ParseSequence(typed, index, sequences_, prompts_);
    switch (outcome) {
    case SequenceParseOutcome::Accepted:
        text_[slot] = accepted_[slot] = FormatSequence(sequences_, index);
        break;
    case SequenceParseOutcome::EditAgain:
        return outcome;
    case SequenceParseOutcome::Revert:
        // The sequence goes back with the text, so that OK stores what the edit shows and
        // not the commands parsed before the fault.
        text_[slot] = accepted_[slot];
        ParseSequenceText(accepted_[slot], index, sequences_, false);
        break;
    }
    if (index == kSequenceOn && auto_)
        DeriveOff();
    return outcome;
}

std::uint8_t FunctionMapEditor::Flags() const {
    return static_cast<std::uint8_t>((active_ ? kFuncActive : 0) |
                                     (initialOn_ ? kFuncInitialOn : 0) | (auto_ ? kFuncAuto : 0));
}
