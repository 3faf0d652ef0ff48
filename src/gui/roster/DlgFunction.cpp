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
    int id;
    const char* caption;
};
// In the order of the status choice.
constexpr std::array<StatusButton, FunctionEditor::kStatusChoices> kStatusButtons{{
    {1097, "Interna - za preklaplanje interno definiranih funkcij"},
    {1098, "Skrita - ni vidna v nastavitvah lokomotive"},
    {1103, "Onemogočena - funkcionalnost je povsod neaktivna"},
    {1099, "Privzeto neaktivna - ob kreiranju lokomotive neaktivna"},
    {1100, "Privzeto aktivna - ob kreiranju lokomotive aktivna"},
    {1101, "Vedno aktivna - se je ne da izključiti"},
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
    name_ = Control<QLineEdit>(1069, FromStd(edit.function.Name));
    auto* builtin = Control<QLineEdit>(1096, FromStd(editor_.BuiltinText()));
    builtin->setEnabled(false);
    auto* direction = Control<QLabel>(1112, FromStd(editor_.DirectionText()));
    key_ = Control<QComboBox>(1102);
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
        auto* radio = Control<QRadioButton>(b.id, QString::fromUtf8(b.caption));
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
