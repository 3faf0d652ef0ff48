#pragma once
// The realistic throttle window: a thin view over RealisticThrottle. Every control's
// objectName says what it is ("acquireButton" is "Uporabi"/"Sprosti"); the gauges are
// painted under the controls by CRealisticGauges ("gauges").

#include "core/throttles/RealisticThrottle.h"
#include "gui/throttles/DlgThrottle.h"

#include <array>
#include <vector>

class Beeper;
class Clock;
class Prompts;
class CEngineKey;
class CFuncButton;
class CHandleSlider;
class CRealisticGauges;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
struct ProgramSettings;
struct RosterData;

class CDlgRThrottle : public CDlgThrottle, public RealisticThrottleView {
    Q_OBJECT
public:
    CDlgRThrottle(CLoconet& loconet, Clock& clock, Beeper& beeper, Prompts& prompts,
                  const ProgramSettings& settings, RosterData& roster, CMainFrame* mainWindow);
    ~CDlgRThrottle() override;

    RealisticThrottle& Realistic() const { return *throttle_; }
    CRealisticGauges& Gauges() const { return *gauges_; }
    // Types the two throttle addresses and presses "Uporabi", as the operator would.
    void Acquire(int powerAddress, int brakeAddress);
    // Once the train is held: starts the engine if it has one, releases the brakes fully and
    // lets the power handle go at `notch`, as the operator would with the window's controls.
    void Drive(int notch);

    // RealisticThrottleView
    void Show(unsigned parts) override;
    void ShowButtons() override;
    void Redraw(unsigned regions) override;
    void Focus(RealisticField field) override;
    void CloseWindow() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    struct Placed {
        QWidget* widget;
        int x, y, w, h; // dialog units
    };

    void BuildControls();
    void BuildTrainRow();
    void BuildHandles();
    void Connect();
    // Places every control on the dialog-unit grid of the window's font.
    void ApplyLayout();
    void Place(QWidget* widget, int x, int y, int w, int h);
    void ShowLocoList();
    void ShowTrain();
    void ShowBrakeSlider();
    void ShowState();
    void TakeTrainField(QWidget* field);
    void OnEditLoco();
    void OnNewLoco();

    RealisticThrottle* throttle_;
    RosterData& data_;
    Prompts& prompts_;
    std::vector<Placed> placed_;
    CRealisticGauges* gauges_ = nullptr;
    QLineEdit* powerAddress_ = nullptr;
    QLineEdit* brakeAddress_ = nullptr;
    QPushButton* acquire_ = nullptr;
    QComboBox* locos_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* add_ = nullptr;
    QLabel* description_ = nullptr;
    QComboBox* cars_ = nullptr;
    QComboBox* load_ = nullptr;
    QLineEdit* grade_ = nullptr;
    QSlider* power_ = nullptr;
    QSlider* brake_ = nullptr;
    CHandleSlider* powerHandle_ = nullptr;
    CHandleSlider* brakeHandle_ = nullptr;
    QRadioButton* backwards_ = nullptr;
    QRadioButton* forwards_ = nullptr;
    QRadioButton* trainBrake_ = nullptr;
    QRadioButton* locoBrake_ = nullptr;
    CEngineKey* engine_ = nullptr;
    std::array<CFuncButton*, FunctionOutputs::kKeyCount> buttons_{};
};
