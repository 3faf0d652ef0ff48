#pragma once
// The logic of the function properties dialog: one catalogue entry, its name, status and
// throttle key, with the choices that the entry allows.

#include "core/roster/FunctionCatalogue.h"

#include <string>
#include <vector>

class Prompts;

// A catalogue entry with its status as the dialog offers it: choice 0 "internal" for a
// function with a negative Id, Status + 1 otherwise.
struct FunctionEdit {
    FunctionDef function;
    int statusChoice = -1;

    static FunctionEdit Of(const FunctionDef& function);
    // The entry with the chosen status; "internal" leaves the status as it was.
    FunctionDef Applied() const;
};

class FunctionEditor {
public:
    static constexpr int kStatusChoices = 6;
    static constexpr int kInternalChoice = 0;

    FunctionEditor(const FunctionCatalogue& catalogue, FunctionEdit edit);

    const FunctionEdit& Edit() const { return edit_; }
    bool ChoiceEnabled(int choice) const;
    bool KeyEnabled() const;
    std::string BuiltinText() const;
    // Input, output or both, after the builtin code.
    std::string DirectionText() const;

    // The keys offered: "brez" (-1) first, then every key no other function has.
    struct KeyItem {
        std::string text;
        int key;
    };
    std::vector<KeyItem> KeyItems() const;

    // OK with what the controls hold. A choice or key the entry does not allow is ignored;
    // a name that is empty once made storable is refused with a message.
    bool Accept(const std::string& name, int choice, int key, Prompts& prompts);

private:
    const FunctionCatalogue& catalogue_;
    FunctionEdit edit_;
};
