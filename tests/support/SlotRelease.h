#pragma once
// How the program let its slots go at its end, read from the messages it put on the bus (no
// checksums needed): the faults that matter to an operator, as one line of text.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// "" when all went well; otherwise what went wrong: an emergency stop, a locomotive's slot
// released without speed 0 sent to it last, a speed written to a hand-held's slot. `released`
// gets every slot the messages released.
inline std::string ReleaseFaults(const std::vector<std::vector<std::uint8_t>>& sent,
                                 const std::set<int>& locoSlots, const std::set<int>& handHeldSlots,
                                 std::set<int>& released) {
    std::string faults;
    std::map<int, int> lastSpeed;
    for (const std::vector<std::uint8_t>& m : sent) {
        if (m.size() < 3)
            continue;
        const int slot = m[1];
        if (m[0] == 0xA0) {
            lastSpeed[slot] = m[2];
            if (m[2] == 0x01)
                faults += "emergency stop in slot " + std::to_string(slot) + "; ";
            if (handHeldSlots.count(slot))
                faults += "speed written to hand-held slot " + std::to_string(slot) + "; ";
        } else if (m[0] == 0xB5 && (m[2] & 0x30) != 0x30) {
            released.insert(slot);
            const auto speed = lastSpeed.find(slot);
            if (locoSlots.count(slot) && (speed == lastSpeed.end() || speed->second != 0))
                faults += "slot " + std::to_string(slot) + " released without a stop; ";
        }
    }
    return faults;
}
