#include "app/Heartbeat.h"

#include <QApplication>

Heartbeat::Heartbeat(std::function<bool()> isActive, std::function<void()> process, QObject* parent)
    : QObject(parent), isActive_(std::move(isActive)), process_(std::move(process)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &Heartbeat::Beat);
}

void Heartbeat::Update() {
    if (isActive_())
        timer_.start();
    else
        timer_.stop();
}

void Heartbeat::Beat() {
    if (!isActive_()) {
        // The link may have closed itself (a lost connection): no more idle wake-ups.
        timer_.stop();
        return;
    }
    if (inStep_)
        return;
    // A modal dialog or message box pauses processing, also when one is opened from
    // inside a step (its own event loop would otherwise call us again).
    if (QApplication::activeModalWidget() != nullptr)
        return;
    inStep_ = true;
    ++steps_;
    process_();
    inStep_ = false;
}
