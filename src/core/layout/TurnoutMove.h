#pragma once
// Moving a turnout of the open layout from the program (a click on the panel, a phone): the
// requests go on the link, and the panel draws the turnout waiting; it moves only once the
// link says the requests are on the bus, so that it never shows a position the layout did
// not get.

#include "core/layout/LayoutBus.h"
#include "core/layout/VlakomatDoc.h"
#include "core/loconet/LocoNetMessage.h"

#include <string>
#include <vector>

class CLoconet;

// The link cannot carry requests now: closed, its port down, or offline.
bool LinkCannotSend(const CLoconet& link);

// Queues `requests` that move turnout `index` into `position`; "" when they went, else the
// status bar's words for what was not sent. A position that sends nothing is shown at once.
std::string MoveTurnout(CLoconet& link, LayoutBus& bus, CVlakomatDoc& doc, int index, int position,
                        const std::vector<LocoNetMessage>& requests);
