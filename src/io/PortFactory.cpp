#include "io/PortFactory.h"

#include "core/loconet/PortsModule.h"
#include "core/sim/SimPort.h"
#include "io/SerialDevicePort.h"
#include "io/TcpPort.h"

std::unique_ptr<SerialPort> CreatePort(const std::string& name, Clock& clock, SerialLine line) {
    switch (KindOfPort(name)) {
    case PortKind::Simulated:
        return std::make_unique<SimPort>(clock);
    case PortKind::Network:
        return std::make_unique<TcpPort>();
    case PortKind::Device:
        break;
    }
    return std::make_unique<SerialDevicePort>(line);
}
