#include "core/loconet/MonitorFilter.h"

#include "core/loconet/LocoNetMessage.h"

#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr std::array<std::string_view, 3> kHeaders = {"Rec: ", "Sent: ", "Invalid checksum "};
constexpr std::string_view kContinued = " - ";
constexpr std::string_view kMessageEnd = "-----";

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

unsigned FamilyOfOpcode(std::uint8_t opcode) {
    switch (opcode) {
    case static_cast<std::uint8_t>(Opcode::OPC_GPON):
    case static_cast<std::uint8_t>(Opcode::OPC_GPOFF):
    case static_cast<std::uint8_t>(Opcode::OPC_IDLE):
        return monitorfamily::kPower;
    case static_cast<std::uint8_t>(Opcode::OPC_LOCO_SPD):
    case static_cast<std::uint8_t>(Opcode::OPC_LOCO_DIRF):
    case static_cast<std::uint8_t>(Opcode::OPC_LOCO_SND):
    case static_cast<std::uint8_t>(Opcode::OPC_SLOT_STAT1):
    case static_cast<std::uint8_t>(Opcode::OPC_MOVE_SLOTS):
    case static_cast<std::uint8_t>(Opcode::OPC_RQ_SL_DATA):
    case static_cast<std::uint8_t>(Opcode::OPC_LOCO_ADR):
    case static_cast<std::uint8_t>(Opcode::OPC_SL_RD_DATA):
    case static_cast<std::uint8_t>(Opcode::OPC_WR_SL_DATA):
    case static_cast<std::uint8_t>(Opcode::OPC_IMM_PACKET):
    case static_cast<std::uint8_t>(Opcode::OPC_LONG_ACK):
        return monitorfamily::kSlots;
    case static_cast<std::uint8_t>(Opcode::OPC_SW_REQ):
    case static_cast<std::uint8_t>(Opcode::OPC_SW_ACK):
    case static_cast<std::uint8_t>(Opcode::OPC_SW_STATE):
    case static_cast<std::uint8_t>(Opcode::OPC_SW_REP):
        return monitorfamily::kSwitches;
    case static_cast<std::uint8_t>(Opcode::OPC_INPUT_REP):
        return monitorfamily::kSensors;
    default:
        return monitorfamily::kOther;
    }
}

// The decoded texts of the link, by their beginning.
struct DecodedText {
    std::string_view prefix;
    unsigned family;
};
constexpr std::array<DecodedText, 11> kDecoded = {{
    {"Read Slot", monitorfamily::kSlots},
    {"Write Slot", monitorfamily::kSlots},
    {"Loco ", monitorfamily::kSlots},
    {"Set Slot Stat", monitorfamily::kSlots},
    {"OPc IMM", monitorfamily::kSlots},
    {"Req.Switch", monitorfamily::kSwitches},
    {"Req.Sw.", monitorfamily::kSwitches},
    {"Sw.Report", monitorfamily::kSwitches},
    {"Sensor Rep.", monitorfamily::kSensors},
    {"Peer Xfer", monitorfamily::kOther},
    {"", monitorfamily::kOther},
}};

// Words after which a line names its locomotive, switch or sensor number. Longer words
// first where one begins another ("Loco=" before "Loco ").
constexpr std::array<std::string_view, 12> kAddressWords = {
    "Loc=",
    "Loc:",
    "Loco=",
    "Loco:",
    "Loco ",
    "loco ",
    "Req.Switch: ",
    "Req.Sw.w/Ack: ",
    "Req.Sw.State: ",
    "Sw.Rep.State: ",
    "Sw.Rep.Feedback: ",
    "Sensor Rep.: ",
};

// The number after the first of the words that is followed by one; -1 when none is.
int AddressIn(std::string_view text) {
    std::size_t best = std::string_view::npos;
    int address = -1;
    for (std::string_view word : kAddressWords) {
        for (std::size_t at = text.find(word); at != std::string_view::npos && at < best;
             at = text.find(word, at + 1)) {
            int value = 0;
            std::size_t i = at + word.size();
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 100000; ++i)
                value = value * 10 + (text[i] - '0');
            if (i > at + word.size()) {
                best = at;
                address = value;
                break;
            }
        }
    }
    return address;
}

} // namespace

MonitorLineInfo ClassifyMonitorLine(std::string_view line) {
    MonitorLineInfo info;
    if (line == kMessageEnd || StartsWith(line, kContinued)) {
        info.continues = true;
        info.address =
            StartsWith(line, kContinued) ? AddressIn(line.substr(kContinued.size())) : -1;
        return info;
    }
    std::string_view rest;
    bool bus = false;
    for (std::string_view header : kHeaders)
        if (StartsWith(line, header)) {
            rest = line.substr(header.size());
            bus = true;
            break;
        }
    if (!bus) {
        info.family = monitorfamily::kProgram;
        info.address = AddressIn(line);
        return info;
    }
    info.head = true;
    // Raw bytes: the opcode tells the family.
    if (rest.size() >= 3 && HexDigit(rest[0]) >= 0 && HexDigit(rest[1]) >= 0 && rest[2] == ' ') {
        info.family =
            FamilyOfOpcode(static_cast<std::uint8_t>(HexDigit(rest[0]) * 16 + HexDigit(rest[1])));
        return info;
    }
    for (const DecodedText& d : kDecoded)
        if (StartsWith(rest, d.prefix)) {
            info.family = d.family;
            break;
        }
    info.address = AddressIn(rest);
    return info;
}

std::string FormatMonitorStamp(MonitorStamp kind, std::int64_t msSinceOpen, std::int64_t msOfDay) {
    char buffer[32] = {};
    if (kind == MonitorStamp::SinceOpen) {
        if (msSinceOpen < 0)
            msSinceOpen = 0;
        std::snprintf(buffer, sizeof buffer, "%lld.%03lld",
                      static_cast<long long>(msSinceOpen / 1000),
                      static_cast<long long>(msSinceOpen % 1000));
    } else if (kind == MonitorStamp::WallClock) {
        const std::int64_t day = 24LL * 3600 * 1000;
        std::int64_t ms = ((msOfDay % day) + day) % day;
        std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld.%03lld",
                      static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                      static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    }
    return buffer;
}

void MonitorHistory::Add(std::string text, bool always, std::int64_t msSinceOpen,
                         std::int64_t msOfDay) {
    const MonitorLineInfo info = ClassifyMonitorLine(text);
    Entry e;
    e.number = next_++;
    e.always = always;
    e.msSinceOpen = msSinceOpen;
    e.msOfDay = msOfDay;
    e.family = info.family;
    e.address = info.address;
    // The operator's lines stand apart: they neither join a message nor end one.
    const Entry* last = nullptr;
    for (auto it = entries_.rbegin(); it != entries_.rend() && last == nullptr; ++it)
        if (!it->always)
            last = &*it;
    if (always) {
        e.group = 0;
    } else {
        const bool continues = last != nullptr && (inMessage_ ? !info.head : info.continues);
        if (debug_ && info.head)
            inMessage_ = true;
        else if (text == kMessageEnd)
            inMessage_ = false;
        if (!continues)
            ++group_;
        e.group = group_;
        if (continues) {
            // A further line has the family and address of its message. The decoded line
            // after the raw bytes names the address; a trace line inside the message names
            // what the program did about it, which is not the message's address.
            e.family = last->family;
            e.address = last->address;
            const bool decoded = info.continues && text != kMessageEnd;
            if (decoded && info.address >= 0 && last->address < 0) {
                e.address = info.address;
                for (auto it = entries_.rbegin();
                     it != entries_.rend() && (it->always || it->group == group_); ++it)
                    if (!it->always)
                        it->address = info.address;
            }
        }
    }
    e.text = std::move(text);
    entries_.push_back(std::move(e));
    if (entries_.size() > kCapacity)
        entries_.pop_front();
}

void MonitorHistory::ForEachShown(const MonitorFilter& filter, std::size_t count,
                                  std::uint64_t after,
                                  const std::function<void(const Entry&)>& show) const {
    std::vector<const Entry*> shown;
    for (auto it = entries_.rbegin(); it != entries_.rend() && shown.size() < count; ++it) {
        if (it->number <= after)
            break;
        if (Passes(*it, filter))
            shown.push_back(&*it);
    }
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
        show(**it);
}
