#pragma once
// Reading numbers that the operator typed into a dialog field, with the standard messages
// that a refused field gets.

#include <optional>
#include <string>
#include <string_view>

namespace fields {

// Reads the whole text (blanks around it allowed) as a decimal integer from low to high.
// Returns the message for the operator, or empty when `value` holds the number.
std::string ReadInt(std::string_view text, int low, int high, int& value);

// The same for a finite decimal number.
std::string ReadNumber(std::string_view text, double low, double high, double& value);

// The whole text as one finite number (blanks around it allowed, a decimal comma taken as
// the point); nothing otherwise, also for digits in groups of three ("1.000", "1 000"),
// which may mean a thousand or one.
std::optional<double> ParseNumber(std::string_view text);

// "Vnesite celo število med <low> in <high>."
std::string IntRangeMessage(int low, int high);

// A number as a field shows it: up to 15 significant digits, so 2500.0 shows as 2500, and a
// decimal comma always (0,1), as the program is Slovenian whatever the locale.
std::string FormatNumber(double value);

// A comma-separated list of numbers from low to high (whole ones when `whole`): empty, or
// the message that names the first item that is not one. An empty item is refused too.
std::string CheckList(std::string_view text, double low, double high, bool whole);

} // namespace fields
