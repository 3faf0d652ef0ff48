#include "gui/layout/DlgTurnout.h"

#include "core/layout/TurnoutSwitch.h"
#include "core/platform.h"
#include "core/util/Fields.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const char* const kRowLabels[3] = {"Naravnost:", "Odklonjeno/Levo", "---/Desno"};
const char kStateLetters[3] = {'C', 'T', 'N'};

// The fields above OK and Cancel, at a fixed size.
void FinishDialog(QDialog* dialog, QLayout* fields) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    // accept() is virtual: each dialog checks its fields first.
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    dialog->setFixedSize(dialog->sizeHint());
}

} // namespace

CDlgTurnout::CDlgTurnout(int type, const TurnoutProperties& values, Prompts& prompts,
                         QWidget* parent)
    : QDialog(parent), values_(values), prompts_(prompts), type_(type) {
    setObjectName(QStringLiteral("DlgTurnout"));
    setWindowTitle(QStringLiteral("Lastnosti kretnice"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Naslov:")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Stanje:")), 1, 0);
    for (int p = 0; p < 3; ++p)
        grid->addWidget(new QLabel(QString::fromUtf8(kRowLabels[p])), p + 2, 0);

    const int outputs = TurnoutProperties::OutputsShown(type);
    const int positions = TurnoutProperties::PositionsShown(type);
    for (int o = 0; o < 2; ++o) {
        const int column = 1 + o * 3;
        address_[o] = new QLineEdit(QString::number(values.address[o]));
        address_[o]->setObjectName(QStringLiteral("address%1Edit").arg(o + 1));
        address_[o]->setEnabled(o < outputs);
        grid->addWidget(address_[o], 0, column, 1, 3);
        for (int s = 0; s < 3; ++s)
            grid->addWidget(new QLabel(QString(QLatin1Char(kStateLetters[s]))), 1, column + s,
                            Qt::AlignHCenter);
        for (int p = 0; p < 3; ++p) {
            states_[o][p] = new QButtonGroup(this);
            for (int s = 0; s < 3; ++s) {
                auto* radio = new QRadioButton;
                radio->setObjectName(
                    QStringLiteral("output%1Position%2%3").arg(o + 1).arg(p).arg(kStateLetters[s]));
                radio->setToolTip(QString(QLatin1Char(kStateLetters[s])));
                radio->setEnabled(o < outputs && p < positions);
                radio->setChecked(values.state[o][p] == s);
                states_[o][p]->addButton(radio, s);
                grid->addWidget(radio, p + 2, column + s, Qt::AlignHCenter);
            }
        }
        grid->setColumnMinimumWidth(column + 2, 24);
    }
    grid->setColumnMinimumWidth(4, 40);

    FinishDialog(this, grid);
}

namespace {

// An address field of the layout's dialogs, 0 (none) to `high`; a refused field keeps the
// focus with its text selected.
bool ReadAddress(QLineEdit* edit, int high, Prompts& prompts, int& address) {
    int value = 0;
    const std::string error = fields::ReadInt(edit->text().toStdString(), 0, high, value);
    if (!error.empty()) {
        prompts.Inform(error, PromptIcon::Warning);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    address = value;
    return true;
}

} // namespace

void CDlgTurnout::accept() {
    TurnoutProperties values = values_;
    for (int o = 0; o < TurnoutProperties::OutputsShown(type_); ++o) {
        if (!ReadAddress(address_[o], kMaxSwitchAddress, prompts_, values.address[o]))
            return;
        for (int p = 0; p < TurnoutProperties::PositionsShown(type_); ++p)
            values.state[o][p] = states_[o][p]->checkedId();
    }
    values_ = values;
    QDialog::accept();
}

CDlgDetector::CDlgDetector(int address, Prompts& prompts, QWidget* parent)
    : QDialog(parent), address_(address), prompts_(prompts) {
    setObjectName(QStringLiteral("DlgDetector"));
    setWindowTitle(QStringLiteral("Lastnosti detektorja"));
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Naslov senzorja:"));
    edit_ = new QLineEdit(QString::number(address));
    edit_->setObjectName(QStringLiteral("sensorEdit"));
    label->setBuddy(edit_);
    row->addWidget(label);
    row->addWidget(edit_);
    FinishDialog(this, row);
}

void CDlgDetector::accept() {
    if (!ReadAddress(edit_, kMaxSensorAddress, prompts_, address_))
        return;
    QDialog::accept();
}
