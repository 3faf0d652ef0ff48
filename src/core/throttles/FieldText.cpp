#include "throttles/FieldText.h"

#include "util/Text.h"

#include <charconv>
#include <cmath>

std::string IntegerRangeMessage(int low, int high) {
    return text::Format("Please enter an integer between %d and %d.", low, high);
}

std::string ReadIntegerField(std::string_view text, int high, int& value) {
    const std::string_view digits = text::Trim(text, " \t");
    int parsed = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, parsed);
    if (digits.empty() || ec == std::errc::invalid_argument || ptr != end)
        return "Please enter an integer.";
    if (ec == std::errc::result_out_of_range || parsed < 0 || parsed > high)
        return IntegerRangeMessage(0, high);
    value = parsed;
    return "";
}

std::optional<double> ParseNumber(std::string_view text) {
    std::string s(text::Trim(text, " \t"));
    for (char& c : s)
        if (c == ',')
            c = '.';
    if (s.empty())
        return std::nullopt;
    double value = 0.0;
    const char* end = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(s.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}
