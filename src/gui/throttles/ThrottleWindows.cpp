#include "gui/throttles/ThrottleWindows.h"

CDlgThrottle* ThrottleWindows::Open(ThrottleType type) {
    latest_ = nullptr;
    if (type == ThrottleType::Realistic)
        link_.NewRealisticThrottle();
    else
        link_.NewSimpleThrottle();
    return latest_;
}

void ThrottleWindows::Add(int index, CDlgThrottle* window) {
    if (index < 0 || index >= CLoconet::kRegistrySize)
        return;
    windows_[static_cast<std::size_t>(index)] = window;
    latest_ = window;
}

CDlgThrottle* ThrottleWindows::Of(const Throttle* logic) const {
    if (logic == nullptr)
        return nullptr;
    for (const QPointer<CDlgThrottle>& window : windows_)
        if (window && window->Holds(logic))
            return window;
    return nullptr;
}

std::vector<QPointer<CDlgThrottle>> ThrottleWindows::All() const {
    std::vector<QPointer<CDlgThrottle>> open;
    for (const QPointer<CDlgThrottle>& window : windows_)
        if (window)
            open.push_back(window);
    return open;
}
