#include "core/sim/SimCommands.h"

#include "core/loconet/LbServerProtocol.h"
#include "core/loconet/LocoNetMessage.h"

#include <charconv>
#include <vector>

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

// A whole decimal number within [lo, hi].
bool Number(std::string_view s, int lo, int hi, int& value) {
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, value);
    return ec == std::errc() && p == end && value >= lo && value <= hi;
}

bool OnOff(std::string_view s, bool& on) {
    if (s == "on" || s == "1") {
        on = true;
        return true;
    }
    if (s == "off" || s == "0") {
        on = false;
        return true;
    }
    return false;
}

std::string Result(bool ok, const char* failure) {
    return ok ? "OK" : std::string("ERROR ") + failure;
}

// Slots that LocoNet keeps for other things than locomotives.
const char* ReservedSlotName(int slot) {
    switch (slot) {
    case SimCommandStation::kDispatchSlot:
        return "dispatch";
    case 123:
        return "fast clock";
    case 124:
        return "programming track";
    case 127:
        return "command station options";
    default:
        return slot > SimCommandStation::kLastLocoSlot ? "reserved" : nullptr;
    }
}

std::string SlotLine(const SimCommandStation& cs, int slot) {
    const std::string head = "slot " + std::to_string(slot) + " ";
    if (slot == SimCommandStation::kDispatchSlot) {
        const int d = cs.DispatchedSlot();
        return head + "dispatch: " +
               (d < 0 ? std::string("nothing dispatched")
                      : "slot " + std::to_string(d) + ", address " +
                            std::to_string(cs.Slot(d).Address()));
    }
    if (const char* reserved = ReservedSlotName(slot))
        return head + reserved + ": no locomotive slot";
    const auto& b = cs.Slot(slot).bytes;
    static const char* const kStates[] = {"free", "common", "idle", "in use"};
    const char* state = kStates[(b[SimSlotByte::STAT1] & SimStat1::kStateMask) >> 4];
    return head + "address " + std::to_string(cs.Slot(slot).Address()) + " " + state +
           ((b[SimSlotByte::STAT1] & SimStat1::kConsistUp) ? " consist" : "") +
           (cs.DispatchedSlot() == slot ? " dispatched" : "") + ": " +
           FormatHexBytes(b.data(), b.size());
}

std::string Usage(const char* command) {
    return std::string("ERROR usage: ") + command;
}

std::string Slot(const SimCommandStation& cs, const std::vector<std::string_view>& w) {
    int number = 0;
    if (w.size() != 2 || !Number(w[1], -1000000, 1000000, number))
        return Usage("slot N | slots");
    if (number < 0 || number >= SimCommandStation::kSlotCount)
        return "ERROR slot number out of range (0..127): " + std::to_string(number);
    return "OK " + SlotLine(cs, number);
}

std::string Dispatch(SimCommandStation& cs, const std::vector<std::string_view>& w) {
    int address = 0;
    if (w.size() != 2 || !Number(w[1], 0, 9983, address))
        return Usage("dispatch ADDRESS");
    const int held = cs.FindSlot(address);
    if (held < 0)
        return "ERROR no slot holds address " + std::to_string(address);
    const int slot = cs.ThrottleDispatch(address);
    return slot < 0 ? "ERROR the station refused: slot " + std::to_string(held) +
                          " is neither common nor in use"
                    : "OK slot " + std::to_string(slot);
}

std::string TakeDispatched(SimCommandStation& cs) {
    const int slot = cs.ThrottleTakeDispatched();
    if (slot < 0)
        return "ERROR nothing dispatched";
    return "OK address " + std::to_string(cs.Slot(slot).Address()) + " slot " +
           std::to_string(slot);
}

std::string Throttle(SimCommandStation& cs, const std::vector<std::string_view>& w) {
    int address = 0, value = 0;
    bool on = false;
    if (w.size() < 3 || !Number(w[1], 0, 9983, address))
        return "ERROR usage: throttle ADDRESS acquire|speed N|forward|backward|f N on|off|stop|"
               "release";
    const std::string_view verb = w[2];
    if (verb == "acquire" && w.size() == 3) {
        const int slot = cs.ThrottleAcquire(address);
        return slot < 0 ? "ERROR no free slot" : "OK slot " + std::to_string(slot);
    }
    if (verb == "speed" && w.size() == 4 && Number(w[3], 0, 127, value))
        return Result(cs.ThrottleSpeed(address, value), "no slot");
    if ((verb == "forward" || verb == "backward") && w.size() == 3)
        return Result(cs.ThrottleDirection(address, verb == "backward"), "no slot");
    if (verb == "f" && w.size() == 5 && Number(w[3], 0, 28, value) && OnOff(w[4], on))
        return Result(cs.ThrottleFunction(address, value, on), "no slot");
    if (verb == "stop" && w.size() == 3)
        return Result(cs.ThrottleEmergencyStop(address), "no slot");
    if (verb == "release" && w.size() == 3)
        return Result(cs.ThrottleRelease(address), "the throttle holds no slot");
    return "ERROR bad throttle command";
}

std::string Fault(SimCommandStation& cs, const std::vector<std::string_view>& w) {
    int value = 0;
    bool on = false;
    if (w.size() == 3 && w[1] == "lose" && Number(w[2], 0, 1000000, value)) {
        cs.LoseEchoes(value);
        return "OK";
    }
    if (w.size() == 2 && w[1] == "corrupt") {
        cs.CorruptNextMessage();
        return "OK";
    }
    if (w.size() == 2 && w[1] == "stray") {
        cs.InsertStrayByte();
        return "OK";
    }
    if (w.size() == 3 && w[1] == "delay" && Number(w[2], 0, 600000, value)) {
        cs.SetAnswerDelay(static_cast<std::uint32_t>(value));
        return "OK";
    }
    if (w.size() == 3 && w[1] == "noslot" && OnOff(w[2], on)) {
        cs.SetNoFreeSlot(on);
        return "OK";
    }
    if (w.size() == 3 && w[1] == "refusemove" && OnOff(w[2], on)) {
        cs.SetRefuseMoves(on);
        return "OK";
    }
    return "ERROR usage: fault lose N|corrupt|stray|delay MS|noslot on|off|refusemove on|off";
}

bool IsWholeMessage(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 2 || bytes.size() > LocoNetMessage::kCapacity)
        return false;
    const std::uint32_t expected = ExpectedLength(bytes[0]);
    const auto size = static_cast<std::uint32_t>(bytes.size());
    if (expected != 0 ? expected != size : bytes[1] != size)
        return false;
    return Checksum(bytes.data(), size - 1) == bytes.back();
}

} // namespace

const char* SimCommandHelp() {
    return "throttle ADDRESS acquire         hand-held throttle takes the address\n"
           "throttle ADDRESS speed N         speed byte 0..127 (1 = emergency stop)\n"
           "throttle ADDRESS forward         ... or backward: direction of travel\n"
           "throttle ADDRESS f N on|off      F0..F28 (F9..F28 as immediate packets)\n"
           "throttle ADDRESS stop            emergency stop\n"
           "throttle ADDRESS release         gives the slot back (common)\n"
           "dispatch ADDRESS                 the slot of the address goes into dispatch\n"
           "dispatched                       a hand-held takes the dispatched locomotive\n"
           "consist ADDRESS on|off           consist member flag (STAT1 0x40)\n"
           "sensor ADDRESS on|off            sensor report (on: occupied), ADDRESS 1..4096\n"
           "switch N closed|thrown|off       switch output report, N 0..2047\n"
           "power [on|off]                   track power; switched as by another station\n"
           "idle                             global emergency stop from another station\n"
           "send XX XX ...                   another station's message, checksum added if missing\n"
           "fault lose N                     the interface loses the next N echoes\n"
           "fault corrupt                    the next message has a bad checksum\n"
           "fault stray                      a stray byte before the next message\n"
           "fault delay MS                   answers come MS milliseconds late\n"
           "fault noslot on|off              no free slot for a new address\n"
           "fault refusemove on|off          every slot move is refused\n"
           "purge SECONDS                    unused slots become common; 0: never\n"
           "slot N                           one slot, 0..127\n"
           "slots                            every slot that is not free\n"
           "flood RATE                       other stations' traffic, RATE messages a second\n"
           "help                             this list\n"
           "quit                             ends vlakomat-cs";
}

std::string RunSimCommand(SimCommandStation& cs, std::string_view line) {
    const auto w = Words(line);
    int number = 0;
    bool on = false;
    if (w.empty())
        return "ERROR empty command";
    const std::string_view cmd = w[0];
    if (cmd == "throttle")
        return Throttle(cs, w);
    if (cmd == "fault")
        return Fault(cs, w);
    if (cmd == "dispatch")
        return Dispatch(cs, w);
    if (cmd == "dispatched")
        return w.size() == 1 ? TakeDispatched(cs) : Usage("dispatched");
    if (cmd == "consist") {
        if (w.size() != 3 || !Number(w[1], 0, 9983, number) || !OnOff(w[2], on))
            return Usage("consist ADDRESS on|off");
        return Result(cs.SetConsistMember(number, on), "no free slot");
    }
    if (cmd == "sensor") {
        if (w.size() != 3 || !Number(w[1], 1, 4096, number) || !OnOff(w[2], on))
            return Usage("sensor ADDRESS on|off");
        return Result(cs.SensorReport(number, on), "bad sensor");
    }
    if (cmd == "switch") {
        if (w.size() != 3 || !Number(w[1], 0, 2047, number) ||
            (w[2] != "closed" && w[2] != "thrown" && w[2] != "off"))
            return Usage("switch N closed|thrown|off");
        return Result(cs.SwitchReport(number, w[2] == "closed", w[2] == "thrown"), "bad switch");
    }
    if (cmd == "power") {
        if (w.size() == 1)
            return cs.TrackPowerOn() ? "OK power on" : "OK power off";
        if (w.size() != 2 || !OnOff(w[1], on))
            return Usage("power [on|off]");
        cs.StationPower(on);
        return "OK";
    }
    if (cmd == "idle") {
        if (w.size() != 1)
            return Usage("idle");
        cs.StationStopAll();
        return "OK";
    }
    if (cmd == "send") {
        if (w.size() < 2)
            return Usage("send XX XX ...");
        const std::size_t start = line.find("send") + 4;
        std::vector<std::uint8_t> bytes;
        if (!ParseHexBytes(line.substr(start), bytes, 32))
            return "ERROR bad hex bytes";
        // A whole message whose last byte is its right checksum goes out as it is.
        if (!IsWholeMessage(bytes))
            bytes.push_back(0); // room for the checksum
        return Result(cs.SendFromStation(bytes), "not a valid message");
    }
    if (cmd == "purge") {
        if (w.size() != 2 || !Number(w[1], 0, 100000, number))
            return Usage("purge SECONDS");
        cs.SetPurgeTime(static_cast<std::uint32_t>(number) * 1000u);
        return "OK";
    }
    if (cmd == "slot")
        return Slot(cs, w);
    if (cmd == "slots") {
        if (w.size() != 1)
            return Usage("slots");
        std::string out = "OK";
        for (int i = SimCommandStation::kFirstLocoSlot; i <= SimCommandStation::kLastLocoSlot; ++i)
            if (cs.Slot(i).bytes[SimSlotByte::STAT1] & SimStat1::kStateMask)
                out.append(1, '\n').append(SlotLine(cs, i));
        return out;
    }
    // The list is the answer itself, without a reply line.
    if (cmd == "help")
        return SimCommandHelp();
    return "ERROR unknown command (try: help)";
}
