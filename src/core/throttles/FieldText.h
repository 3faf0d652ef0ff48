#pragma once
// The throttle windows' number fields: reading what the operator typed, and the standard
// messages for a text that is no number, or none in range.

#include <optional>
#include <string>
#include <string_view>

// "Please enter an integer between <low> and <high>."
std::string IntegerRangeMessage(int low, int high);

// Reads a whole number from 0 to `high` (blanks around it allowed). Returns the message to
// show, or an empty string when `value` was set.
std::string ReadIntegerField(std::string_view text, int high, int& value);

// A whole text that is one number (blanks around it allowed, a decimal comma read as a
// point); nothing for anything else.
std::optional<double> ParseNumber(std::string_view text);
