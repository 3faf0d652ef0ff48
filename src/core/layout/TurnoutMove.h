#pragma once
// Moving a turnout of the open layout from the program (a click on the panel, a phone): the
// requests go on the link, and only once they are on their way does the panel show the
// position, so that it never shows one the layout did not get.

#include "core/layout/LayoutBus.h"
#include "core/layout/VlakomatDoc.h"
#include "core/loconet/LocoNetMessage.h"

#include <string>
#include <vector>

class CLoconet;

// The link cannot carry requests now: closed, its port down, or offline.
bool LinkCannotSend(const CLoconet& link);

// Queues `requests` and shows turnout `index` in `position`; "" when they went, else the
// status bar's words for why nothing was sent.
std::string MoveTurnout(CLoconet& link, LayoutBus& bus, CVlakomatDoc& doc, int index, int position,
                        const std::vector<LocoNetMessage>& requests);
