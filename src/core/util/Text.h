#pragma once
// Text and number conversions shared by the settings and table files. They never depend
// on the process locale: the decimal separator is always the point.

#include <string>
#include <string_view>

namespace text {

// The C library's isspace for the "C" locale: blank, tab, line ends, vertical tab, form feed.
bool IsSpace(char c);

// Like the C library's atoi: leading white space, an optional sign, then digits; anything
// else ends the number, and no digits give 0. Out-of-range values are clamped.
int ParseInt(std::string_view s);

// Like strtod: leading white space skipped, the longest valid prefix taken, 0.0 when none.
double ParseDouble(std::string_view s);

// printf("%.<decimals>f") with the point as separator.
std::string FormatFixed(double value, int decimals);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string_view TrimRight(std::string_view s, std::string_view chars = " \t\r\n");
std::string_view TrimLeft(std::string_view s, std::string_view chars = " ");
std::string_view Trim(std::string_view s, std::string_view chars = " ");

bool IsValidUtf8(std::string_view s);
// Converts Windows-1250 text, as such files have when they come from Windows, to UTF-8.
std::string Cp1250ToUtf8(std::string_view s);
// The encoding used when a file is written back (always UTF-8 for us), and text cut to at
// most `maxBytes` bytes without splitting a UTF-8 sequence.
std::string CutUtf8(std::string_view s, std::size_t maxBytes);
std::string ToUpperAscii(std::string_view s);
// The value of a hexadecimal digit (either case), or -1.
int HexDigit(char c);

} // namespace text
