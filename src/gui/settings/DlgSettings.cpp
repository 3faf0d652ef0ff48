#include "gui/settings/DlgSettings.h"

#include "core/platform.h"
#include "core/settings/SerialLine.h"
#include "core/settings/SettingsFields.h"
#include "core/settings/SettingsProcedure.h"
#include "gui/common/Ports.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kDescriptionRole = Qt::UserRole + 1;

// The list shows what a port is beside its name; choosing it puts only the name in the
// field.
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(kDescriptionRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("  (%1)").arg(description);
    }
};

// An editable list that keeps what is typed exactly as typed: the letter case of a port
// name counts.
QComboBox* EditableCombo(const char* objectName, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(objectName));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->completer()->setCaseSensitivity(Qt::CaseSensitive);
    return combo;
}

// The open list is as wide as its widest entry, descriptions included.
void FitListToItems(QComboBox* combo) {
    QStyleOptionViewItem option;
    option.initFrom(combo->view());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = std::max(
            widest,
            combo->view()->itemDelegate()->sizeHint(option, combo->model()->index(i, 0)).width());
    combo->view()->setMinimumWidth(widest + 24);
}

} // namespace

CDlgSettings::CDlgSettings(const Settings& values, Prompts& prompts,
                           const std::vector<PortChoice>& ports, QWidget* parent)
    : QDialog(parent), values_(values), prompts_(prompts) {
    setObjectName(QStringLiteral("DlgSettings"));
    setWindowTitle(QStringLiteral("Splošne nastavitve"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    edits_.resize(SettingsFields().size());
    auto* layout = new QVBoxLayout(this);
    intro_ = new QLabel(this);
    intro_->setObjectName(QStringLiteral("introLabel"));
    intro_->setWordWrap(true);
    intro_->hide();
    layout->addWidget(intro_);
    auto* top = new QHBoxLayout;
    top->addWidget(BuildLoconetGroup(ports), 1);
    QWidget* preferences = BuildFieldGroup("Preference", 1);
    openLastLayout_ = new QCheckBox(QStringLiteral("Odpri zadnjo maketo ob zagonu"), preferences);
    openLastLayout_->setObjectName(QStringLiteral("openLastLayoutCheck"));
    openLastLayout_->setChecked(values_.OpenLastLayout != 0);
    auto* preferencesGrid = static_cast<QGridLayout*>(preferences->layout());
    preferencesGrid->addWidget(openLastLayout_, preferencesGrid->rowCount(), 0, 1, 2);
    top->addWidget(preferences, 1);
    layout->addLayout(top);
    layout->addWidget(BuildFieldGroup("Dinamika vlaka", 2));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgSettings::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgSettings::reject);
    layout->addWidget(buttons);
    port_->setFocus();
}

QWidget* CDlgSettings::BuildLoconetGroup(const std::vector<PortChoice>& ports) {
    auto* group = new QGroupBox(QStringLiteral("Loconet"), this);
    auto* grid = new QGridLayout(group);

    port_ = EditableCombo("portCombo", group);
    port_->setItemDelegate(new PortItemDelegate(port_));
    for (const PortChoice& choice : ports) {
        port_->addItem(choice.name);
        port_->setItemData(port_->count() - 1, choice.description, kDescriptionRole);
        port_->setItemData(port_->count() - 1, choice.description, Qt::ToolTipRole);
    }
    FitListToItems(port_);
    port_->setEditText(QString::fromStdString(values_.ComPort));
    port_->lineEdit()->setMaxLength(static_cast<int>(kMaxSettingLength));
    auto* portLabel = new QLabel(QStringLiteral("COM Port:"), group);
    portLabel->setBuddy(port_);
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(port_, 0, 1);

    // The serial interface's line; a LocoNet-over-TCP server and the simulated station
    // have none and ignore it.
    interface_ = EditableCombo("interfaceCombo", group);
    for (SerialLine preset : kSerialLinePresets)
        interface_->addItem(QString::fromStdString(FormatSerialLine(preset)));
    interface_->setEditText(QString::fromStdString(FormatSerialLine(SerialLineOf(values_))));
    interface_->setToolTip(QStringLiteral("Hitrost vmesnika v baudih, po potrebi z nadzorom "
                                          "pretoka RTS/CTS (npr. \"115200 baud\")"));
    auto* interfaceLabel = new QLabel(QStringLiteral("Vmesnik:"), group);
    interfaceLabel->setBuddy(interface_);
    grid->addWidget(interfaceLabel, 1, 0);
    grid->addWidget(interface_, 1, 1);

    offline_ = new QCheckBox(QStringLiteral("Offline"), group);
    offline_->setObjectName(QStringLiteral("offlineCheck"));
    offline_->setChecked(values_.Offline != 0);
    grid->addWidget(offline_, 2, 1);

    auto* simple = new QRadioButton(QStringLiteral("Enostavno"), group);
    simple->setObjectName(QStringLiteral("powerSimpleRadio"));
    precise_ = new QRadioButton(QStringLiteral("Natančno"), group);
    precise_->setObjectName(QStringLiteral("powerPreciseRadio"));
    (values_.PowerThrottleMode == 0 ? simple : precise_)->setChecked(true);
    auto* modes = new QHBoxLayout;
    modes->addWidget(simple);
    modes->addWidget(precise_);
    modes->addStretch();
    grid->addWidget(new QLabel(QStringLiteral("Upravlj. moči:"), group), 3, 0);
    grid->addLayout(modes, 3, 1);

    // The bus served to other programs and computers (LbServer clients), and the phones.
    const std::span<const SettingsField> all = SettingsFields();
    int row = 4;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (QString::fromUtf8(all[i].group) != group->title())
            continue;
        const std::string_view name = all[i].name;
        AddField(grid, i, row++, 0)
            ->setToolTip(name == "sharePort"
                             ? QStringLiteral("0: vodilo ni deljeno; sicer TCP port (običajno "
                                              "1234), na katerem se lahko povežejo drugi "
                                              "programi (LbServer)")
                         : name == "withrottlePort"
                             ? QStringLiteral("0: izključeno; sicer TCP port (običajno 12090), "
                                              "na katerem se povežejo telefoni z aplikacijo "
                                              "WiThrottle ali Engine Driver")
                             : QStringLiteral("Koliko programov se lahko hkrati poveže na "
                                              "deljeno vodilo (1 do 64)"));
        if (name == "shareMaxClients") {
            shareOnNetwork_ =
                new QCheckBox(QStringLiteral("Tudi drugim računalnikom v omrežju"), group);
            shareOnNetwork_->setObjectName(QStringLiteral("shareOnNetworkCheck"));
            shareOnNetwork_->setChecked(values_.ShareOnNetwork != 0);
            grid->addWidget(shareOnNetwork_, row++, 1);
        } else if (name == "withrottlePort") {
            phonesOnNetwork_ =
                new QCheckBox(QStringLiteral("Tudi drugim napravam v omrežju"), group);
            phonesOnNetwork_->setObjectName(QStringLiteral("withrottleOnNetworkCheck"));
            phonesOnNetwork_->setChecked(values_.WiThrottleOnNetwork != 0);
            grid->addWidget(phonesOnNetwork_, row++, 1);
        }
    }
    grid->setRowStretch(row + 1, 1);
    return group;
}

QLineEdit* CDlgSettings::AddField(QGridLayout* grid, std::size_t index, int row, int column) {
    const SettingsField& field = SettingsFields()[index];
    QWidget* group = grid->parentWidget();
    auto* edit = new QLineEdit(QString::fromStdString(FormatField(values_, field)), group);
    edit->setObjectName(QString::fromLatin1(field.name));
    if (std::holds_alternative<std::string Settings::*>(field.member))
        edit->setMaxLength(static_cast<int>(kMaxSettingLength));
    else
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0.0000000")));
    auto* label = new QLabel(QString::fromUtf8(field.label), group);
    label->setBuddy(edit);
    grid->addWidget(label, row, column);
    grid->addWidget(edit, row, column + 1);
    edits_[index] = edit;
    return edit;
}

QWidget* CDlgSettings::BuildFieldGroup(const char* title, int columns) {
    const QString groupTitle = QString::fromUtf8(title);
    auto* group = new QGroupBox(groupTitle, this);
    auto* grid = new QGridLayout(group);
    const std::span<const SettingsField> all = SettingsFields();
    std::vector<std::size_t> mine;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (QString::fromUtf8(all[i].group) == groupTitle)
            mine.push_back(i);
    const int rows = (static_cast<int>(mine.size()) + columns - 1) / columns;
    for (int k = 0; k < static_cast<int>(mine.size()); ++k)
        AddField(grid, mine[static_cast<std::size_t>(k)], k % rows, (k / rows) * 2);
    for (int column = 0; column < columns; ++column)
        grid->setColumnStretch(column * 2 + 1, 1);
    return group;
}

void CDlgSettings::Refuse(QWidget* control, const std::string& message) {
    prompts_.Inform(message, PromptIcon::Warning);
    control->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->selectAll();
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->lineEdit()->selectAll();
}

void CDlgSettings::accept() {
    Settings edited = values_;
    edited.ComPort = CleanPortName(port_->currentText().toStdString());
    edited.Offline = offline_->isChecked() ? 1 : 0;
    edited.PowerThrottleMode = precise_->isChecked() ? 1 : 0;
    edited.ShareOnNetwork = shareOnNetwork_->isChecked() ? 1 : 0;
    edited.WiThrottleOnNetwork = phonesOnNetwork_->isChecked() ? 1 : 0;
    edited.OpenLastLayout = openLastLayout_->isChecked() ? 1 : 0;
    const std::optional<SerialLine> line = ParseSerialLine(interface_->currentText().toStdString());
    if (!line)
        return Refuse(interface_, kSerialLineMessage);
    SetSerialLine(edited, *line);
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        const std::string error =
            TakeField(edited, SettingsFields()[i], edits_[i]->text().toStdString());
        if (!error.empty())
            return Refuse(edits_[i], error);
    }
    values_ = edited;
    QDialog::accept();
}

std::vector<CDlgSettings::PortChoice> CDlgSettings::AvailablePorts(const QString& lastTcpAddress) {
    std::vector<PortChoice> choices;
    for (const SerialPortInfo& info : ProgramSerialPorts())
        choices.push_back(
            {QString::fromStdString(info.location), QString::fromStdString(info.description)});
    choices.push_back({QStringLiteral("sim"), QStringLiteral("simulirana centrala v programu")});
    choices.push_back(
        {lastTcpAddress.isEmpty() ? QStringLiteral("tcp://localhost:1234") : lastTcpAddress,
         QStringLiteral("LocoNet prek TCP")});
    return choices;
}

void CDlgSettings::SetIntro(const QString& text) {
    intro_->setText(text);
    intro_->setVisible(!text.isEmpty());
}

QString CDlgSettings::PreselectFirstRunPort(Settings& values) {
    std::vector<std::string> ports;
    std::vector<std::string> usbPorts;
    for (const SerialPortInfo& info : ProgramSerialPorts()) {
        ports.push_back(info.location);
        if (info.usb)
            usbPorts.push_back(ports.back());
    }
    values.ComPort = FirstRunPort(values.ComPort, ports, usbPorts);
    const QString port = QString::fromStdString(values.ComPort);
    if (values.ComPort == "sim")
        return QStringLiteral(
            "Izbrana je centrala, simulirana v programu (sim), s katero program preizkusite brez "
            "naprav; ko priključite vmesnik LocoNet, ga izberite pod \"COM Port\".");
    if (std::find(usbPorts.begin(), usbPorts.end(), values.ComPort) != usbPorts.end())
        return QStringLiteral("Izbran je vmesnik USB %1; če to ni vaš vmesnik LocoNet, izberite "
                              "drugega pod \"COM Port\", za preizkus brez naprav pa \"sim\".")
            .arg(port);
    return QStringLiteral("Izbran je port %1; vmesnik LocoNet ali \"sim\" za preizkus brez "
                          "naprav izberete pod \"COM Port\".")
        .arg(port);
}
