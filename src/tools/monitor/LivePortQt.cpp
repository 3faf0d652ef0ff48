// Reading a live port for `--port NAME` in a build with the Qt ports: any name the program
// takes ("sim", "tcp://host[:port]", a serial device), with Qt's event handling running
// while the monitor waits for input.

#include "core/util/SystemClock.h"
#include "io/PortFactory.h"
#include "tools/monitor/LivePort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>

std::shared_ptr<void> StartLiveSupport(int& argc, char** argv) {
    if (QCoreApplication::instance() != nullptr)
        return nullptr;
    return std::make_shared<QCoreApplication>(argc, argv);
}

std::unique_ptr<SerialPort> MakeLivePort(const std::string& name, std::string& whyNot) {
    static SystemClock clock; // the tool's only clock, for a "sim" port
    auto port = CreatePort(name, clock);
    if (!port)
        whyNot = "no port for " + name;
    return port;
}

void WaitForLiveInput(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
