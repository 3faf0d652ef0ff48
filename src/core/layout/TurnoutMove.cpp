#include "core/layout/TurnoutMove.h"

#include "core/loconet/Loconet.h"

bool LinkCannotSend(const CLoconet& link) {
    return !link.IsActive() || link.IsPortDown() || link.Offline();
}

std::string MoveTurnout(CLoconet& link, LayoutBus& bus, CVlakomatDoc& doc, int index, int position,
                        const std::vector<LocoNetMessage>& requests) {
    // Nothing goes to the bus for it, so there is nothing to wait for.
    if (requests.empty()) {
        doc.SetTurnoutPosition(index, position);
        return "";
    }
    // Requests kept while the link is closed would move the turnout long after the order.
    if (LinkCannotSend(link))
        return "povezava LocoNet ni odprta, ni poslano";
    std::vector<LocoNetMessage> queued;
    for (const LocoNetMessage& request : requests)
        if (link.QueueMessage(request))
            queued.push_back(request);
    // What did go out is waited for like the rest: the bus will have it.
    bus.Queued(index, position, queued);
    if (queued.empty())
        return "vrsta sporočil je polna, ni poslano";
    if (queued.size() < requests.size())
        return "vrsta sporočil je polna, del zahtev ni poslan";
    return "";
}
