// The ports-and-servers module: the program loads it when it first opens a serial or TCP
// port, serves the bus or the phones, or lists the serial ports, so that the network and
// serial libraries cost its start nothing.

#include "io/BusServer.h"
#include "io/DnsSdAdvert.h"
#include "io/SerialDevicePort.h"
#include "io/TcpPort.h"

#include <QSerialPortInfo>

namespace {

class QtPorts final : public PortsModule {
public:
    std::unique_ptr<SerialPort> DevicePort(const SerialLine& line) override {
        return std::make_unique<SerialDevicePort>(line);
    }
    std::unique_ptr<SerialPort> NetworkPort() override { return std::make_unique<TcpPort>(); }
    std::unique_ptr<TcpListener> Listener(TcpService& service) override {
        return std::make_unique<BusServer>(service);
    }
    std::unique_ptr<ServiceAdvert> Advert() override { return std::make_unique<DnsSdAdvert>(); }
    std::vector<SerialPortInfo> SerialPorts() override {
        std::vector<SerialPortInfo> ports;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            QString description = info.description();
            if (description.isEmpty())
                description = info.manufacturer();
            ports.push_back({info.systemLocation().toStdString(), description.toStdString(),
                             info.hasVendorIdentifier()});
        }
        return ports;
    }
};

} // namespace

extern "C" Q_DECL_EXPORT PortsModule* vlakomat_ports_module() {
    static QtPorts ports;
    return &ports;
}
