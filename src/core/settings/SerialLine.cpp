#include "core/settings/SerialLine.h"

#include "core/settings/Settings.h"
#include "core/util/Text.h"

#include <charconv>

const char* const kSerialLineMessage =
    "Vnesite hitrost vmesnika med 300 in 4000000 baudov, za nadzor pretoka z dodatkom "
    "\", RTS/CTS\".";

namespace {

bool InRange(int rate) {
    return rate >= SerialLine::kMinBaudRate && rate <= SerialLine::kMaxBaudRate;
}

// Removes `word` (lower case) from the front of `s`, ignoring the letter case of `s`.
bool TakeWord(std::string_view& s, std::string_view word) {
    if (s.size() < word.size() ||
        text::ToUpperAscii(s.substr(0, word.size())) != text::ToUpperAscii(word))
        return false;
    s.remove_prefix(word.size());
    return true;
}

} // namespace

SerialLine SerialLineOf(const Settings& settings) {
    SerialLine line;
    if (InRange(settings.BaudRate))
        line.baudRate = settings.BaudRate;
    line.rtsCts = settings.FlowControl == 1;
    return line;
}

void SetSerialLine(Settings& settings, SerialLine line) {
    settings.BaudRate = line.baudRate;
    settings.FlowControl = line.rtsCts ? 1 : 0;
}

std::string FormatSerialLine(SerialLine line) {
    return std::to_string(line.baudRate) + " baud" + (line.rtsCts ? ", RTS/CTS" : "");
}

std::optional<SerialLine> ParseSerialLine(std::string_view s) {
    s = text::Trim(s, " \t");
    SerialLine line;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), line.baudRate);
    if (ec != std::errc() || end == s.data() || !InRange(line.baudRate))
        return std::nullopt;
    s.remove_prefix(static_cast<std::size_t>(end - s.data()));
    s = text::TrimLeft(s, " \t");
    if (TakeWord(s, "baud"))
        s = text::TrimLeft(s, " \t");
    if (!s.empty() && s.front() == ',')
        s = text::TrimLeft(s.substr(1), " \t");
    line.rtsCts = TakeWord(s, "rts/cts");
    if (!s.empty())
        return std::nullopt;
    return line;
}
