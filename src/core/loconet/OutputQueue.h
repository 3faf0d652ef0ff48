#pragma once
// The link's output queue: first in, first out. New messages are accepted while fewer
// than kAcceptLimit wait; the two further places take a message put back for a retry,
// which then goes before all waiting ones.

#include "core/loconet/LocoNetMessage.h"

#include <array>
#include <cstddef>

class OutputQueue {
public:
    static constexpr std::size_t kAcceptLimit = 100;
    static constexpr std::size_t kCapacity = 102;

    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    bool CanAccept() const { return count_ < kAcceptLimit; }

    // Appends behind the newest; false when kAcceptLimit messages wait.
    bool Push(const LocoNetMessage& message);
    // Puts a message before all waiting ones; false when the queue is at kCapacity.
    bool PutBack(const LocoNetMessage& message);
    // Takes the oldest message (or the one put back). The queue must not be empty.
    LocoNetMessage Pop();
    // The message that Pop would return; index 1 the one after it, and so on.
    const LocoNetMessage& At(std::size_t index) const;
    void Clear() { head_ = count_ = 0; }

private:
    std::array<LocoNetMessage, kCapacity> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};
