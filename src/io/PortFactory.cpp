#include "io/PortFactory.h"

#include "core/sim/SimPort.h"
#include "io/SerialDevicePort.h"
#include "io/TcpPort.h"

#include <cctype>

namespace {

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i)
        if (i >= s.size() ||
            std::tolower(static_cast<unsigned char>(s[i])) != static_cast<unsigned char>(prefix[i]))
            return false;
    return true;
}

} // namespace

std::unique_ptr<SerialPort> CreatePort(const std::string& name, Clock& clock, SerialLine line) {
    if (name.size() == 3 && StartsWithNoCase(name, "sim"))
        return std::make_unique<SimPort>(clock);
    if (StartsWithNoCase(name, "tcp://"))
        return std::make_unique<TcpPort>();
    return std::make_unique<SerialDevicePort>(line);
}
