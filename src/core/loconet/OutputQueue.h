#pragma once
// The link's output queue: first in, first out, except that emergency commands (track power
// off, stop all, a locomotive's emergency stop) go ahead of every other waiting message, and
// ahead of the repeat of one whose echo did not come. New messages are accepted while fewer
// than kAcceptLimit wait; the places above it take emergency commands and a message put
// back for a retry.

#include "core/loconet/LocoNetMessage.h"

#include <array>
#include <cstddef>

class OutputQueue {
public:
    static constexpr std::size_t kAcceptLimit = 100;
    static constexpr std::size_t kCapacity = 104;

    // Whether a message must not wait behind others.
    static bool IsUrgent(const LocoNetMessage& message);

    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    bool CanAccept(const LocoNetMessage& message) const;

    // Appends behind the newest (an urgent one behind the urgent ones waiting); false when
    // CanAccept says no.
    bool Push(const LocoNetMessage& message);
    // Puts a message back for a retry: before all waiting ones, but behind the urgent ones;
    // false when the queue is at kCapacity.
    bool PutBack(const LocoNetMessage& message);
    // Takes the message at the front. The queue must not be empty.
    LocoNetMessage Pop();
    // The message that Pop would return; index 1 the one after it, and so on.
    const LocoNetMessage& At(std::size_t index) const;
    void Clear() { head_ = count_ = urgent_ = 0; }

private:
    // Puts the message at `index` (0 the front), moving the later ones back by one.
    void Insert(std::size_t index, const LocoNetMessage& message);

    std::array<LocoNetMessage, kCapacity> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::size_t urgent_ = 0; // urgent messages at the front
};
