#pragma once
// The words of the WiThrottle protocol that phone throttle apps speak: arrays with their
// delimiters, locomotive keys ("S3", "L341") and speeds. Its lines end as the LbServer
// protocol's do (CR, LF or both), and are cut alike.

#include <string>
#include <string_view>
#include <vector>

namespace withrottle {

inline constexpr const char* kVersion = "VN2.0";
inline constexpr std::string_view kItems = "]\\[";  // between array items
inline constexpr std::string_view kFields = "}|{";  // between an item's fields
inline constexpr std::string_view kCommand = "<;>"; // between a throttle command's parts
// Seconds without a word after which a phone's locomotives are stopped.
inline constexpr int kHeartbeatSeconds = 10;
inline constexpr int kFunctionCount = 29; // F0 to F28
inline constexpr int kMaxSpeed = 126;

std::vector<std::string_view> Split(std::string_view text, std::string_view delimiter);

// The address of a key or address text: "S3" (short, 1 to 127) or "L341" (long, 0 to 9983);
// -1 when the text is neither.
int ParseAddress(std::string_view text);
// "S3" for a short address, "L341" for a long one.
std::string AddressKey(int address);
// A line a phone of the protocol would send: one of its commands first, valid UTF-8 without
// control characters.
bool WellFormed(std::string_view line);
// A whole decimal number within low..high, or false.
bool ParseNumber(std::string_view text, int low, int high, int& value);

// Slot speed (0 stop, 1 emergency stop, 2 to 127) to the protocol's (0 to 126, -1 stopped
// in an emergency), and back.
int PhoneSpeed(int slotSpeed);
int SlotSpeed(int phoneSpeed);

} // namespace withrottle
