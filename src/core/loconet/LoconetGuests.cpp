// Guests on the shared bus: other programs whose messages the link carries behind its own,
// with the same echo check, and who are shown everything the bus carries.

#include "core/loconet/Loconet.h"

bool CLoconet::TakeNextOutput(LocoNetMessage& m, bool& guest, std::uint64_t& ticket) {
    guest = false;
    if (!tx_.Queue().Empty()) {
        m = tx_.Queue().Pop();
        return true;
    }
    guest = guests_ != nullptr && guests_->TakeGuestMessage(m, ticket);
    return guest;
}

void CLoconet::ShareWithGuests(const LocoNetMessage& m, bool guestEcho, std::uint64_t ticket) {
    if (guests_ == nullptr)
        return;
    guests_->OnBusMessage(m);
    if (guestEcho)
        guests_->OnGuestEchoed(ticket);
}

void CLoconet::LinkClosedForGuests() {
    if (guests_ != nullptr)
        guests_->OnLinkClosed();
}
