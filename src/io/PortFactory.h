#pragma once
#include "loconet/SerialPort.h"

// Chooses the port implementation by name: "sim" for the simulated command station,
// "tcp://host[:port]" for LocoNet over TCP, anything else a serial device.
std::unique_ptr<SerialPort> CreatePort(const std::string& name);
