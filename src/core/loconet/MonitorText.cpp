#include "core/loconet/MonitorText.h"

#include <cstdarg>
#include <cstdio>

namespace monitortext {

void AppendHex(std::string& out, const std::uint8_t* data, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(kDigits[data[i] >> 4]);
        out.push_back(kDigits[data[i] & 0x0F]);
        out.push_back(' ');
    }
}

std::string Hex(const LocoNetMessage& message) {
    std::string out;
    std::size_t n =
        message.length < LocoNetMessage::kCapacity ? message.length : LocoNetMessage::kCapacity;
    AppendHex(out, message.bytes.data(), n);
    return out;
}

void AppendF(std::string& out, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
    } else if (n > 0) {
        std::string big(static_cast<std::size_t>(n) + 1, '\0');
        std::vsnprintf(big.data(), big.size(), format, copy);
        big.resize(static_cast<std::size_t>(n));
        out += big;
    }
    va_end(copy);
}

namespace {
int Number(std::uint8_t low, std::uint8_t high) {
    return ((high & 0x0F) << 7) | low;
}
} // namespace

void AppendSwitchText(std::string& out, const LocoNetMessage& m) {
    const std::uint8_t b1 = m.bytes[1];
    const std::uint8_t b2 = m.bytes[2];
    const int number = Number(b1, b2);
    switch (m.bytes[0]) {
    case 0xB0:
        out += "Req.Switch: ";
        break;
    case 0xBD:
        out += "Req.Sw.w/Ack: ";
        break;
    case 0xBC:
        out += "Req.Sw.State: ";
        break;
    case 0xB1:
        out += "Sw.Report: ";
        if ((b2 & 0x40) == 0)
            AppendF(out, "Sw.Rep.State: %d Closed: %d Thrown: %d", number, Bit(b2, 0x20),
                    Bit(b2, 0x10));
        else
            AppendF(out, "Sw.Rep.Feedback: %d Inp: %d State: %d", number, Bit(b2, 0x20),
                    Bit(b2, 0x10));
        return;
    case 0xB2:
        AppendF(out, "Sensor Rep.: %d Inp: %d State: %d", number, Bit(b2, 0x20), Bit(b2, 0x10));
        return;
    default:
        return;
    }
    AppendF(out, "%d Dir: %d On: %d", number, Bit(b2, 0x20), Bit(b2, 0x10));
}

void AppendPeerXferText(std::string& out, const LocoNetMessage& m) {
    const auto& b = m.bytes;
    if (m.length == 16 && b[4] == 2) {
        AppendF(out, "Peer Xfer2, data: %X", b[1]);
        for (int i = 2; i <= 14; ++i)
            AppendF(out, " %X,", b[i]);
    } else if (m.length == 16) {
        AppendF(out, "Peer Xfer1, src=%.2X, dst=%.2X%.2X, Data:", b[2], b[4], b[3]);
        for (int i = 6; i <= 9; ++i)
            AppendF(out, " %.2X", b[i]);
        out += " |";
        for (int i = 11; i <= 14; ++i)
            AppendF(out, " %.2X", b[i]);
    } else {
        AppendF(out, "Peer Xfer Unknown,len:%d,data:", static_cast<int>(m.length));
        const std::uint32_t end =
            m.length < LocoNetMessage::kCapacity ? m.length : LocoNetMessage::kCapacity;
        for (std::uint32_t i = 2; i + 1 < end; ++i)
            AppendF(out, " %.2X,", b[i]);
    }
}

} // namespace monitortext
