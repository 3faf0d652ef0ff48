#pragma once
// What the program reaches of its ports-and-servers module (serial devices, LocoNet over TCP,
// the line-based TCP servers, the DNS-SD advert, the list of serial ports). The module and
// the network and serial libraries it links are loaded only when something first needs them.

#include "core/loconet/SerialPort.h"
#include "core/loconet/TcpService.h"
#include "core/settings/SerialLine.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A line-based TCP server carrying a service's bytes (the shared bus, the phones).
class TcpListener {
public:
    virtual ~TcpListener() = default;
    // Listens on the port (0: any free one), on every interface when `anyInterface`, else on
    // the loopback ones; "" or why it cannot.
    virtual std::string Listen(int port, bool anyInterface) = 0;
    // Stops listening and lets every client go.
    virtual void Stop() = 0;
    virtual bool IsListening() const = 0;
    virtual int Port() const = 0;
    // Called after a client's bytes were handed over.
    virtual void SetActivityHandler(std::function<void()> handler) = 0;
    // Called when a client came or went, with the number connected.
    virtual void SetClientsHandler(std::function<void(int)> handler) = 0;
};

// Tells the local network where a service is offered (DNS-SD).
class ServiceAdvert {
public:
    virtual ~ServiceAdvert() = default;
    // Publishes the service `name` on `port`; port 0 withdraws it.
    virtual void Publish(const std::string& name, int port) = 0;
};

// A serial port of the computer, as the settings dialog offers it.
struct SerialPortInfo {
    std::string location;    // the device ("/dev/ttyUSB0")
    std::string description; // the product, else its maker
    bool usb = false;        // it names a vendor: a USB adapter
};

class PortsModule {
public:
    virtual std::unique_ptr<SerialPort> DevicePort(const SerialLine& line) = 0;
    virtual std::unique_ptr<SerialPort> NetworkPort() = 0;
    virtual std::unique_ptr<TcpListener> Listener(TcpService& service) = 0;
    virtual std::unique_ptr<ServiceAdvert> Advert() = 0;
    virtual std::vector<SerialPortInfo> SerialPorts() = 0;

protected:
    ~PortsModule() = default;
};

// The module's file (without its suffix) and its one exported function, which hands out the
// module's single PortsModule.
inline constexpr const char* kPortsModuleName = "vlakomat-ports";
inline constexpr const char* kPortsModuleEntry = "vlakomat_ports_module";
using PortsModuleEntry = PortsModule* (*)();

// How a port name is served: "sim" the simulated station, "tcp://host[:port]" LocoNet over
// TCP, anything else a serial device.
enum class PortKind { Simulated, Network, Device };
PortKind KindOfPort(const std::string& name);
