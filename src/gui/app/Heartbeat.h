#pragma once
// The processing heartbeat: runs the link's processing step at once when bytes arrive and
// every 5 ms while the link is active. Never re-entered, and paused while a modal dialog
// or message box is open, as operators expect.

#include <QObject>
#include <QTimer>

#include <functional>

class Heartbeat : public QObject {
    Q_OBJECT
public:
    Heartbeat(std::function<bool()> isActive, std::function<void()> process,
              QObject* parent = nullptr);

    // Starts or stops the timer to match the link's activity; call after opening or
    // closing the link.
    void Update();
    // Runs one step now if allowed (bytes have arrived).
    void Beat();
    bool Running() const { return timer_.isActive(); }
    int Steps() const { return steps_; }

private:
    QTimer timer_;
    std::function<bool()> isActive_;
    std::function<void()> process_;
    bool inStep_ = false;
    int steps_ = 0;
};
