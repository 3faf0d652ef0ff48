#include "tools/monitor/LivePort.h"

#include <chrono>
#include <thread>

std::shared_ptr<void> StartLiveSupport(int&, char**) {
    return nullptr;
}

std::unique_ptr<SerialPort> MakeLivePort(const std::string&, std::string& whyNot) {
    whyNot = "--port is not available in this build";
    return nullptr;
}

void WaitForLiveInput(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
