#include "gui/app/SignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

int SignalWatcher::fds_[2] = {-1, -1};

namespace {
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
} // namespace

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0)
        return;
    notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char signal = 0;
        if (::read(fds_[1], &signal, 1) == 1)
            emit Terminate(signal);
    });
    struct sigaction action {};
    action.sa_handler = &SignalWatcher::Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

SignalWatcher::~SignalWatcher() {
    for (int signal : kSignals)
        ::signal(signal, SIG_DFL);
    for (int& fd : fds_) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SignalWatcher::Handler(int signal) {
    // Only async-signal-safe work here: the rest happens in the event loop.
    unsigned char byte = static_cast<unsigned char>(signal);
    if (fds_[0] >= 0) [[maybe_unused]]
        auto n = ::write(fds_[0], &byte, 1);
}
