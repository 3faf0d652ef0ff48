#pragma once
// The base of both throttle windows. It makes the window a member of the link's throttle
// registry through its logic object, routes the function keys to it, and lets go of its
// slots (a realistic throttle holds four) and registry entry when the window is destroyed.

#include <QDialog>

#include <memory>

class CLoconet;
class CMainFrame;
class Throttle;

class CDlgThrottle : public QDialog {
    Q_OBJECT
public:
    CDlgThrottle(CLoconet& loconet, CMainFrame* mainWindow, std::unique_ptr<Throttle> logic);
    ~CDlgThrottle() override;

    Throttle& Logic() const { return *logic_; }
    void FunctionStateChanged(int function, bool state);
    // Hides the window at once and deletes it on the next pass of the event loop, so that
    // it may be called from inside the link's processing step or the window's own handlers.
    void DestroyWindow();
    // While the port is down nothing the throttle does reaches the bus: the title says so,
    // whatever title the window sets meanwhile.
    void ShowLinkState(bool down);

    // Whether this window holds `logic`.
    bool Holds(const Throttle* logic) const { return logic_.get() == logic; }

protected:
    // The Enter key when no ordinary push button has the focus.
    virtual void DefaultAction() {}
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Escape must neither close nor hide a throttle: a hidden one would still hold its
    // locomotive.
    void reject() override {}

    CLoconet& loconet_;

private:
    std::unique_ptr<Throttle> logic_;
    bool destroying_ = false;
    bool linkDown_ = false;
};
