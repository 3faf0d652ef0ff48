#pragma once
// A phone for tests: a WiThrottle client that connects to the program on this machine, says
// its name, asks for the heartbeat and drives locomotives on its multi-throttle '0', letting
// the event loop run while it waits for the program's lines.

#include "support/LbClient.h"

#include <string>

class PhoneClient : public LbClient {
public:
    // Connects and waits for the greeting's heartbeat line; false when none came.
    bool Start(int port, const std::string& name) { return Connect(port) && Greet(name); }
    // The same on a connection already made.
    bool Greet(const std::string& name) {
        if (WaitFor("*").empty())
            return false;
        Send("N" + name);
        Send("*+");
        return true;
    }
    // "S3" for address 3, "L664" for 664.
    static std::string Key(int address) {
        return (address >= 1 && address <= 127 ? "S" : "L") + std::to_string(address);
    }
    // Asks for the address; the program's answer: "MT+..." when it is the phone's, an alert
    // ("HM...") when not, "" when nothing came in time.
    std::string Acquire(int address, int timeoutMs = 5000) {
        Send("M0+" + Key(address) + "<;>" + Key(address));
        return WaitForAny({"M0+" + Key(address), "HM"}, timeoutMs);
    }
    // A throttle command for the address ("V30", "R0", "F11").
    void Drive(int address, const std::string& command) {
        Send("M0A" + Key(address) + "<;>" + command);
    }
    // The next line the program sends about the address with `what` ("V", "F1"), or "".
    std::string Told(int address, const std::string& what, int timeoutMs = 5000) {
        const std::string prefix = "M0A" + Key(address) + "<;>" + what;
        const std::string line = WaitFor(prefix, timeoutMs);
        return line.empty() ? line : line.substr(prefix.size() - what.size());
    }
};
