#include "gui/throttles/DlgSThrottle.h"

#include "core/settings/Settings.h"
#include "gui/common/Controls.h"
#include "gui/throttles/FuncButton.h"
#include "gui/throttles/HandleSlider.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

CDlgSThrottle::CDlgSThrottle(CLoconet& loconet, Clock& clock, Prompts& prompts,
                             CMainFrame* mainWindow, ProgramSettings* settings)
    : CDlgThrottle(loconet, mainWindow, std::make_unique<SimpleThrottle>(loconet, clock, prompts)),
      throttle_(static_cast<SimpleThrottle*>(&Logic())), settings_(settings) {
    setObjectName(QStringLiteral("SimpleThrottle"));
    BuildControls();
    throttle_->SetView(this);
    Show(SimpleThrottleShow::kAll);
    addressEdit_->setFocus();
}

CDlgSThrottle::~CDlgSThrottle() {
    // A slider losing the focus on its way out must not reach the logic.
    delete handle_;
    // The base releases the slot after this part is gone; the logic must not call back.
    throttle_->SetView(nullptr);
}

void CDlgSThrottle::BuildControls() {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(4);

    auto* addressLabel = new QLabel(QStringLiteral("Naslov"), this);
    addressEdit_ = new QLineEdit(this);
    addressEdit_->setObjectName(QStringLiteral("addressEdit"));
    addressEdit_->setAlignment(Qt::AlignRight);
    addressEdit_->setToolTip(QStringLiteral("Naslov dekoderja lokomotive (0 do 9983)"));
    addressLabel->setBuddy(addressEdit_);
    setRelease_ = new QPushButton(QStringLiteral("Nastavi"), this);
    setRelease_->setObjectName(QStringLiteral("setReleaseButton"));
    setRelease_->setAutoDefault(false);
    layout->addWidget(addressLabel);
    layout->addWidget(addressEdit_);
    layout->addWidget(setRelease_);

    slider_ = new QSlider(Qt::Vertical, this);
    slider_->setObjectName(QStringLiteral("speedSlider"));
    // The slider's value is the speed (top = 99 %); the logic works with the position
    // from the top, 99 - value.
    slider_->setRange(0, SimpleThrottle::kMaxSpeed);
    slider_->setSingleStep(1);
    slider_->setPageStep(10);
    slider_->setTickPosition(QSlider::TicksBothSides);
    slider_->setTickInterval(10);
    slider_->setMinimumHeight(150);
    slider_->setToolTip(QStringLiteral("Hitrost v odstotkih"));
    layout->addWidget(slider_, 1, Qt::AlignHCenter);

    reverse_ = new QRadioButton(this);
    reverse_->setObjectName(QStringLiteral("reverseRadio"));
    reverse_->setToolTip(QStringLiteral("Nazaj"));
    reverse_->setAccessibleName(QStringLiteral("Nazaj"));
    forward_ = new QRadioButton(this);
    forward_->setObjectName(QStringLiteral("forwardRadio"));
    forward_->setToolTip(QStringLiteral("Naprej"));
    forward_->setAccessibleName(QStringLiteral("Naprej"));
    auto* direction = new QButtonGroup(this);
    direction->addButton(reverse_);
    direction->addButton(forward_);
    auto* directionRow = new QHBoxLayout;
    directionRow->addStretch();
    directionRow->addWidget(reverse_);
    directionRow->addWidget(forward_);
    directionRow->addStretch();
    layout->addLayout(directionRow);

    // Neither field has a validator: one that drops a comma turns 2,5 into 25. The throttle
    // reads the whole text and says why it refuses one.
    speedEdit_ = new QLineEdit(this);
    speedEdit_->setObjectName(QStringLiteral("speedEdit"));
    speedEdit_->setAlignment(Qt::AlignRight);
    speedEdit_->setToolTip(QStringLiteral("Hitrost v odstotkih (0 do 99), potrdi z Enter"));
    layout->addWidget(speedEdit_);

    auto* functions = new QGridLayout;
    functions->setSpacing(2);
    for (int f = 0; f < SimpleThrottle::kFunctionCount; ++f) {
        CFuncButton* button = MakeFunctionButton(f, this);
        if (f == 0)
            functions->addWidget(button, 0, 0, 1, 2);
        else
            functions->addWidget(button, (f + 1) / 2, (f - 1) % 2);
    }
    layout->addLayout(functions);
    BuildMoreFunctions(layout);

    emergency_ = new QPushButton(QStringLiteral("Zas.zav."), this);
    emergency_->setObjectName(QStringLiteral("emergencyButton"));
    emergency_->setAutoDefault(false);
    emergency_->setToolTip(QStringLiteral("Zasilna zavora: lokomotiva se takoj ustavi"));
    emergency_->setStyleSheet(QStringLiteral("QPushButton { font-weight: bold; color: #b00000; }"));
    layout->addSpacing(4);
    layout->addWidget(emergency_);

    setTabOrder(addressEdit_, setRelease_);
    setTabOrder(setRelease_, slider_);
    setTabOrder(slider_, reverse_);
    setTabOrder(reverse_, forward_);
    setTabOrder(forward_, speedEdit_);
    QWidget* previous = speedEdit_;
    for (int f = 0; f < SimpleThrottle::kAllFunctionCount; ++f) {
        if (f == SimpleThrottle::kFunctionCount) {
            setTabOrder(previous, moreButton_);
            previous = moreButton_;
        }
        setTabOrder(previous, buttons_[static_cast<std::size_t>(f)]);
        previous = buttons_[static_cast<std::size_t>(f)];
    }
    setTabOrder(previous, emergency_);

    connect(setRelease_, &QPushButton::clicked, this, [this] { throttle_->OnSetRelease(); });
    connect(emergency_, &QPushButton::clicked, this, [this] { throttle_->OnEmergencyStop(); });
    connect(reverse_, &QRadioButton::clicked, this, [this] { throttle_->OnDirectionClicked(); });
    connect(forward_, &QRadioButton::clicked, this, [this] { throttle_->OnDirectionClicked(); });
    handle_ = new CHandleSlider(slider_, [this](int value) {
        throttle_->OnSliderReleased(SimpleThrottle::kMaxSpeed - value);
    });

    setFixedWidth(qMax(124, minimumSizeHint().width()));
    ShowMoreFunctions(settings_ && settings_->ShowF13toF28 != 0);
    ShowTitle();
}

CFuncButton* CDlgSThrottle::MakeFunctionButton(int function, QWidget* parent) {
    auto* button = new CFuncButton(QStringLiteral("F%1").arg(function), parent);
    button->setObjectName(QStringLiteral("f%1Button").arg(function));
    button->Attach(function, this);
    button->setMinimumWidth(34);
    buttons_[static_cast<std::size_t>(function)] = button;
    return button;
}

void CDlgSThrottle::BuildMoreFunctions(QVBoxLayout* layout) {
    moreButton_ = new QPushButton(QStringLiteral("F13–F28"), this);
    moreButton_->setObjectName(QStringLiteral("moreFunctionsButton"));
    moreButton_->setCheckable(true);
    moreButton_->setAutoDefault(false);
    moreButton_->setToolTip(QStringLiteral("Pokaži ali skrij funkcije F13 do F28"));
    layout->addWidget(moreButton_);
    more_ = new QWidget(this);
    auto* grid = new QGridLayout(more_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    for (int f = SimpleThrottle::kFunctionCount; f < SimpleThrottle::kAllFunctionCount; ++f) {
        const int i = f - SimpleThrottle::kFunctionCount;
        grid->addWidget(MakeFunctionButton(f, more_), i / 2, i % 2);
    }
    layout->addWidget(more_);
    connect(moreButton_, &QPushButton::toggled, this, [this](bool on) {
        ShowMoreFunctions(on);
        if (settings_)
            settings_->ShowF13toF28 = on ? 1 : 0;
    });
}

void CDlgSThrottle::ShowMoreFunctions(bool show) {
    const QSignalBlocker quiet(moreButton_);
    moreButton_->setChecked(show);
    more_->setVisible(show);
    // The window takes the height the keys need, and gives it back when they go.
    layout()->activate();
    resize(width(), sizeHint().height());
    if (isVisible())
        KeepOnScreen(this);
}

void CDlgSThrottle::ShowTitle() {
    setWindowTitle(QString::fromStdString(throttle_->Title()));
}

SimpleThrottleEntries CDlgSThrottle::ReadEntries() const {
    return {addressEdit_->text().toStdString(), speedEdit_->text().toStdString(),
            forward_->isChecked()};
}

void CDlgSThrottle::Show(unsigned parts) {
    if (parts & SimpleThrottleShow::kAddress)
        addressEdit_->setText(QString::number(throttle_->Address()));
    if (parts & SimpleThrottleShow::kSpeed) {
        speedEdit_->setText(QString::number(throttle_->Speed()));
        handle_->SetValue(SimpleThrottle::kMaxSpeed - throttle_->SliderPosition());
    }
    if (parts & SimpleThrottleShow::kDirection)
        (throttle_->Forward() ? forward_ : reverse_)->setChecked(true);
    if (parts & SimpleThrottleShow::kState) {
        const bool driving = throttle_->Driving();
        setRelease_->setText(FromStd(throttle_->Caption()));
        SetReadOnly(addressEdit_, driving);
        SetReadOnly(speedEdit_, !driving);
        ShowTitle();
    }
}

void CDlgSThrottle::ShowButtons() {
    for (int f = 0; f < SimpleThrottle::kAllFunctionCount; ++f)
        buttons_[static_cast<std::size_t>(f)]->SetState(throttle_->ButtonState(f));
}

void CDlgSThrottle::Focus(SimpleThrottleField field, bool selectAll) {
    QLineEdit* edit = field == SimpleThrottleField::Address ? addressEdit_ : speedEdit_;
    edit->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        edit->selectAll();
}

void CDlgSThrottle::CloseWindow() {
    DestroyWindow();
}

void CDlgSThrottle::DefaultAction() {
    throttle_->OnEnter();
}

void CDlgSThrottle::Acquire(int address) {
    addressEdit_->setText(QString::number(address));
    throttle_->OnSetRelease();
}
