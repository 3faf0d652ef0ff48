#pragma once
// A port over byte buffers: what is fed in is read back by the link, what the link writes
// is kept. The monitor tool reads captures through it, and tests use it as the bus. With
// echo on it hands every written message back, as a LocoNet interface does.

#include "core/loconet/SerialPort.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class MemoryPort : public SerialPort {
public:
    std::string Open(const std::string& name) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override;
    std::size_t Write(const std::uint8_t* data, std::size_t count) override;
    void DiscardInput() override;
    void Close() override;
    // Fed bytes are never announced: the link reads them on its next step.
    bool HasPendingInput() override { return open_ && Unread() > 0; }

    // Bytes that the next reads deliver, after any not yet read.
    void Feed(const std::uint8_t* data, std::size_t count);
    void Feed(const std::vector<std::uint8_t>& bytes) { Feed(bytes.data(), bytes.size()); }
    std::size_t Unread() const { return input_.size() - readPos_; }

    bool IsOpen() const { return open_; }
    const std::string& Name() const { return name_; }

    // Every Write call, one entry per call.
    std::vector<std::vector<std::uint8_t>> writes;
    // Settings a test may change.
    std::string openError;                    // returned by Open when not empty
    std::size_t readChunk = 0;                // most bytes one Read returns; 0 = no limit
    std::size_t writeLimit = ~std::size_t{0}; // most bytes one Write accepts
    bool echo = false;                        // written bytes are fed back as input

private:
    std::vector<std::uint8_t> input_;
    std::size_t readPos_ = 0;
    bool open_ = false;
    std::string name_;
};
