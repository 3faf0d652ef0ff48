#pragma once
// The function map dialog: a thin view over FunctionMapEditor. A sequence text is checked
// when its edit is left (and on OK), and then shown normalized.

#include "core/roster/FunctionMapEditor.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

class CDlgFunctionMap : public QDialog {
    Q_OBJECT
public:
    CDlgFunctionMap(QWidget* parent, FunctionMapEditor editor);

    // What OK leaves: the flags and the parsed sequences.
    const FunctionMapEditor& Editor() const { return editor_; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ShowFields();
    void ShowText(int index);
    // Checks the text of sequence `index`; false when the operator edits it again.
    bool FinishText(int index);
    void CheckPending();

    FunctionMapEditor editor_;
    QCheckBox* active_ = nullptr;
    QCheckBox* initialOn_ = nullptr;
    QCheckBox* auto_ = nullptr;
    std::array<QLineEdit*, 2> edits_{}; // by sequence index: switch-off, switch-on
    QPushButton* cancel_ = nullptr;
    std::array<bool, 2> pending_{};
};
