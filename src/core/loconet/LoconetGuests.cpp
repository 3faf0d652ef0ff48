// Guests on the shared bus: other programs whose messages the link carries behind its own,
// with the same echo check, and who are shown everything the bus carries.

#include "core/loconet/Loconet.h"

bool CLoconet::TakeNextOutput() {
    if (!queue_.Empty()) {
        pending_ = queue_.Pop();
        pendingIsGuest_ = false;
        return true;
    }
    pendingIsGuest_ = guests_ != nullptr && guests_->TakeGuestMessage(pending_);
    return pendingIsGuest_;
}

void CLoconet::ShareWithGuests(const LocoNetMessage& m, bool guestEcho) {
    if (guests_ == nullptr)
        return;
    guests_->OnBusMessage(m);
    if (guestEcho)
        guests_->OnGuestEchoed();
}

void CLoconet::GuestNotEchoed() {
    // Not put back here: the guests decide whether it is offered again.
    pendingIsGuest_ = false;
    if (guests_ != nullptr)
        guests_->OnGuestNotEchoed();
}

void CLoconet::LinkClosedForGuests() {
    pendingIsGuest_ = false;
    if (guests_ != nullptr)
        guests_->OnLinkClosed();
}
