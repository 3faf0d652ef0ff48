#pragma once
// The logic of the roster dialog: the roster and the function catalogue of the application,
// changed in place, with the selection of each list. The locomotive and function dialogs
// are run through the two callbacks, so that every rule is tested without windows.

#include "core/roster/FunctionEditor.h"
#include "core/roster/RosterData.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Prompts;

class RosterEditor {
public:
    // Runs the locomotive dialog on a record; the edited record on OK, nothing on Cancel.
    using LocoDialog = std::function<std::optional<Loco>(const Loco&)>;
    using FunctionDialog = std::function<std::optional<FunctionEdit>(const FunctionEdit&)>;

    struct FunctionRow {
        int image = 0;                      // the status, 5 for an internal function
        std::array<std::string, 3> columns; // Ime, Vgrajena, F tipka
    };

    RosterEditor(RosterData& data, Prompts& prompts, LocoDialog locoDialog,
                 FunctionDialog functionDialog);

    // -1 for none; an index outside the table selects nothing.
    int SelectedLoco() const { return loco_; }
    int SelectedFunction() const { return function_; }
    void SelectLoco(int index);
    void SelectFunction(int index);

    // --- the buttons; each does nothing where it cannot apply -----------------------------
    void NewLoco();
    void EditLoco();
    void CopyLoco();
    void DeleteLoco();
    void MoveLocoUp() { MoveLoco(-1); }
    void MoveLocoDown() { MoveLoco(+1); }
    void NewFunction();
    void EditFunction();
    void DeleteFunction();
    void MoveFunctionUp() { MoveFunction(-1); }
    void MoveFunctionDown() { MoveFunction(+1); }

    // --- the lists ------------------------------------------------------------------------
    std::vector<std::array<std::string, 4>> LocoRows() const; // Ime, Motor.nasl., Zvočni ...
    std::vector<FunctionRow> FunctionRows() const;

    // The smallest Id of 0 or more that no locomotive has.
    int FreeLocoId() const;
    // The smallest Id from 1 that no function has; 30 when there is none.
    int FreeFunctionId() const;

private:
    void MoveLoco(int step);
    void MoveFunction(int step);
    bool RosterFull();
    // Runs the locomotive dialog on the record at `index`; true when it was accepted.
    bool EditLocoAt(int index);

    RosterData& data_;
    Prompts& prompts_;
    LocoDialog locoDialog_;
    FunctionDialog functionDialog_;
    int loco_ = -1;
    int function_ = -1;
};
