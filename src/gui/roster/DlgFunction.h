#pragma once
// The function properties dialog: a thin view over FunctionEditor, for one catalogue entry
// with its status choice.

#include "core/roster/FunctionEditor.h"

#include <QDialog>

class Prompts;
class QButtonGroup;
class QComboBox;
class QLineEdit;

class CDlgFunction : public QDialog {
    Q_OBJECT
public:
    CDlgFunction(QWidget* parent, const FunctionCatalogue& catalogue, const FunctionEdit& edit,
                 Prompts& prompts);

    // The entry and the status choice as OK left them.
    const FunctionEdit& Edit() const { return editor_.Edit(); }

    void accept() override;

private:
    void BuildControls();

    FunctionEditor editor_;
    Prompts& prompts_;
    QLineEdit* name_ = nullptr;
    QButtonGroup* status_ = nullptr;
    QComboBox* key_ = nullptr;
};
