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
