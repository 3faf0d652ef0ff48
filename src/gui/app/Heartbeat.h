#pragma once
// The processing heartbeat: runs the link's processing step at once when bytes arrive,
// every 5 ms while something waits on time, and otherwise only when the link's next
// deadline comes (a throttle's keep-alive), so an idle program sleeps. It runs while a modal
// dialog or message box is open as well: the bus never waits on a person.

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

class Heartbeat : public QObject {
    Q_OBJECT
public:
    static constexpr int kBusyIntervalMs = 5;

    // `nextDue` tells the milliseconds until the next step is needed (0: something waits,
    // 0xFFFFFFFF: nothing does); without it the heartbeat steps every 5 ms.
    // `afterStep` runs after each step, outside it (the place to show what the step queued).
    Heartbeat(std::function<bool()> isActive, std::function<void()> process,
              std::function<std::uint32_t()> nextDue = {}, std::function<void()> afterStep = {},
              QObject* parent = nullptr);

    // Plans the next step anew; call after opening or closing the link. It is also called
    // before the event loop goes to sleep, so input handled by any window (a throttle that
    // queued a message) is followed by a step in time.
    void Update();
    // Runs one step now if allowed (bytes have arrived).
    void Beat();
    bool Running() const { return timer_.isActive(); }
    // The milliseconds the timer is set to, or -1 when it is not running.
    int Interval() const { return timer_.isActive() ? timer_.interval() : -1; }
    int Steps() const { return steps_; }

private:
    QTimer timer_;
    std::function<bool()> isActive_;
    std::function<void()> process_;
    std::function<std::uint32_t()> nextDue_;
    std::function<void()> afterStep_;
    int steps_ = 0;
};
