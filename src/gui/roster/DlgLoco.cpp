#include "gui/roster/DlgLoco.h"

#include "gui/common/Controls.h"
#include "gui/roster/DlgFunctionMap.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QLabel* Label(const char* text, const char* name = nullptr) {
    if (name)
        return Control<QLabel>(QString::fromLatin1(name), QString::fromUtf8(text));
    return new QLabel(QString::fromUtf8(text));
}
} // namespace

CDlgLoco::CDlgLoco(QWidget* parent, const DecoderTable& decoders,
                   const FunctionCatalogue& catalogue, Prompts& prompts, const Loco& loco)
    : QDialog(parent), editor_(decoders, catalogue, prompts, loco) {
    setObjectName(QStringLiteral("DlgLoco"));
    setWindowTitle(QStringLiteral("Lastnosti lokomotive"));
    BuildControls(decoders);
    ShowEntries(editor_.Entries());
    ShowSound();
    FillMap();
}

void CDlgLoco::BuildControls(const DecoderTable& decoders) {
    auto* groups = new QHBoxLayout;
    groups->addWidget(BuildLocoGroup());
    groups->addWidget(BuildSoundGroup(decoders), 1);

    advanced_ = Control<QCheckBox>("advancedCheck", QStringLiteral("Napredno"));
    mapLabel_ = Label("Mapiranje funkcionalnosti:");
    map_ = ReportList("functionMapList", {{"Ime", 120},
                                          {"Vgr.", 35},
                                          {"Ftip.", 35},
                                          {"Zač.", 30},
                                          {"Sekvenca vkl.", 90},
                                          {"Sekvenca izkl.", 90}});
    map_->setToolTip(QStringLiteral("Dvoklik odpre mapiranje funkcionalnosti"));
    map_->setMinimumHeight(160);

    QHBoxLayout* buttons = OkCancelRow(this);
    buttons->insertWidget(0, advanced_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(mapLabel_);
    layout->addWidget(map_, 1);
    layout->addLayout(buttons);
    resize(800, 560);

    connect(decoder_, &QComboBox::activated, this, &CDlgLoco::OnSoundChanged);
    connect(defaults_, &QCheckBox::clicked, this, &CDlgLoco::OnSoundChanged);
    connect(advanced_, &QCheckBox::clicked, this, &CDlgLoco::OnSoundChanged);
    connect(map_, &QTreeWidget::itemDoubleClicked, this, &CDlgLoco::EditFunctionMap);
}

QWidget* CDlgLoco::BuildLocoGroup() {
    struct Row {
        LocoField field;
        const char* name;
        const char* label;
    };
    const Row rows[] = {
        {LocoField::Name, "nameEdit", "Ime:"},
        {LocoField::Weight, "weightEdit", "Teža [t]:"},
        {LocoField::Axles, "axlesEdit", "Št. osi:"},
        {LocoField::Power, "powerEdit", "Moč [ks]:"},
        {LocoField::MotorAddr, "motorAddressEdit", "Motorski  Nasl.:"},
        {LocoField::PowerDelay, "powerDelayEdit", "Zaost.motorja :"},
        {LocoField::DynBrakeDelay, "dynBrakeDelayEdit", "Zaost dinam.zavore:"},
    };
    auto* group = new QGroupBox(QStringLiteral("Lokomotiva"));
    auto* grid = new QGridLayout(group);
    int line = 0;
    for (const Row& row : rows) {
        QLineEdit* edit = edits_[row.field] = Control<QLineEdit>(QString::fromLatin1(row.name));
        grid->addWidget(Label(row.label), line, 0);
        grid->addWidget(edit, line++, 1);
    }
    edits_[LocoField::Name]->setMinimumWidth(180);
    edits_[LocoField::MotorAddr]->setToolTip(QStringLiteral("Naslov dekoderja (0 do 9983)"));
    edits_[LocoField::PowerDelay]->setToolTip(QStringLiteral("V milisekundah"));
    edits_[LocoField::DynBrakeDelay]->setToolTip(QStringLiteral("V milisekundah"));
    trainBrake_ = Control<QRadioButton>("brakeTypeTrain", QStringLiteral("Vlakovna"));
    locoBrake_ = Control<QRadioButton>("brakeTypeLoco", QStringLiteral("Lokomotivska"));
    auto* brake = new QButtonGroup(group);
    brake->addButton(trainBrake_);
    brake->addButton(locoBrake_);
    auto* brakes = new QHBoxLayout;
    brakes->addWidget(trainBrake_);
    brakes->addWidget(locoBrake_);
    grid->addWidget(Label("Zač.tip zavore:"), line, 0);
    grid->addLayout(brakes, line, 1);
    grid->setRowStretch(line + 1, 1);
    return group;
}

QWidget* CDlgLoco::BuildSoundGroup(const DecoderTable& decoders) {
    auto* group = new QGroupBox(QStringLiteral("Zvok"));
    auto* grid = new QGridLayout(group);
    decoder_ = Control<QComboBox>("decoderCombo");
    for (int i = 0; i < decoders.count; ++i)
        decoder_->addItem(FromStd(decoders.rows[static_cast<std::size_t>(i)].NameSl), i);
    decoder_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    decoder_->setMinimumContentsLength(20);
    defaults_ = Control<QCheckBox>("decoderDefaultsCheck");
    tableLabel_ = Label("Tabela hitrosti:", "speedTableLabel");
    slash_ = Label("/", "soundKeysSlashLabel");
    soundAddrLabel_ = Label("Zvočni naslov:", "soundAddressLabel");
    dynBrakeLevelLabel_ = Label("Nivo dinam.zavore:", "dynBrakeLevelLabel");
    compressorLevelLabel_ = Label("Nivo kompresorja:", "compressorLevelLabel");
    const std::pair<LocoField, const char*> edits[] = {
        {LocoField::SpeedTable, "speedTableEdit"},
        {LocoField::FuncUp, "soundUpKeyEdit"},
        {LocoField::FuncDown, "soundDownKeyEdit"},
        {LocoField::SoundAddr, "soundAddressEdit"},
        {LocoField::DynBrakeLevel, "dynBrakeLevelEdit"},
        {LocoField::CompressorLevel, "compressorLevelEdit"}};
    for (const auto& [field, name] : edits)
        edits_[field] = Control<QLineEdit>(QString::fromLatin1(name));
    edits_[LocoField::SpeedTable]->setToolTip(
        QStringLiteral("Vrednosti za nivoje zvoka, ločene z vejico (0 do 126)"));
    edits_[LocoField::FuncUp]->setToolTip(QStringLiteral("Funkcija, ki zvok poveča (0 do 8)"));
    edits_[LocoField::FuncDown]->setToolTip(QStringLiteral("Funkcija, ki zvok zmanjša (0 do 8)"));

    // The speed table and the two key edits share one place; one kind shows at a time.
    auto* table = new QHBoxLayout;
    table->addWidget(edits_[LocoField::SpeedTable], 1);
    table->addWidget(edits_[LocoField::FuncUp]);
    table->addWidget(slash_);
    table->addWidget(edits_[LocoField::FuncDown]);
    table->addStretch();
    edits_[LocoField::FuncUp]->setMaximumWidth(50);
    edits_[LocoField::FuncDown]->setMaximumWidth(50);

    grid->addWidget(Label("Tip dekoderja:"), 0, 0);
    grid->addWidget(decoder_, 0, 1);
    defaultsLabel_ = Label("Privzeto:");
    defaultsLabel_->setObjectName(QStringLiteral("defaultsLabel"));
    grid->addWidget(defaultsLabel_, 1, 0);
    grid->addWidget(defaults_, 1, 1);
    grid->addWidget(tableLabel_, 2, 0);
    grid->addLayout(table, 2, 1);
    grid->addWidget(soundAddrLabel_, 3, 0);
    grid->addWidget(edits_[LocoField::SoundAddr], 3, 1);
    grid->addWidget(dynBrakeLevelLabel_, 4, 0);
    grid->addWidget(edits_[LocoField::DynBrakeLevel], 4, 1);
    grid->addWidget(compressorLevelLabel_, 5, 0);
    grid->addWidget(edits_[LocoField::CompressorLevel], 5, 1);
    grid->setRowStretch(6, 1);
    return group;
}

LocoEntries CDlgLoco::ReadEntries() const {
    LocoEntries e;
    for (const auto& [field, edit] : edits_)
        e[field] = edit->text().toStdString();
    e.brakeType = trainBrake_->isChecked() ? 0 : 1;
    e.useDefaults = defaults_->isChecked();
    e.advanced = advanced_->isChecked();
    return e;
}

void CDlgLoco::ShowEntries(const LocoEntries& e) {
    for (const auto& [field, edit] : edits_)
        edit->setText(FromStd(e[field]));
    (e.brakeType == 0 ? trainBrake_ : locoBrake_)->setChecked(true);
    advanced_->setChecked(e.advanced);
}

void CDlgLoco::ShowSound() {
    const SoundControls sound = editor_.Sound();
    const LocoEntries e = editor_.Entries();
    decoder_->setCurrentIndex(decoder_->findData(editor_.Record().SoundDecoder));
    defaults_->setChecked(e.useDefaults);
    defaults_->setVisible(sound.defaultsShown);
    defaultsLabel_->setVisible(sound.defaultsShown);
    tableLabel_->setVisible(sound.defaultsShown);
    tableLabel_->setText(QString::fromUtf8(sound.tableLabel));
    for (LocoField field : {LocoField::SpeedTable, LocoField::FuncUp, LocoField::FuncDown}) {
        QLineEdit* edit = edits_[field];
        edit->setText(FromStd(e[field]));
        edit->setEnabled(sound.editable);
        edit->setReadOnly(!sound.editable);
        edit->setVisible(field == LocoField::SpeedTable ? sound.speedTableShown : sound.keysShown);
    }
    slash_->setVisible(sound.keysShown);
    const QList<QWidget*> soundOnly = {soundAddrLabel_,
                                       dynBrakeLevelLabel_,
                                       compressorLevelLabel_,
                                       edits_[LocoField::SoundAddr],
                                       edits_[LocoField::DynBrakeLevel],
                                       edits_[LocoField::CompressorLevel]};
    for (QWidget* w : soundOnly)
        w->setVisible(sound.soundShown);
    mapLabel_->setVisible(e.advanced);
    map_->setVisible(e.advanced);
}

void CDlgLoco::FillMap() {
    const int selected = SelectedRow(map_);
    map_->clear();
    for (const MapRow& row : editor_.MapRows()) {
        const auto& c = row.columns;
        QTreeWidgetItem* item =
            AddRow(map_, row.catalogueIndex, {c[0], c[1], c[2], c[3], c[4], c[5]});
        item->setIcon(0, StatusIcon(row.image));
    }
    if (selected >= 0)
        SelectRow(map_, selected);
}

void CDlgLoco::OnSoundChanged() {
    editor_.OnSoundChanged(decoder_->currentData().toInt(), ReadEntries());
    ShowSound();
}

void CDlgLoco::EditFunctionMap() {
    const int index = SelectedRow(map_);
    std::optional<FunctionMapEditor> map = editor_.MapEditor(index);
    if (!map)
        return;
    CDlgFunctionMap dialog(this, std::move(*map));
    if (dialog.exec() != QDialog::Accepted)
        return;
    editor_.StoreMap(index, dialog.Editor());
    FillMap();
}

void CDlgLoco::accept() {
    const std::optional<LocoField> failed = editor_.Accept(ReadEntries());
    if (failed) {
        QLineEdit* edit = edits_[*failed];
        edit->setFocus();
        edit->selectAll();
        return;
    }
    QDialog::accept();
}
