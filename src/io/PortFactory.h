#pragma once
#include "core/loconet/SerialPort.h"
#include "core/platform.h"
#include "core/settings/SerialLine.h"

// Chooses the port implementation by name: "sim" for the simulated command station (which
// keeps time on `clock`, the link's own), "tcp://host[:port]" for LocoNet over TCP,
// anything else a serial device on the given line.
std::unique_ptr<SerialPort> CreatePort(const std::string& name, Clock& clock, SerialLine line = {});
