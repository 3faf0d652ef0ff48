#include "app/Heartbeat.h"

#include <QAbstractEventDispatcher>
#include <QApplication>

#include <algorithm>

Heartbeat::Heartbeat(std::function<bool()> isActive, std::function<void()> process,
                     std::function<std::uint32_t()> nextDue, QObject* parent)
    : QObject(parent), isActive_(std::move(isActive)), process_(std::move(process)),
      nextDue_(std::move(nextDue)) {
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
    if (inStep_)
        return; // the step plans when it ends
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
    if (inStep_)
        return;
    // A modal dialog or message box pauses processing, also when one is opened from
    // inside a step (its own event loop would otherwise call us again). The timer goes on,
    // so that processing resumes soon after the window closes.
    if (QApplication::activeModalWidget() != nullptr) {
        Update();
        return;
    }
    inStep_ = true;
    ++steps_;
    process_();
    inStep_ = false;
    Update();
}
