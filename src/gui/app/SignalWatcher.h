#pragma once
// Turns SIGTERM and SIGINT into an orderly quit on the program's one thread, like a
// session end: the event loop ends, the settings file is written, the roster and the
// catalogue are not offered for saving.

#include <QObject>

class QSocketNotifier;

class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

signals:
    void Terminate(int signal);

private:
    static void Handler(int signal);
    static int fds_[2];
    QSocketNotifier* notifier_ = nullptr;
};
