#include "io/SerialDevicePort.h"

#include <QSerialPort>

#include <poll.h>

namespace {

bool DeviceGone(const QSerialPort& port) {
    pollfd p{static_cast<int>(port.handle()), POLLOUT, 0};
    if (p.fd < 0)
        return true;
    if (::poll(&p, 1, 0) < 0)
        return false;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// A vanished device (or a hung-up terminal) ends the link, whether a read or a write finds
// out; a setting that the device rejects is no loss. Qt also calls a full output buffer a
// ResourceError: the device is still there, and the bytes go when it takes them.
bool IsLoss(QSerialPort::SerialPortError error, const QSerialPort& port) {
    return error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
           (error == QSerialPort::ResourceError && DeviceGone(port));
}

} // namespace

SerialDevicePort::SerialDevicePort(SerialLine line)
    : port_(std::make_unique<QSerialPort>()), line_(line) {
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] {
        if (open_)
            NotifyReadyRead();
    });
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError error) {
                         if (!open_ || !IsLoss(error, *port_))
                             return;
                         // Inside Write the port is let go when the write is over, not under
                         // Qt's own call.
                         if (writing_)
                             lostInWrite_ = true;
                         else
                             Lose();
                     });
}

void SerialDevicePort::Lose() {
    open_ = false;
    port_->close();
    NotifyLost("Error! Port " + name_ + " lost!"); // a monitor line
}

SerialDevicePort::~SerialDevicePort() {
    open_ = false;
    if (port_->isOpen())
        port_->close();
}

std::string SerialDevicePort::Open(const std::string& name) {
    Close();
    name_ = name;
    port_->setPortName(QString::fromStdString(name));
    if (!port_->open(QIODevice::ReadWrite)) {
        port_->clearError();
        return "Napaka! Comm porta " + name +
               " ni mogoče odpreti! Izbranega porta ni v računalniku ali pa ga uporablja drug "
               "program";
    }
    std::string error = Configure();
    if (!error.empty()) {
        port_->close();
        port_->clearError();
        return error;
    }
    open_ = true;
    return "";
}

std::string SerialDevicePort::Configure() {
    const auto flow = line_.rtsCts ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl;
    if (!port_->setBaudRate(line_.baudRate) || !port_->setDataBits(QSerialPort::Data8) ||
        !port_->setParity(QSerialPort::NoParity) || !port_->setStopBits(QSerialPort::OneStop) ||
        !port_->setFlowControl(flow))
        return "Napaka! Ne morem nastaviti CommState portu " + name_;
    // The interface is powered from RTS and must not see DTR. A pseudo-terminal has no modem
    // lines and refuses both, and under RTS/CTS the driver holds RTS itself; neither is a
    // reason to refuse the port.
    if (!line_.rtsCts)
        port_->setRequestToSend(true);
    port_->setDataTerminalReady(false);
    port_->clearError();
    port_->setReadBufferSize(kInputBufferSize);
    if (!port_->clear(QSerialPort::Input))
        return "Napaka! Ne morem izvesti PurgeComm portu " + name_;
    return "";
}

std::size_t SerialDevicePort::Read(std::uint8_t* buffer, std::size_t capacity) {
    if (!open_ || buffer == nullptr || capacity == 0)
        return 0;
    const qint64 n = port_->read(reinterpret_cast<char*>(buffer), static_cast<qint64>(capacity));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t SerialDevicePort::Write(const std::uint8_t* data, std::size_t count) {
    if (!open_ || data == nullptr)
        return 0;
    writing_ = true;
    const qint64 n = port_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(count));
    port_->flush(); // on the wire now, not at the next turn of the event loop
    writing_ = false;
    if (lostInWrite_) {
        lostInWrite_ = false;
        Lose(); // last: whoever hears of the loss may let go of this port
        return 0;
    }
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void SerialDevicePort::DiscardInput() {
    if (!open_)
        return;
    port_->clear(QSerialPort::Input);
    port_->readAll();
}

void SerialDevicePort::Close() {
    if (!open_)
        return;
    open_ = false;
    port_->close();
}
