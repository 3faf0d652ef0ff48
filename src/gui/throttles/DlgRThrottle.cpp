#include "gui/throttles/DlgRThrottle.h"

#include "core/roster/LocoEditor.h"
#include "core/roster/RosterData.h"
#include "gui/common/Controls.h"
#include "gui/roster/DlgLoco.h"
#include "gui/throttles/EngineKey.h"
#include "gui/throttles/FuncButton.h"
#include "gui/throttles/HandleSlider.h"
#include "gui/throttles/RealisticGauges.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace {

// The window on the dialog-unit grid.
constexpr int kWidth = 186;
constexpr int kHeight = 203;

// Rows of the function keys F1 to F12, in pairs (left x 133, right x 151).
constexpr int kKeyRows[] = {123, 135, 147, 160, 174, 187};

} // namespace

CDlgRThrottle::CDlgRThrottle(CLoconet& loconet, Clock& clock, Beeper& beeper, Prompts& prompts,
                             const ProgramSettings& settings, RosterData& roster,
                             CMainFrame* mainWindow)
    : CDlgThrottle(
          loconet, mainWindow,
          std::make_unique<RealisticThrottle>(loconet, clock, beeper, prompts, settings, roster)),
      throttle_(static_cast<RealisticThrottle*>(&Logic())), data_(roster), prompts_(prompts) {
    setObjectName(QStringLiteral("RealisticThrottle"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    BuildControls();
    Connect();
    ApplyLayout();
    throttle_->SetView(this);
    Show(RealisticShow::kAll);
    ShowButtons();
}

CDlgRThrottle::~CDlgRThrottle() {
    // The controls go after this part: what they report on their way out (a field or a
    // slider losing the focus) must not reach it or the logic.
    for (QWidget* child : findChildren<QWidget*>())
        child->blockSignals(true);
    delete powerHandle_;
    delete brakeHandle_;
    // The base releases the slots after this part is gone; the logic must not call back.
    throttle_->SetView(nullptr);
}

// --- building ------------------------------------------------------------------------------

void CDlgRThrottle::Place(QWidget* widget, int x, int y, int w, int h) {
    placed_.push_back({widget, x, y, w, h});
}

void CDlgRThrottle::BuildControls() {
    // First, so that it lies under every control.
    gauges_ = new CRealisticGauges(*throttle_, this);
    auto label = [this](const char* text, int x, int y, int w, int h) {
        Place(new QLabel(QString::fromUtf8(text), this), x, y, w, h);
    };
    auto addressEdit = [this](const char* name, const char* tip) {
        // No validator: a letter that vanished as it was typed would leave the operator
        // guessing; the throttle refuses the whole text with a message instead.
        auto* edit = Control<QLineEdit>(QString::fromLatin1(name), this);
        edit->setAlignment(Qt::AlignRight);
        edit->setToolTip(QString::fromUtf8(tip));
        return edit;
    };
    auto button = [this](const char* name, const char* text) {
        auto* b = Control<QPushButton>(QString::fromLatin1(name), QString::fromUtf8(text), this);
        b->setAutoDefault(false);
        return b;
    };

    label("Naslovi upravlj:", 2, 4, 49, 8);
    label("Moč:", 56, 4, 17, 8);
    powerAddress_ =
        addressEdit("powerAddressEdit", "Naslov ročnega upravljalnika za moč (0 do 9983)");
    Place(powerAddress_, 75, 2, 22, 12);
    label("Zavore:", 100, 4, 26, 8);
    brakeAddress_ =
        addressEdit("brakeAddressEdit", "Naslov ročnega upravljalnika za zavore (0 do 9983)");
    Place(brakeAddress_, 127, 2, 22, 12);
    acquire_ = button("acquireButton", "Uporabi");
    Place(acquire_, 153, 3, 29, 11);

    Place(new QGroupBox(QStringLiteral("Lokomotiva"), this), 2, 12, 180, 49);
    locos_ = Control<QComboBox>("locoCombo", this);
    Place(locos_, 9, 22, 161, 12);
    edit_ = button("editLocoButton", "Uredi");
    Place(edit_, 9, 36, 38, 11);
    add_ = button("newLocoButton", "Nova");
    Place(add_, 50, 36, 38, 11);
    description_ = Control<QLabel>("descriptionLabel", this);
    Place(description_, 9, 50, 161, 8);

    label("Št.vagon.:", 2, 67, 34, 8);
    label("Obtežba [%]:", 61, 67, 41, 8);
    label("Klanec [%]:", 132, 67, 36, 8);
    BuildTrainRow();
    BuildHandles();

    for (int f = 0; f < FunctionOutputs::kKeyCount; ++f) {
        auto* key = Control<CFuncButton>(QStringLiteral("f%1Button").arg(f),
                                         QStringLiteral("F%1").arg(f), this);
        key->Attach(f, this);
        buttons_[static_cast<std::size_t>(f)] = key;
        if (f == 0)
            Place(key, 133, 110, 34, 11);
        else
            Place(key, f % 2 ? 133 : 151, kKeyRows[(f - 1) / 2], 16, 11);
    }
}

void CDlgRThrottle::BuildTrainRow() {
    auto list = [this](const char* name, int x, int w) {
        auto* box = Control<QComboBox>(QString::fromLatin1(name), this);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        Place(box, x, 65, w, 12);
        return box;
    };
    cars_ = list("carsCombo", 35, 23);
    cars_->setToolTip(QStringLiteral("Število vagonov"));
    load_ = list("loadCombo", 102, 28);
    load_->setToolTip(QStringLiteral("Poprečna obtežba vagonov v odstotkih"));
    grade_ = Control<QLineEdit>("gradeEdit", this);
    grade_->setAlignment(Qt::AlignRight);
    grade_->setToolTip(QStringLiteral("Klanec v odstotkih; navzdol z minusom"));
    Place(grade_, 168, 65, 14, 12);
}

void CDlgRThrottle::BuildHandles() {
    auto slider = [this](const char* name, const char* tip, int x, int w) {
        auto* s = Control<QSlider>(QString::fromLatin1(name), Qt::Vertical, this);
        s->setTickPosition(QSlider::TicksBothSides);
        s->setSingleStep(1);
        s->setToolTip(QString::fromUtf8(tip));
        Place(s, x, 105, w, 76);
        return s;
    };
    // The sliders' values are the handles: power notch 8 and the brakes released at the top.
    power_ = slider("powerHandle", "Moč: pozicija krmilnika 0 do 8", 9, 27);
    power_->setRange(0, RealisticThrottle::kMaxPowerStep);
    power_->setPageStep(1);
    power_->setTickInterval(1);
    brake_ = slider("brakeHandle", "", 69, 28);

    auto radio = [this](const char* name, const char* text, const char* tip, int x) {
        auto* r = Control<QRadioButton>(QString::fromLatin1(name), QString::fromUtf8(text), this);
        r->setToolTip(QString::fromUtf8(tip));
        Place(r, x, 184, 16, 8);
        return r;
    };
    backwards_ = radio("reverseRadio", "<", "Nazaj", 4);
    forwards_ = radio("forwardRadio", ">", "Naprej", 23);
    trainBrake_ = radio("brakeTypeTrain", "T", "Vlakovna zavora", 64);
    locoBrake_ = radio("brakeTypeLoco", "L", "Lokomotivska zavora", 83);
    for (auto [a, b] : {std::pair{backwards_, forwards_}, std::pair{trainBrake_, locoBrake_}}) {
        auto* group = new QButtonGroup(this);
        group->addButton(a);
        group->addButton(b);
    }
    engine_ = Control<CEngineKey>("engineKey", this);
    Place(engine_, 43, 184, 20, 20);
}

void CDlgRThrottle::Connect() {
    connect(acquire_, &QPushButton::clicked, this, [this] {
        throttle_->OnAcquireRelease(powerAddress_->text().toStdString(),
                                    brakeAddress_->text().toStdString());
    });
    connect(locos_, &QComboBox::activated, this,
            [this](int i) { throttle_->OnLocoChosen(locos_->itemData(i).toInt()); });
    connect(edit_, &QPushButton::clicked, this, &CDlgRThrottle::OnEditLoco);
    connect(add_, &QPushButton::clicked, this, &CDlgRThrottle::OnNewLoco);

    // A train field counts once it is chosen from its list, or typed and left or confirmed
    // with Enter.
    for (QComboBox* box : {cars_, load_}) {
        connect(box, &QComboBox::activated, this, [this, box] { TakeTrainField(box); });
        connect(box->lineEdit(), &QLineEdit::editingFinished, this,
                [this, box] { TakeTrainField(box); });
    }
    connect(grade_, &QLineEdit::editingFinished, this, [this] { TakeTrainField(grade_); });

    powerHandle_ = new CHandleSlider(power_, [this](int value) {
        throttle_->OnPowerSliderReleased(RealisticThrottle::kMaxPowerStep - value);
    });
    brakeHandle_ = new CHandleSlider(
        brake_, [this](int value) { throttle_->OnBrakeSliderReleased(brake_->maximum() - value); });
    connect(backwards_, &QRadioButton::clicked, this, [this] { throttle_->OnReverser(false); });
    connect(forwards_, &QRadioButton::clicked, this, [this] { throttle_->OnReverser(true); });
    connect(trainBrake_, &QRadioButton::clicked, this,
            [this] { throttle_->OnBrakeType(kTrainBrake); });
    connect(locoBrake_, &QRadioButton::clicked, this,
            [this] { throttle_->OnBrakeType(kLocoBrake); });
}

void CDlgRThrottle::ApplyLayout() {
    DialogUnits units(font());
    // Wide enough for every caption: a font may set some words wider than its average.
    for (const Placed& p : placed_)
        if (auto* label = qobject_cast<QLabel*>(p.widget); label && label != description_)
            units.baseX = std::max(units.baseX, label->sizeHint().width() * 4.0 / p.w);
    for (const Placed& p : placed_)
        p.widget->setGeometry(units.Rect(p.x, p.y, p.w, p.h));
    setFixedSize(units.Rect(0, 0, kWidth, kHeight).size());
    gauges_->setGeometry(rect());
    gauges_->SetUnits(units);
}

void CDlgRThrottle::changeEvent(QEvent* event) {
    CDlgThrottle::changeEvent(event);
    if (event->type() == QEvent::FontChange && gauges_) {
        ApplyLayout();
        Show(RealisticShow::kDescription); // shortened to the new width
    }
}

void CDlgRThrottle::TakeTrainField(QWidget* field) {
    // A text that has not changed is not taken again (and not refused twice).
    if (field == cars_) {
        const std::string text = cars_->currentText().toStdString();
        if (text != throttle_->CarsText())
            throttle_->OnCarsEntered(text);
    } else if (field == load_) {
        // A taken number is shown as the program writes it (2.5 as 2,5).
        const std::string text = load_->currentText().toStdString();
        if (text != throttle_->LoadText() && throttle_->OnLoadEntered(text))
            load_->setEditText(FromStd(throttle_->LoadText()));
    } else {
        const std::string text = grade_->text().toStdString();
        if (text != throttle_->GradeText() && throttle_->OnGradeEntered(text))
            grade_->setText(FromStd(throttle_->GradeText()));
    }
}

// --- the locomotive dialog -----------------------------------------------------------------

void CDlgRThrottle::OnEditLoco() {
    CDlgLoco dialog(this, data_.decoders, data_.functions, prompts_, throttle_->LocoForEdit());
    if (dialog.exec() == QDialog::Accepted)
        throttle_->OnLocoEdited(dialog.Record());
}

void CDlgRThrottle::OnNewLoco() {
    if (!throttle_->BeginNewLoco())
        return;
    CDlgLoco dialog(this, data_.decoders, data_.functions, prompts_,
                    LocoEditor::NewLoco(data_.functions));
    if (dialog.exec() == QDialog::Accepted)
        throttle_->OnLocoAdded(dialog.Record());
}

// --- the view ------------------------------------------------------------------------------

void CDlgRThrottle::Show(unsigned parts) {
    const TrainModel& model = throttle_->Model();
    if (parts & RealisticShow::kLocoList)
        ShowLocoList();
    if (parts & RealisticShow::kDescription) {
        // A long sound decoder name would hide the power and weight: the whole line is in
        // the tool tip.
        const QString line = FromStd(throttle_->Description());
        description_->setText(
            description_->fontMetrics().elidedText(line, Qt::ElideMiddle, description_->width()));
        description_->setToolTip(line);
    }
    if (parts & RealisticShow::kAddresses) {
        powerAddress_->setText(QString::number(throttle_->PowerAddress()));
        brakeAddress_->setText(QString::number(throttle_->BrakeAddress()));
    }
    if (parts & RealisticShow::kTrain)
        ShowTrain();
    if (parts & RealisticShow::kPowerSlider)
        powerHandle_->SetValue(RealisticThrottle::kMaxPowerStep - throttle_->PowerSliderPosition());
    if (parts & RealisticShow::kBrakeSlider)
        ShowBrakeSlider();
    if (parts & RealisticShow::kReverser)
        (model.iDirection == kForwards ? forwards_ : backwards_)->setChecked(true);
    if (parts & RealisticShow::kBrakeType)
        (model.iBrakeType == kLocoBrake ? locoBrake_ : trainBrake_)->setChecked(true);
    if (parts & RealisticShow::kState)
        ShowState();
    if (parts & RealisticShow::kStatusPicture)
        engine_->SetPicture(throttle_->StatusPicture());
}

void CDlgRThrottle::ShowLocoList() {
    const std::vector<std::string> names = throttle_->LocoNames();
    bool same = locos_->count() == static_cast<int>(names.size());
    for (int i = 0; same && i < locos_->count(); ++i)
        same = locos_->itemText(i) == FromStd(names[static_cast<std::size_t>(i)]);
    if (!same) {
        locos_->clear();
        for (std::size_t i = 0; i < names.size(); ++i)
            locos_->addItem(FromStd(names[i]), static_cast<int>(i));
    }
    locos_->setCurrentIndex(throttle_->ChosenLoco());
}

void CDlgRThrottle::ShowTrain() {
    const auto show = [](QComboBox* box, const ChoiceList& list, const std::string& text) {
        QStringList entries;
        for (const std::string& entry : list.entries)
            entries << FromStd(entry);
        QStringList shown;
        for (int i = 0; i < box->count(); ++i)
            shown << box->itemText(i);
        if (shown != entries) {
            box->clear();
            box->addItems(entries);
        }
        box->setCurrentIndex(list.selected);
        box->setEditText(FromStd(text));
    };
    show(cars_, throttle_->CarsList(), throttle_->CarsText());
    show(load_, throttle_->LoadList(), throttle_->LoadText());
    grade_->setText(FromStd(throttle_->GradeText()));
}

void CDlgRThrottle::ShowBrakeSlider() {
    const int max = throttle_->BrakeSliderMax();
    // Notches of 10 psi for the train brake; each level of the locomotive brake.
    const int step = max == RealisticThrottle::kTrainBrakeSliderMax ? 10 : 1;
    brake_->setPageStep(step);
    // The train brake's handle is the pipe pressure, the locomotive brake's the braking.
    brake_->setToolTip(step == 10 ? QStringLiteral("Vlakovna zavora: zgoraj odpuščena")
                                  : QStringLiteral("Lokomotivska zavora: spodaj odpuščena"));
    brake_->setTickInterval(step);
    brakeHandle_->SetRange(0, max, max - throttle_->BrakeSliderPosition());
}

void CDlgRThrottle::ShowState() {
    const RealisticControls c = throttle_->Controls();
    acquire_->setText(QString::fromUtf8(c.caption));
    acquire_->setEnabled(c.acquireButton);
    for (QWidget* handle : std::initializer_list<QWidget*>{power_, brake_, backwards_, forwards_,
                                                           trainBrake_, locoBrake_})
        handle->setEnabled(c.handles);
    for (CFuncButton* key : buttons_)
        key->setEnabled(c.functionButtons);
    locos_->setEnabled(c.locoChoice);
    add_->setEnabled(c.locoChoice);
    edit_->setEnabled(c.editLoco);
    SetReadOnly(powerAddress_, !c.addressesEditable);
    SetReadOnly(brakeAddress_, !c.addressesEditable);
    setWindowTitle(QString::fromStdString(throttle_->Title()));
}

void CDlgRThrottle::ShowButtons() {
    for (int f = 0; f < FunctionOutputs::kKeyCount; ++f)
        buttons_[static_cast<std::size_t>(f)]->SetState(throttle_->ButtonState(f));
}

void CDlgRThrottle::Redraw(unsigned regions) {
    gauges_->Redraw(regions);
}

void CDlgRThrottle::Focus(RealisticField field) {
    QLineEdit* edit = nullptr;
    switch (field) {
    case RealisticField::PowerAddress:
        edit = powerAddress_;
        break;
    case RealisticField::BrakeAddress:
        edit = brakeAddress_;
        break;
    case RealisticField::Cars:
        edit = cars_->lineEdit();
        break;
    case RealisticField::Load:
        edit = load_->lineEdit();
        break;
    case RealisticField::Grade:
        edit = grade_;
        break;
    }
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void CDlgRThrottle::CloseWindow() {
    DestroyWindow();
}

// --- for the command line and the tests ----------------------------------------------------

void CDlgRThrottle::Acquire(int powerAddress, int brakeAddress) {
    powerAddress_->setText(QString::number(powerAddress));
    brakeAddress_->setText(QString::number(brakeAddress));
    acquire_->click();
}

void CDlgRThrottle::Drive(int notch) {
    if (!throttle_->Running())
        return;
    const int engine = throttle_->EngineKey();
    if (throttle_->Locked() && engine >= 0) {
        FunctionStateChanged(engine, true);
        ShowButtons();
    }
    // Released: the train brake's handle at the top, the locomotive brake's at the bottom.
    const bool locoBrake = throttle_->Model().iBrakeType == kLocoBrake;
    throttle_->OnBrakeSliderReleased(locoBrake ? throttle_->BrakeSliderMax() : 0);
    throttle_->OnPowerSliderReleased(RealisticThrottle::kMaxPowerStep - notch);
}
