#pragma once
// The simple throttle window: a thin view over SimpleThrottle. Widgets carry objectNames
// (addressEdit, setReleaseButton, speedSlider, reverseRadio, forwardRadio, speedEdit,
// f0Button .. f12Button, moreFunctionsButton, f13Button .. f28Button, emergencyButton) for
// the tests.

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
class QVBoxLayout;
class QWidget;
struct ProgramSettings;

class CDlgSThrottle : public CDlgThrottle, public SimpleThrottleView {
    Q_OBJECT
public:
    // `settings` (may be nullptr) tells whether F13 to F28 are shown at first and remembers
    // the operator's last choice for the next throttle and the next start.
    CDlgSThrottle(CLoconet& loconet, Clock& clock, Prompts& prompts, CMainFrame* mainWindow,
                  ProgramSettings* settings = nullptr);
    ~CDlgSThrottle() override;

    SimpleThrottle& Simple() const { return *throttle_; }
    // Types the address and presses "Nastavi", as the operator would.
    void Acquire(int address);
    // Shows or hides the keys F13 to F28; the window grows and shrinks with them.
    void ShowMoreFunctions(bool show);

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
    void BuildMoreFunctions(QVBoxLayout* layout);
    CFuncButton* MakeFunctionButton(int function, QWidget* parent);
    void ShowTitle();

    SimpleThrottle* throttle_;
    QLineEdit* addressEdit_ = nullptr;
    QPushButton* setRelease_ = nullptr;
    QSlider* slider_ = nullptr;
    QRadioButton* reverse_ = nullptr;
    QRadioButton* forward_ = nullptr;
    QLineEdit* speedEdit_ = nullptr;
    std::array<CFuncButton*, SimpleThrottle::kAllFunctionCount> buttons_{};
    QPushButton* moreButton_ = nullptr;
    QWidget* more_ = nullptr;
    ProgramSettings* settings_;
    QPushButton* emergency_ = nullptr;
    CHandleSlider* handle_ = nullptr;
};
