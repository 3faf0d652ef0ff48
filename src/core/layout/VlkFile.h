#pragma once
// The .vlk text of a layout: one line per element, ended by CR LF:
//   row,column,direction|type,subtype[|Ta<address>,<state>...;[a...;][s<position>]]
//   row,column,direction|5,subtype|S<sensor address>
// The turnout part follows types 3 and 4 only; its "s" group, the turnout's current
// position, is written only when that is not 0. The "S" part follows detectors only.

#include "core/layout/LayoutElement.h"

#include <string>
#include <string_view>
#include <vector>

struct VlkReadResult {
    static constexpr int kShownFaults = 50;
    std::vector<LayoutElement> elements;
    // The first kShownFaults faults, in the order of the lines, as the operator sees them.
    std::vector<std::string> messages;
    int faults = 0; // all of them
    // Not a layout at all: not text, or no line has an element's shape; no elements then.
    bool refused = false;
};

// Reads a layout piece by piece, so that a file of any size costs little memory: faulty
// values are kept, corrected or skipped as the messages say, and reading ends once
// CVlakomatDoc::kMaxElements elements are read and one more line is reported.
class VlkReader {
public:
    // No element line is longer; a longer line is not one, and is not kept whole.
    static constexpr std::size_t kMaxLineLength = 4096;

    // False once the rest of the text does not matter (the limit, or not a layout).
    bool Feed(std::string_view chunk);
    VlkReadResult Finish();

private:
    void TakeLine(std::string_view line);

    VlkReadResult result_;
    std::string line_;
    bool overlong_ = false;
    bool any_ = false;         // the text is not empty
    bool elementLine_ = false; // some line has an element's shape
    bool done_ = false;
    int lineNumber_ = 0;
};

VlkReadResult ReadVlk(std::string_view text);

std::string FormatVlkLine(const LayoutElement& element);
std::string FormatVlk(const std::vector<LayoutElement>& elements);
