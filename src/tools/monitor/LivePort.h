#pragma once
// Reading a live port for `--port NAME`. This build has no serial implementation of its
// own; a build with one replaces LivePort.cpp with a version that makes the real port and
// runs its event handling while waiting.

#include "loconet/SerialPort.h"

#include <memory>
#include <string>

// The port for `name`, not yet opened, or nullptr with the reason in `whyNot`.
std::unique_ptr<SerialPort> MakeLivePort(const std::string& name, std::string& whyNot);
// Waits up to `ms` milliseconds for more input (and lets the port do its work).
void WaitForLiveInput(int ms);
