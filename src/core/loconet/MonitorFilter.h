#pragma once
// What the monitor window needs beyond the lines themselves: which family of messages a line
// belongs to and which address it names, a filter over both, time stamps, and a history of
// the lines the window accepted, longer than what it shows, so that a changed filter can
// show what it had hidden.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace monitorfamily {
inline constexpr unsigned kSlots = 0x01;    // slots, locomotives and throttles
inline constexpr unsigned kSwitches = 0x02; // switch requests and reports
inline constexpr unsigned kSensors = 0x04;  // sensor reports
inline constexpr unsigned kPower = 0x08;    // global power on, off, emergency stop
inline constexpr unsigned kProgram = 0x10;  // the program's own lines: events, traces, notes
inline constexpr unsigned kOther = 0x20;    // any other message on the bus
inline constexpr unsigned kAll = 0x3F;
} // namespace monitorfamily

struct MonitorLineInfo {
    unsigned family = monitorfamily::kProgram;
    int address = -1; // locomotive, switch or sensor number the line names; -1 none
    // A further line of the message before it (" - ..." and "-----" in Debug Mode).
    bool continues = false;
    // The first line of a message on the bus ("Rec: ", "Sent: ", "Invalid checksum ").
    bool head = false;
};

MonitorLineInfo ClassifyMonitorLine(std::string_view line);

struct MonitorFilter {
    unsigned families = monitorfamily::kAll;
    int address = -1; // -1: any
    bool Passes(unsigned family, int lineAddress) const {
        return (families & family) != 0 && (address < 0 || address == lineAddress);
    }
    bool ShowsAll() const { return families == monitorfamily::kAll && address < 0; }
};

enum class MonitorStamp { None, SinceOpen, WallClock };

// "12.345" seconds (since the monitor opened) or "14:03:07.250" (milliseconds of the day).
std::string FormatMonitorStamp(MonitorStamp kind, std::int64_t msSinceOpen, std::int64_t msOfDay);

class MonitorHistory {
public:
    static constexpr std::size_t kCapacity = 5000;

    struct Entry {
        std::string text;
        std::uint64_t number = 0; // counts from 1, never reused
        std::uint64_t group = 0;  // the lines of one message share it; 0: the operator's
        unsigned family = monitorfamily::kProgram;
        int address = -1;
        bool always = false; // the operator's marker or comment: shown whatever the filter
        std::int64_t msSinceOpen = 0;
        std::int64_t msOfDay = 0;
    };

    // In Debug Mode every message ends with "-----": the lines from its first line to that
    // one are the message's, the link's traces written while it handled the message among
    // them. Without it a message's further lines are only those that say so (" - ...").
    void SetDebugMode(bool on) {
        debug_ = on;
        if (!on)
            inMessage_ = false;
    }
    // A line the window accepted; `always` for markers and comments.
    void Add(std::string text, bool always, std::int64_t msSinceOpen, std::int64_t msOfDay);
    bool Passes(const Entry& entry, const MonitorFilter& filter) const {
        return entry.always || filter.Passes(entry.family, entry.address);
    }
    // Calls `show` for the newest `count` entries that pass, oldest first, among those
    // numbered after `after`.
    void ForEachShown(const MonitorFilter& filter, std::size_t count, std::uint64_t after,
                      const std::function<void(const Entry&)>& show) const;
    std::uint64_t LastNumber() const { return entries_.empty() ? 0 : entries_.back().number; }
    std::size_t Size() const { return entries_.size(); }

private:
    std::deque<Entry> entries_;
    std::uint64_t next_ = 1;
    std::uint64_t group_ = 0;
    bool debug_ = false;
    bool inMessage_ = false; // the newest group is a message whose "-----" has not come
};
