#include "core/roster/FunctionEditor.h"

#include "core/platform.h"
#include "core/roster/FunctionsFile.h"

FunctionEdit FunctionEdit::Of(const FunctionDef& function) {
    return {function, function.Id < 0 ? FunctionEditor::kInternalChoice : function.Status + 1};
}

FunctionDef FunctionEdit::Applied() const {
    FunctionDef out = function;
    if (statusChoice >= 1 && statusChoice < FunctionEditor::kStatusChoices)
        out.Status = statusChoice - 1;
    return out;
}

FunctionEditor::FunctionEditor(const FunctionCatalogue& catalogue, FunctionEdit edit)
    : catalogue_(catalogue), edit_(std::move(edit)) {}

bool FunctionEditor::ChoiceEnabled(int choice) const {
    if (edit_.function.Id == 0 || choice < 0 || choice >= kStatusChoices)
        return false;
    const bool internal = edit_.statusChoice == kInternalChoice;
    return internal == (choice == kInternalChoice);
}

bool FunctionEditor::KeyEnabled() const {
    return edit_.function.Id != 0 && IsKeyAllowed(edit_.function.Builtin);
}

std::string FunctionEditor::BuiltinText() const {
    return LongName[BuiltinIndex(edit_.function.Builtin)];
}

std::string FunctionEditor::DirectionText() const {
    const bool in = IsKeyAllowed(edit_.function.Builtin);
    const bool out = IsMapAllowed(edit_.function.Builtin);
    if (in && out)
        return "Vhodno-izhodna funkcija";
    if (in)
        return "Vhodna funkcija";
    return out ? "Izhodna funkcija" : "Napaka";
}

std::vector<FunctionEditor::KeyItem> FunctionEditor::KeyItems() const {
    std::vector<KeyItem> items{{"brez", -1}};
    for (int key = 0; key <= 12; ++key) {
        const int user = catalogue_.FindByFkey(key);
        if (user < 0 || catalogue_.entries[static_cast<std::size_t>(user)].Id == edit_.function.Id)
            items.push_back({'F' + std::to_string(key), key});
    }
    return items;
}

bool FunctionEditor::Accept(const std::string& name, int choice, int key, Prompts& prompts) {
    const std::string stored = TableFileText(name);
    if (stored.empty()) {
        prompts.Inform("Funkcionalnost mora imeti ime!", PromptIcon::Warning);
        return false;
    }
    edit_.function.Name = stored;
    if (ChoiceEnabled(choice))
        edit_.statusChoice = choice;
    if (KeyEnabled())
        for (const KeyItem& item : KeyItems())
            if (item.key == key)
                edit_.function.Fkey = key;
    return true;
}
