#pragma once
// The simple throttle window: a thin view over SimpleThrottle. Widgets carry objectNames
// (addressEdit, setReleaseButton, speedSlider, reverseRadio, forwardRadio, speedEdit,
// f0Button .. f12Button, emergencyButton) for the tests.

#include "core/throttles/SimpleThrottle.h"
#include "gui/throttles/DlgThrottle.h"

#include <array>

class Clock;
class Prompts;
class CFuncButton;
class CHandleSlider;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

class CDlgSThrottle : public CDlgThrottle, public SimpleThrottleView {
    Q_OBJECT
public:
    CDlgSThrottle(CLoconet& loconet, Clock& clock, Prompts& prompts, CMainFrame* mainWindow);
    ~CDlgSThrottle() override;

    SimpleThrottle& Simple() const { return *throttle_; }
    // Types the address and presses "Nastavi", as the operator would.
    void Acquire(int address);

    // SimpleThrottleView
    SimpleThrottleEntries ReadEntries() const override;
    void Show(unsigned parts) override;
    void ShowButtons() override;
    void Focus(SimpleThrottleField field, bool selectAll) override;
    void CloseWindow() override;

protected:
    void DefaultAction() override;

private:
    void BuildControls();
    void ShowTitle();

    SimpleThrottle* throttle_;
    QLineEdit* addressEdit_ = nullptr;
    QPushButton* setRelease_ = nullptr;
    QSlider* slider_ = nullptr;
    QRadioButton* reverse_ = nullptr;
    QRadioButton* forward_ = nullptr;
    QLineEdit* speedEdit_ = nullptr;
    std::array<CFuncButton*, SimpleThrottle::kFunctionCount> buttons_{};
    QPushButton* emergency_ = nullptr;
    CHandleSlider* handle_ = nullptr;
};
