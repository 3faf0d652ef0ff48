#include "core/util/Fields.h"

#include "core/util/Text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <regex>

namespace fields {

namespace {
// Every text that a refused field gets, in the operator's language.
constexpr const char* kNotAnInteger = "Vnesite celo število.";
constexpr const char* kNotANumber = "Vnesite število.";
constexpr const char* kIntRange = "Vnesite celo število med %d in %d.";
constexpr const char* kNumberRange = "Vnesite število med %s in %s.";
constexpr const char* kGrouped =
    "Vnesite število brez ločil med tisočicami, na primer 1000 ali 2,5.";
constexpr const char* kListItem =
    "V seznamu je »%s«, ki ni število med %s in %s. Vnesite števila, ločena z vejico.";
constexpr const char* kListWholeItem =
    "V seznamu je »%s«, ki ni celo število med %s in %s. Vnesite števila, ločena z vejico.";
constexpr const char* kListEmptyItem =
    "V seznamu je prazen vnos. Vnesite števila med %s in %s, ločena z vejico.";

// The text without blanks around it and without a leading plus, which from_chars refuses.
std::string_view Digits(std::string_view text) {
    std::string_view digits = text::Trim(text, " \t");
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-')
        digits.remove_prefix(1);
    return digits;
}

// "1.000", "1,000.5" or "1 000": digits in groups of three, which a reader may take for a
// thousand as well as for one, so neither is guessed.
bool LooksGrouped(std::string_view digits) {
    static const std::regex grouped(R"([+-]?[1-9][0-9]{0,2}([., '][0-9]{3})+([.,][0-9]*)?)");
    return std::regex_match(digits.begin(), digits.end(), grouped);
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
        return LooksGrouped(digits) ? kGrouped : kNotAnInteger;
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
    if (LooksGrouped(Digits(text)))
        return std::nullopt;
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
        return LooksGrouped(Digits(text)) ? kGrouped : kNotANumber;
    if (*parsed < low || *parsed > high)
        return text::Format(kNumberRange, FormatNumber(low).c_str(), FormatNumber(high).c_str());
    value = *parsed;
    return {};
}

std::string FormatNumber(double value) {
    // Not printf: the process locale decides nothing here. The program speaks Slovenian, so
    // its decimal separator is the comma whatever LANG says.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string shown(buffer, result.ptr);
    if (const auto point = shown.find('.'); point != std::string::npos)
        shown[point] = ',';
    return shown;
}

std::string CheckList(std::string_view text, double low, double high, bool whole) {
    const std::string from = FormatNumber(low);
    const std::string to = FormatNumber(high);
    const std::string_view all = text::Trim(text, " \t");
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = all.find(',', start);
        const std::string_view raw =
            all.substr(start, comma == std::string_view::npos ? comma : comma - start);
        const std::string item(text::Trim(raw, " \t"));
        if (item.empty())
            return text::Format(kListEmptyItem, from.c_str(), to.c_str());
        const std::optional<double> value = ParseNumber(item);
        if (!value || *value < low || *value > high || (whole && *value != std::floor(*value)))
            return text::Format(whole ? kListWholeItem : kListItem, item.c_str(), from.c_str(),
                                to.c_str());
        if (comma == std::string_view::npos)
            return {};
        start = comma + 1;
    }
}

} // namespace fields
