#pragma once
// Bus captures as text: two-digit hex bytes separated by white space; '#' starts a comment
// that runs to the end of the line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class HexCaptureParser {
public:
    // Appends the bytes of one line to `out`. A word that is not a two-digit hex byte is
    // skipped and described in `errors` with its line number; the rest of the line counts.
    void ParseLine(std::string_view line, std::vector<std::uint8_t>& out,
                   std::vector<std::string>& errors);
    int LineNumber() const { return lineNumber_; }

private:
    int lineNumber_ = 0;
};
