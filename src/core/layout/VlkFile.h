#pragma once
// The .vlk text of a layout: one line per element, ended by CR LF:
//   row,column,direction|type,subtype[|Ta<address>,<state>...;[a...;][s<position>]]
// The turnout part follows types 3 and 4 only; its "s" group, the turnout's current
// position, is written only when that is not 0.

#include "core/layout/LayoutElement.h"

#include <string>
#include <string_view>
#include <vector>

struct VlkReadResult {
    std::vector<LayoutElement> elements;
    // The faults found, in the order of the lines, as the operator is to see them.
    std::vector<std::string> messages;
};

// Reads any text without failing: faulty values are kept, corrected or skipped as the
// messages say, and no more than CVlakomatDoc::kMaxElements elements are read.
VlkReadResult ReadVlk(std::string_view text);

std::string FormatVlkLine(const LayoutElement& element);
std::string FormatVlk(const std::vector<LayoutElement>& elements);
