#include "tools/monitor/HexCapture.h"

#include "core/util/Text.h"

void HexCaptureParser::ParseLine(std::string_view line, std::vector<std::uint8_t>& out,
                                 std::vector<std::string>& errors) {
    ++lineNumber_;
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && text::IsSpace(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !text::IsSpace(line[i]))
            ++i;
        if (start == i)
            break;
        const std::string_view word = line.substr(start, i - start);
        const int high = word.size() == 2 ? text::HexDigit(word[0]) : -1;
        const int low = word.size() == 2 ? text::HexDigit(word[1]) : -1;
        if (high < 0 || low < 0) {
            // Cut very long words so that one bad line cannot flood the error output.
            std::string shown(word.substr(0, 20));
            for (char& c : shown)
                if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
                    c = '?'; // binary input must not garble the terminal
            if (word.size() > 20)
                shown += "...";
            errors.push_back("line " + std::to_string(lineNumber_) + ": '" + shown +
                             "' is not a two-digit hex byte; skipped");
            continue;
        }
        out.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
}
