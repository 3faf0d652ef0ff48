#include "core/loconet/PortsModule.h"

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

PortKind KindOfPort(const std::string& name) {
    if (name.size() == 3 && StartsWithNoCase(name, "sim"))
        return PortKind::Simulated;
    if (StartsWithNoCase(name, "tcp://"))
        return PortKind::Network;
    return PortKind::Device;
}
