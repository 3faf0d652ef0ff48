#pragma once
// The open throttle windows, one for each entry of the link's throttle registry that a
// window holds. A throttle's window is found from its logic object, and opening a throttle
// returns its window, with no search through the application's windows.

#include "core/loconet/Loconet.h"
#include "gui/throttles/DlgThrottle.h"

#include <QPointer>

#include <array>
#include <vector>

class ThrottleWindows {
public:
    explicit ThrottleWindows(CLoconet& link) : link_(link) {}

    // Asks the link for a new throttle; the window it got, or nullptr when the link made none
    // (every registry entry taken, or no window could be made).
    CDlgThrottle* Open(ThrottleType type);
    // The window that the last Open made, or nullptr.
    CDlgThrottle* Latest() const { return latest_; }

    // The link's throttle factory made `window` for registry entry `index`. It stays listed
    // until it is destroyed.
    void Add(int index, CDlgThrottle* window);
    // The window that holds `logic`, or nullptr.
    CDlgThrottle* Of(const Throttle* logic) const;
    // Every open window, in registry order; a window that goes meanwhile reads as nullptr.
    std::vector<QPointer<CDlgThrottle>> All() const;

private:
    CLoconet& link_;
    std::array<QPointer<CDlgThrottle>, CLoconet::kRegistrySize> windows_;
    QPointer<CDlgThrottle> latest_;
};
