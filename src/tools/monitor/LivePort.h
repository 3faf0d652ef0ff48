#pragma once
// Reading a live port for `--port NAME`. A build with the Qt ports uses LivePortQt.cpp,
// which makes the port as the program does and runs its event handling while waiting; a
// core-only build uses LivePort.cpp, which has no port to offer.

#include "core/loconet/SerialPort.h"

#include <memory>
#include <string>

// What the ports need to run (an application object for their event handling), made
// before the link and kept until after it; nullptr when nothing is needed.
std::shared_ptr<void> StartLiveSupport(int& argc, char** argv);
// The port for `name`, not yet opened, or nullptr with the reason in `whyNot`.
std::unique_ptr<SerialPort> MakeLivePort(const std::string& name, std::string& whyNot);
// Waits up to `ms` milliseconds for more input (and lets the port do its work).
void WaitForLiveInput(int ms);
