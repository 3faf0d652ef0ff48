#pragma once
// The line settings of a serial LocoNet interface ("Baud Rate" and "Flow Control" of the
// settings), and how the settings dialog shows them.

#include <optional>
#include <string>
#include <string_view>

struct Settings;

struct SerialLine {
    static constexpr int kDefaultBaudRate = 16457;
    static constexpr int kMinBaudRate = 300;
    static constexpr int kMaxBaudRate = 4000000;

    int baudRate = kDefaultBaudRate;
    bool rtsCts = false;

    bool operator==(const SerialLine&) const = default;
};

// The interfaces most people own: the original LocoNet adapters at 16457 baud without flow
// control, and LocoBuffer-style ones at 57600 baud with RTS/CTS.
inline constexpr SerialLine kSerialLinePresets[] = {{16457, false}, {57600, true}};

// The line the settings ask for; a rate outside the supported range (a hand-edited file)
// gives the default rate, and any flow control value but 1 means none.
SerialLine SerialLineOf(const Settings& settings);
void SetSerialLine(Settings& settings, SerialLine line);

// "16457 baud", "57600 baud, RTS/CTS".
std::string FormatSerialLine(SerialLine line);
// Reads what FormatSerialLine writes, also without "baud" and in any letter case
// ("115200", "57600 rts/cts"); nothing when the text is no such line.
std::optional<SerialLine> ParseSerialLine(std::string_view s);
// Shown when ParseSerialLine refuses a text.
extern const char* const kSerialLineMessage;
