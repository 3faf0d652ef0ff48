#pragma once
// Programs that reach the bus through this one (the clients of the shared bus), as the
// link sees them: they are shown every message on the bus, and their messages go out when
// the program's own queue is empty, one at a time, with the same echo check.

#include "core/loconet/LocoNetMessage.h"

#include <cstdint>

class BusGuests {
public:
    virtual ~BusGuests() = default;
    // Every intact message on the bus, the program's own echoes included.
    virtual void OnBusMessage(const LocoNetMessage& message) = 0;
    // True while a guest's message waits for the bus.
    virtual bool HasGuestMessage() const = 0;
    // The next guest message to write and its ticket (never 0); false when none waits.
    virtual bool TakeGuestMessage(LocoNetMessage& message, std::uint64_t& ticket) = 0;
    // The message of `ticket` reached the bus: it came back from the interface (called after
    // OnBusMessage of it), or the server took it. Or it did not: no echo within the time-out,
    // or the server refused it.
    virtual void OnGuestEchoed(std::uint64_t ticket) = 0;
    virtual void OnGuestNotEchoed(std::uint64_t ticket) = 0;
    // The link closed, lost its port or opened anew: nothing taken or waiting goes on the
    // bus now.
    virtual void OnLinkClosed() = 0;
};
