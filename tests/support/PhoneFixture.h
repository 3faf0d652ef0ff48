#pragma once
// Phones on the WiThrottle protocol against a link on an in-memory bus and a fake clock:
// a roster of two locomotives (SŽ 664-101 on 664 with its horn on F2, and 3), the phones'
// output by client, and helpers that say a line and take what the link wrote.

#include "core/phone/PhoneServer.h"
#include "core/roster/RosterData.h"
#include "support/LoconetFixture.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

class PhoneServerTest : public LinkTest {
protected:
    PhoneServerTest() {
        Loco a;
        a.Descr = "SŽ 664-101";
        a.MotorAddr = 664;
        // F2 is named by the map's function that switches motor decoder function 2 on.
        a.FuncFlags[3] = kFuncActive;
        ParseSequenceText("M2+", kSequenceOn, a.FuncSequences[3], false);
        Loco b;
        b.Descr = "Mala]\\[lokomotiva";
        b.MotorAddr = 3;
        data.roster.locos[0] = a;
        data.roster.locos[1] = b;
        data.roster.count = 2;
        data.functions.entries[0] = FunctionDef{3, 0, 2, 2, "Hupa"};
        data.functions.count = 1;
        server.SetOutput([this](int client, const std::string& text) {
            out[static_cast<std::size_t>(client)] += text;
        });
        OpenLink();
    }

    int Connect() {
        const TcpService::Admission a = server.Connect("10.0.0.7:5000");
        out[static_cast<std::size_t>(a.client)] = a.reply;
        return a.client;
    }
    void Say(int client, const std::string& line) {
        const std::string text = line + "\r\n";
        server.Receive(client, text.data(), text.size());
        // As the program's heartbeat does when a phone's bytes arrive.
        link.Process();
    }
    // What the link wrote, each echoed, without checksums; the writes are taken.
    std::vector<Bytes> Written() {
        std::vector<Bytes> written;
        // A phone's selection starts in the throttle's step, and goes out in the next one.
        for (int step = 0, quiet = 0; step < 50 && quiet < 3; ++step) {
            link.Process();
            if (port->writes.empty()) {
                ++quiet;
                continue;
            }
            const Bytes w = port->writes.front();
            port->writes.erase(port->writes.begin());
            written.emplace_back(w.begin(), w.end() - 1);
            Receive(w);
        }
        return written;
    }
    // The phone acquires address 3, which the command station keeps in slot 5.
    void Acquire(int client, std::uint8_t spd = 0, std::uint8_t dirf = 0) {
        Say(client, "MT+S3<;>S3");
        const std::vector<Bytes> select = Written();
        ASSERT_EQ(select, (std::vector<Bytes>{{0xBF, 0x00, 0x03}}));
        Receive(SlotData(5, 3, 0x03, spd, dirf));
        ASSERT_EQ(Written(), (std::vector<Bytes>{{0xBA, 0x05, 0x05}}));
        Receive(SlotData(5, 3, 0x33, spd, dirf));
        Written();
    }
    std::string Take(int client) {
        return std::exchange(out[static_cast<std::size_t>(client)], "");
    }
    static bool Has(const std::string& text, const std::string& line) {
        return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
    }

    RosterData data;
    std::array<std::string, TcpService::kMaxClients> out{};
    PhoneServer server{link, clock, data, "Vlakomat test"};
};
