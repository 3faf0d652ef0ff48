#pragma once
// A serial device (/dev/ttyUSB0, a pseudo-terminal, COM3) as the link's port, through
// Qt SerialPort, with the LocoNet interface's line settings.

#include "loconet/SerialPort.h"

#include <memory>

class QSerialPort;

class SerialDevicePort : public SerialPort {
public:
    static constexpr int kBaudRate = 16457;
    static constexpr int kInputBufferSize = 20480;

    SerialDevicePort();
    ~SerialDevicePort() override;

    std::string Open(const std::string& name) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override;
    std::size_t Write(const std::uint8_t* data, std::size_t count) override;
    void DiscardInput() override;
    void Close() override;

    bool IsOpen() const { return open_; }

private:
    std::string Configure();

    std::unique_ptr<QSerialPort> port_;
    std::string name_;
    bool open_ = false;
};
