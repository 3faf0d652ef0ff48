#pragma once
// The LbServer text protocol of LocoNet over TCP: "SEND xx xx ..." to the server,
// "RECEIVE xx xx ..." for every message on the bus (the sender's own included), and the
// informational "SENT OK", "SENT ERROR ..." and "VERSION ..." lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// "A0 03 20 7C": two upper-case hex digits per byte, single spaces.
std::string FormatHexBytes(const std::uint8_t* data, std::size_t count);
inline std::string FormatHexBytes(const std::vector<std::uint8_t>& bytes) {
    return FormatHexBytes(bytes.data(), bytes.size());
}

// Bytes written as hex numbers of one or two digits separated by blanks. False (and `out`
// cleared) on anything else, or when there are more than `maxBytes` of them.
bool ParseHexBytes(std::string_view text, std::vector<std::uint8_t>& out,
                   std::size_t maxBytes = 64);

enum class LbLineKind { Receive, Send, SentOk, SentError, Version, Other, Malformed };

struct LbLine {
    LbLineKind kind = LbLineKind::Other;
    std::vector<std::uint8_t> bytes; // RECEIVE and SEND only
};

// Classifies one line (without its line end). A RECEIVE or SEND whose bytes do not parse is
// Malformed.
LbLine ParseLbLine(std::string_view line);

// "SEND A0 03 20 7C\r\n" and likewise for RECEIVE.
std::string FormatLbLine(std::string_view keyword, const std::uint8_t* data, std::size_t count);

// Splits a byte stream into lines at CR or LF (peers may end lines with either or both) and
// drops empty lines. A line that grows past the limit is thrown away up to its end, so a
// peer that never sends a line end cannot grow memory.
class LbLineSplitter {
public:
    static constexpr std::size_t kMaxLine = 1024;

    void Append(const char* data, std::size_t count);
    // The next complete line; false when none is complete.
    bool Next(std::string& line);
    // Lines thrown away for being too long since the last call.
    std::size_t TakeOverlongCount();
    void Clear();

private:
    std::string partial_;
    std::vector<std::string> lines_;
    std::size_t nextLine_ = 0;
    bool skipping_ = false;
    std::size_t overlong_ = 0;
};
