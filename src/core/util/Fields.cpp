#include "core/util/Fields.h"

#include "core/util/Text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace fields {

namespace {
// Every text that a refused field gets, in the operator's language.
constexpr const char* kNotAnInteger = "Vnesite celo število.";
constexpr const char* kNotANumber = "Vnesite število.";
constexpr const char* kIntRange = "Vnesite celo število med %d in %d.";
constexpr const char* kNumberRange = "Vnesite število med %s in %s.";

// The text without blanks around it and without a leading plus, which from_chars refuses.
std::string_view Digits(std::string_view text) {
    std::string_view digits = text::Trim(text, " \t");
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-')
        digits.remove_prefix(1);
    return digits;
}
} // namespace

std::string IntRangeMessage(int low, int high) {
    return text::Format(kIntRange, low, high);
}

std::string ReadInt(std::string_view text, int low, int high, int& value) {
    const std::string_view digits = Digits(text);
    int parsed = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, parsed);
    if (digits.empty() || ec == std::errc::invalid_argument || ptr != end)
        return kNotAnInteger;
    // A field that takes every int has no range worth naming.
    const bool anyInt =
        low == std::numeric_limits<int>::min() && high == std::numeric_limits<int>::max();
    if (ec == std::errc::result_out_of_range && anyInt)
        return kNotAnInteger;
    if (ec == std::errc::result_out_of_range || parsed < low || parsed > high)
        return IntRangeMessage(low, high);
    value = parsed;
    return {};
}

std::optional<double> ParseNumber(std::string_view text) {
    // A Slovenian keyboard writes 2,5 for 2.5; one comma and no point is that comma.
    std::string withPoint(Digits(text));
    const auto comma = withPoint.find(',');
    if (comma != std::string::npos &&
        withPoint.find_first_of(".,", comma + 1) == std::string::npos &&
        withPoint.find('.') == std::string::npos)
        withPoint[comma] = '.';
    const std::string_view digits = withPoint;
    double parsed = 0.0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, parsed);
    if (digits.empty() || ec != std::errc() || ptr != end || !std::isfinite(parsed))
        return std::nullopt;
    return parsed;
}

std::string ReadNumber(std::string_view text, double low, double high, double& value) {
    const std::optional<double> parsed = ParseNumber(text);
    if (!parsed)
        return kNotANumber;
    if (*parsed < low || *parsed > high)
        return text::Format(kNumberRange, FormatNumber(low).c_str(), FormatNumber(high).c_str());
    value = *parsed;
    return {};
}

std::string FormatNumber(double value) {
    // Not printf: the process locale may have a comma for the decimal point.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

} // namespace fields
