#pragma once
// A latching function key (F0 to F28): each press toggles its function once and tells the
// throttle; the pressed-in look stays until the next press or until the throttle sets it
// from the locomotive's function state.

#include <QPushButton>

class CDlgThrottle;

class CFuncButton : public QPushButton {
    Q_OBJECT
public:
    explicit CFuncButton(const QString& text, QWidget* parent = nullptr);

    void Attach(int function, CDlgThrottle* owner);
    void SetState(bool state);
    bool State() const { return state_; }
    int Function() const { return function_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Press();

    bool state_ = false;
    CDlgThrottle* owner_ = nullptr;
    int function_ = -1;
};
