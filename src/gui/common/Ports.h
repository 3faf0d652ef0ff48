#pragma once
// The program's ports and servers: the simulated station in the program, everything else from
// the ports module, loaded the first time a port opens, a server listens or the serial ports
// are listed. Without the module those fail with the reason, and `sim` still works.

#include "core/loconet/PortsModule.h"
#include "core/platform.h"

#include <memory>
#include <string>
#include <vector>

// The module, loaded at the first call; nullptr when it cannot be, `why` then says why (for
// the operator).
PortsModule* LoadPortsModule(std::string* why = nullptr);

// The port a name asks for ("sim", "tcp://...", a device); without the module one whose
// opening fails with the reason.
std::unique_ptr<SerialPort> CreateProgramPort(const std::string& name, Clock& clock,
                                              const SerialLine& line);

// A server that loads the module when it is first told to listen.
std::unique_ptr<TcpListener> CreateProgramListener(TcpService& service);
// An advert that loads the module when there is first something to publish.
std::unique_ptr<ServiceAdvert> CreateProgramAdvert();

// The computer's serial ports; none without the module.
std::vector<SerialPortInfo> ProgramSerialPorts();
