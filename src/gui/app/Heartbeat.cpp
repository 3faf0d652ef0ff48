#include "gui/app/Heartbeat.h"

#include <QAbstractEventDispatcher>

#include <algorithm>

Heartbeat::Heartbeat(std::function<bool()> isActive, std::function<void()> process,
                     std::function<std::uint32_t()> nextDue, std::function<void()> afterStep,
                     QObject* parent)
    : QObject(parent), isActive_(std::move(isActive)), process_(std::move(process)),
      nextDue_(std::move(nextDue)), afterStep_(std::move(afterStep)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Heartbeat::Beat);
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &Heartbeat::Update);
}

void Heartbeat::Update() {
    if (!isActive_()) {
        // The link may have closed itself (a lost connection): no more wake-ups.
        timer_.stop();
        return;
    }
    const std::uint32_t due = nextDue_ ? nextDue_() : 0;
    if (due == 0xFFFFFFFFu) {
        timer_.stop();
        return;
    }
    constexpr std::uint32_t kLongest = 24u * 3600 * 1000; // within QTimer's int range
    const int interval = due == 0 ? kBusyIntervalMs : static_cast<int>(std::min(due, kLongest));
    // An earlier wake-up already planned stays; it plans again when it comes.
    if (!timer_.isActive() || timer_.remainingTime() > interval)
        timer_.start(interval);
}

void Heartbeat::Beat() {
    if (!isActive_()) {
        timer_.stop();
        return;
    }
    // The step runs under modal dialogs and message boxes too: their event loops call us,
    // and the bus never waits on a person. A step opens no box, so it is never re-entered.
    ++steps_;
    process_();
    Update();
    if (afterStep_)
        afterStep_();
}
