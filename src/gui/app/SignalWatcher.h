#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (the end of a desktop session, Ctrl+C, a closed
// terminal) into a signal on the program's one thread, where the program ends in order.

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
