#pragma once
// A serial device (/dev/ttyUSB0, a pseudo-terminal, COM3) as the link's port, through
// Qt SerialPort, with the LocoNet interface's line settings.

#include "core/loconet/SerialPort.h"
#include "core/settings/SerialLine.h"

#include <memory>

class QSerialPort;

class SerialDevicePort : public SerialPort {
public:
    static constexpr int kInputBufferSize = 20480;

    // 8N1 at the line's rate, with RTS/CTS flow control when the line asks for it.
    explicit SerialDevicePort(SerialLine line = {});
    ~SerialDevicePort() override;

    std::string Open(const std::string& name) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override;
    std::size_t Write(const std::uint8_t* data, std::size_t count) override;
    void DiscardInput() override;
    void Close() override;

    bool IsOpen() const { return open_; }

private:
    std::string Configure();
    // Closes the port and tells of its loss, once.
    void Lose();

    std::unique_ptr<QSerialPort> port_;
    SerialLine line_;
    std::string name_;
    bool open_ = false;
    bool writing_ = false;
    bool lostInWrite_ = false;
};
