#include "core/phone/WiThrottleText.h"

#include <charconv>

namespace withrottle {

std::vector<std::string_view> Split(std::string_view text, std::string_view delimiter) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (std::size_t at = text.find(delimiter); at != std::string_view::npos;
         at = text.find(delimiter, from)) {
        parts.push_back(text.substr(from, at - from));
        from = at + delimiter.size();
    }
    parts.push_back(text.substr(from));
    return parts;
}

bool WellFormed(std::string_view line) {
    // Name, hardware, heartbeat, throttles, panel, quit, consists, roster and raw packets.
    if (line.empty() || std::string_view("NH*MTSPQCRD").find(line[0]) == std::string_view::npos)
        return false;
    for (std::size_t i = 0; i < line.size();) {
        const auto b = static_cast<unsigned char>(line[i]);
        const std::size_t length = b < 0x80             ? 1
                                   : (b & 0xE0) == 0xC0 ? 2
                                   : (b & 0xF0) == 0xE0 ? 3
                                   : (b & 0xF8) == 0xF0 ? 4
                                                        : 0;
        if (length == 0 || (length == 1 && (b < 0x20 || b == 0x7F)) || i + length > line.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

bool ParseNumber(std::string_view text, int low, int high, int& value) {
    int parsed = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || parsed < low ||
        parsed > high)
        return false;
    value = parsed;
    return true;
}

int ParseAddress(std::string_view text) {
    int address = 0;
    if (text.size() < 2)
        return -1;
    if (text[0] == 'S' && ParseNumber(text.substr(1), 1, 127, address))
        return address;
    if (text[0] == 'L' && ParseNumber(text.substr(1), 0, 9983, address))
        return address;
    return -1;
}

std::string AddressKey(int address) {
    return (address >= 1 && address <= 127 ? "S" : "L") + std::to_string(address);
}

int PhoneSpeed(int slotSpeed) {
    if (slotSpeed == 1)
        return -1;
    return slotSpeed <= 0 ? 0 : slotSpeed - 1;
}

int SlotSpeed(int phoneSpeed) {
    if (phoneSpeed < 0)
        return 1;
    if (phoneSpeed == 0)
        return 0;
    return (phoneSpeed > kMaxSpeed ? kMaxSpeed : phoneSpeed) + 1;
}

} // namespace withrottle
