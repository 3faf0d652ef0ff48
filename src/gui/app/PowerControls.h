#pragma once
// Track power in the main window: the menu commands "Vklopi napajanje", "Izklopi napajanje"
// and "Ustavi vse", and a toolbar button that shows the power as the bus reports it (grey
// while unknown) and switches it. "Izklopi napajanje" has a key that works in every window
// of the program.

#include "core/loconet/TrackPower.h"
#include "core/util/Subscription.h"

#include <QObject>

class CLoconet;
class Prompts;
class QAction;
class QMenu;
class QToolBar;
class QWidget;

class CPowerControls : public QObject {
    Q_OBJECT
public:
    // The actions belong to `frame`, so that they are found by their objectNames there.
    CPowerControls(CLoconet& link, Prompts& prompts, QWidget* frame);
    ~CPowerControls() override;

    void AddToMenu(QMenu* menu) const;
    void AddToToolBar(QToolBar* bar) const;
    // While the link is down the power is not known.
    void LinkDown(bool down);
    PowerState State() const { return power_.State(); }

private:
    void Send(const LocoNetMessage& message);
    void Show();

    CLoconet& link_;
    Subscription watcher_;
    Prompts& prompts_;
    TrackPower power_;
    QAction* on_ = nullptr;
    QAction* off_ = nullptr;
    QAction* stopAll_ = nullptr;
    QAction* button_ = nullptr;
};
