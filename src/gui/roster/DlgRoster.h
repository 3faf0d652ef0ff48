#pragma once
// The roster dialog: the locomotives and the function catalogue of the application, edited
// in place through RosterEditor; the locomotive and function dialogs open over it.

#include "core/roster/RosterEditor.h"

#include <QDialog>

class Prompts;
class QTreeWidget;

class CDlgRoster : public QDialog {
    Q_OBJECT
public:
    CDlgRoster(QWidget* parent, RosterData& roster, Prompts& prompts);

    const RosterEditor& Editor() const { return editor_; }

private:
    void BuildControls();
    // Shows both tables again, with their selections.
    void Refill();
    // Runs an operation of the editor and shows its result.
    void Run(void (RosterEditor::*operation)());

    RosterData& data_;
    Prompts& prompts_;
    RosterEditor editor_;
    QTreeWidget* locos_ = nullptr;
    QTreeWidget* functions_ = nullptr;
    bool filling_ = false;
};
