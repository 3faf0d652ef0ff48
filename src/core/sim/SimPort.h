#pragma once
// The "sim" port: the simulated command station in-process, behind the SerialPort seam.
// Writes go to the station at once; what it puts on the bus is read on the link's next step.

#include "core/loconet/SerialPort.h"
#include "core/sim/SimCommandStation.h"

class SimPort : public SerialPort {
public:
    explicit SimPort(Clock& clock) : station_(clock) {}

    std::string Open(const std::string&) override {
        open_ = true;
        return "";
    }
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override {
        if (!open_)
            return 0;
        station_.Poll();
        return station_.Read(buffer, capacity);
    }
    std::size_t Write(const std::uint8_t* data, std::size_t count) override {
        if (!open_)
            return 0;
        // No ready-read call from here: the link is inside its own step while it writes.
        station_.Write(data, count);
        return count;
    }
    void DiscardInput() override {
        std::uint8_t sink[64];
        while (station_.Read(sink, sizeof sink) > 0) {
        }
    }
    void Close() override { open_ = false; }
    // The station answers inside Write and never announces it, so the link steps while
    // an answer is due or waits for its delay.
    bool HasPendingInput() override { return open_ && station_.HasPendingOutput(); }

    // Advances the station's time and tells the ready-read handler when bytes wait. Call it
    // from a timer or a test loop, never from inside the link's step.
    void Poll() {
        if (!open_)
            return;
        station_.Poll();
        if (station_.HasOutput())
            NotifyReadyRead();
    }

    bool IsOpen() const { return open_; }
    SimCommandStation& Station() { return station_; }

private:
    SimCommandStation station_;
    bool open_ = false;
};
