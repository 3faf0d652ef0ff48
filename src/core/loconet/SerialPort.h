#pragma once
// The link's port: a serial device, LocoNet over TCP, or the simulated command station.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// A transport's word on a message written to it (a LocoNet-over-TCP server's "SENT OK" or
// "SENT ERROR reason"); `write` counts the port's writes from 1 since it was opened.
struct WriteAnswer {
    std::uint64_t write = 0;
    bool ok = false;
    std::string reason;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Opens the port; an empty string on success, otherwise the error text to show.
    virtual std::string Open(const std::string& name) = 0;
    // Copies what has arrived into `buffer`, up to `capacity` bytes, without waiting.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t capacity) = 0;
    // Writes a whole message; returns the number of bytes written.
    virtual std::size_t Write(const std::uint8_t* data, std::size_t count) = 0;
    virtual void DiscardInput() = 0;
    virtual void Close() = 0;
    // Starts opening without waiting where opening would wait (a TCP connection): an error
    // text when it fails at once, otherwise "" with IsOpening() true until the port is open
    // or has reported its loss (the attempt failed). Other ports simply open.
    virtual std::string OpenInBackground(const std::string& name) { return Open(name); }
    virtual bool IsOpening() const { return false; }
    // True when bytes wait to be read, or will, without a ready-read call announcing them
    // (a port that answers inside Write); such a port is read on the next step.
    virtual bool HasPendingInput() { return false; }
    // A port to a server over a network: the echo comes back late, and the server may give
    // its word on each message written. Such a port numbers its writes and hands the words
    // out in order.
    virtual bool IsNetworked() const { return false; }
    virtual std::uint64_t WriteCount() const { return 0; }
    virtual bool TakeWriteAnswer(WriteAnswer& /*answer*/) { return false; }
    // Called (on the program's one thread) when bytes have arrived, so processing can run
    // at once instead of waiting for the next timer tick.
    virtual void SetReadyReadHandler(std::function<void()> handler) {
        readyRead_ = std::move(handler);
    }

    // Informational lines of the transport (a LocoNet-over-TCP server's "VERSION ...",
    // "SENT OK", "SENT ERROR ..."), for the monitor in Debug Mode.
    void SetInfoHandler(std::function<void(const std::string&)> handler) {
        info_ = std::move(handler);
    }
    // Called once when an open port is lost (connection dropped, device unplugged), with the
    // text to show; the port then reads nothing and writes nothing until it is opened again.
    void SetLostHandler(std::function<void(const std::string&)> handler) {
        lost_ = std::move(handler);
    }

protected:
    void NotifyReadyRead() {
        if (readyRead_)
            readyRead_();
    }
    void NotifyInfo(const std::string& line) {
        if (info_)
            info_(line);
    }
    void NotifyLost(const std::string& text) {
        if (lost_)
            lost_(text);
    }

private:
    std::function<void()> readyRead_;
    std::function<void(const std::string&)> info_;
    std::function<void(const std::string&)> lost_;
};

// Makes the port implementation that a port name asks for ("sim", "tcp://...", a device).
using SerialPortFactory = std::function<std::unique_ptr<SerialPort>(const std::string& name)>;
