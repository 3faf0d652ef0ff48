#include "gui/roster/DlgFunction.h"

#include "gui/common/Controls.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace {
struct StatusButton {
    const char* name;
    const char* caption;
};
// In the order of the status choice.
constexpr std::array<StatusButton, FunctionEditor::kStatusChoices> kStatusButtons{{
    {"statusInternal", "Interna - za preklaplanje interno definiranih funkcij"},
    {"statusHidden", "Skrita - ni vidna v nastavitvah lokomotive"},
    {"statusDisabled", "Onemogočena - funkcionalnost je povsod neaktivna"},
    {"statusDefaultOff", "Privzeto neaktivna - ob kreiranju lokomotive neaktivna"},
    {"statusDefaultOn", "Privzeto aktivna - ob kreiranju lokomotive aktivna"},
    {"statusAlwaysActive", "Vedno aktivna - se je ne da izključiti"},
}};
} // namespace

CDlgFunction::CDlgFunction(QWidget* parent, const FunctionCatalogue& catalogue,
                           const FunctionEdit& edit, Prompts& prompts)
    : QDialog(parent), editor_(catalogue, edit), prompts_(prompts) {
    setObjectName(QStringLiteral("DlgFunction"));
    setWindowTitle(QStringLiteral("Lastnosti funkcionalnosti"));
    BuildControls();
}

void CDlgFunction::BuildControls() {
    const FunctionEdit& edit = editor_.Edit();
    name_ = Control<QLineEdit>("nameEdit", FromStd(edit.function.Name));
    auto* builtin = Control<QLineEdit>("builtinEdit", FromStd(editor_.BuiltinText()));
    builtin->setEnabled(false);
    auto* direction = Control<QLabel>("directionLabel", FromStd(editor_.DirectionText()));
    key_ = Control<QComboBox>("keyCombo");
    for (const FunctionEditor::KeyItem& item : editor_.KeyItems()) {
        key_->addItem(FromStd(item.text), item.key);
        if (item.key == edit.function.Fkey)
            key_->setCurrentIndex(key_->count() - 1);
    }
    key_->setEnabled(editor_.KeyEnabled());

    auto* group = new QGroupBox(QStringLiteral("Status"));
    auto* groupLayout = new QVBoxLayout(group);
    status_ = new QButtonGroup(this);
    for (int choice = 0; choice < FunctionEditor::kStatusChoices; ++choice) {
        const StatusButton& b = kStatusButtons[static_cast<std::size_t>(choice)];
        auto* radio =
            Control<QRadioButton>(QString::fromLatin1(b.name), QString::fromUtf8(b.caption));
        radio->setEnabled(editor_.ChoiceEnabled(choice));
        radio->setChecked(choice == edit.statusChoice);
        status_->addButton(radio, choice);
        groupLayout->addWidget(radio);
    }

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Ime:"), name_);
    form->addRow(QStringLiteral("Vgrajena:"), builtin);
    form->addRow(QStringLiteral("Smer:"), direction);
    form->addRow(QStringLiteral("F-tipka:"), key_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(group);
    layout->addLayout(OkCancelRow(this));
    name_->setFocus();
}

void CDlgFunction::accept() {
    if (!editor_.Accept(name_->text().toStdString(), status_->checkedId(),
                        key_->currentData().toInt(), prompts_)) {
        name_->setFocus();
        name_->selectAll();
        return;
    }
    QDialog::accept();
}
