#include "core/layout/TurnoutMove.h"

#include "core/loconet/Loconet.h"

bool LinkCannotSend(const CLoconet& link) {
    return !link.IsActive() || link.IsPortDown() || link.Offline();
}

std::string MoveTurnout(CLoconet& link, LayoutBus& bus, CVlakomatDoc& doc, int index, int position,
                        const std::vector<LocoNetMessage>& requests) {
    // Requests kept while the link is closed would move the turnout long after the order.
    if (!requests.empty() && LinkCannotSend(link))
        return "povezava LocoNet ni odprta, ni poslano";
    bool queued = true;
    for (const LocoNetMessage& request : requests)
        queued = link.QueueMessage(request) && queued;
    if (!queued)
        return "vrsta sporočil je polna, ni poslano";
    bus.Sent(requests);
    doc.SetTurnoutPosition(index, position);
    return "";
}
