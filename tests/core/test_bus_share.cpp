// The shared bus: clients' SEND lines answered, their messages carried behind the program's
// own with the link's echo check, every bus message handed to every client, and the limits.

#include "core/loconet/BusShare.h"
#include "support/LoconetFixture.h"

#include <map>

namespace {

class ShareTest : public LinkTest {
protected:
    ShareTest() {
        share.SetOutput([this](int client, const std::string& text) { out[client] += text; });
    }
    int Connect() {
        const BusShare::Admission a = share.Connect("10.0.0.9:4000");
        if (a.client >= 0)
            out[a.client] += a.reply;
        return a.client;
    }
    void Send(int client, const std::string& text) {
        share.Receive(client, text.data(), text.size());
    }
    // What a client was sent since the last call.
    std::string Take(int client) { return std::exchange(out[client], std::string()); }

    BusShare share{link, "Vlakomat test"};
    std::map<int, std::string> out;
};

TEST_F(ShareTest, EachLineOfAClientIsAnswered) {
    struct Case {
        std::string line;
        Bytes written; // what reaches the bus
        std::string answer;
    };
    const Case cases[] = {
        {"SEND A0 03 20 7C", {0xA0, 0x03, 0x20, 0x7C}, "RECEIVE A0 03 20 7C\r\nSENT OK\r\n"},
        {"SEND a0 3 20 7c", {0xA0, 0x03, 0x20, 0x7C}, "RECEIVE A0 03 20 7C\r\nSENT OK\r\n"},
        {"SEND A0 03 20 7D", {}, "SENT ERROR bad checksum\r\n"},
        {"SEND A0 03 7C", {}, "SENT ERROR wrong length\r\n"},
        {"SEND ED 06 7F 24 00", {}, "SENT ERROR wrong length\r\n"},
        {"SEND 83", {}, "SENT ERROR wrong length\r\n"},
        {"SEND 20 03 20 7C", {}, "SENT ERROR not a LocoNet message\r\n"},
        {"SEND A0 83 20 7C", {}, "SENT ERROR not a LocoNet message\r\n"},
        {"SEND A0 0G", {}, "SENT ERROR malformed line\r\n"},
        {"SEND", {}, "SENT ERROR malformed line\r\n"},
        {"HELLO", {}, "SENT ERROR unknown command\r\n"},
        {"  ", {}, ""},
        {std::string(5000, 'A'), {}, "SENT ERROR line too long\r\n"},
    };
    OpenLink();
    port->echo = true;
    const int client = Connect();
    ASSERT_EQ(Take(client), "VERSION Vlakomat test\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        port->writes.clear();
        Send(client, c.line + "\r\n");
        link.Process(); // writes it
        link.Process(); // reads the echo
        EXPECT_EQ(port->writes,
                  c.written.empty() ? std::vector<Bytes>{} : std::vector<Bytes>{c.written});
        EXPECT_EQ(Take(client), c.answer);
    }
}

TEST_F(ShareTest, ClientsTakeTurnsBehindTheProgramsOwnOutput) {
    OpenLink();
    const int a = Connect(), b = Connect();
    Send(a, "SEND B2 01 50 1C\nSEND B2 02 50 1F\n");
    Send(b, "SEND B2 03 50 1E\n");
    EXPECT_EQ(link.NextStepDue(), 0u) << "a client's message waits for a step";
    link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
    port->echo = true;
    link.Process();
    link.Process();
    // The program's message goes before the clients' that wait.
    link.QueueMessage(LocoNetMessage{0xA0, 0x04, 0x20, 0x00});
    for (int i = 0; i < 4; ++i)
        link.Process();
    std::vector<std::uint8_t> order;
    for (const Bytes& w : port->writes)
        order.push_back(w[1]);
    EXPECT_EQ(order, (std::vector<std::uint8_t>{3, 1, 4, 3, 2}));
    EXPECT_NE(Take(b).find("RECEIVE A0 04 20 7B\r\n"), std::string::npos)
        << "the program's own messages reach every client";
}

TEST_F(ShareTest, AMessageWithoutEchoIsTriedThreeTimesThenRefused) {
    OpenLink();
    const int client = Connect();
    Take(client);
    Send(client, "SEND B2 01 50 1C\n");
    for (int i = 0; i < 4; ++i) {
        link.Process();
        clock.Advance(201);
    }
    EXPECT_EQ(port->writes.size(), 3u);
    EXPECT_EQ(Take(client), "SENT ERROR no echo\r\n");
    EXPECT_EQ(beeper.tones.size(), 3u);
}

// A port that can be lost, as a dropped connection is.
class LosablePort : public MemoryPort {
public:
    void Lose() {
        Close();
        NotifyLost("lost");
    }
};

TEST_F(ShareTest, WhatWaitsWhenTheLinkGoesIsRefusedAndSoIsWhatComesAfter) {
    for (const bool closed : {true, false}) {
        SCOPED_TRACE(closed ? "closed" : "port lost");
        LosablePort* losable = nullptr;
        link.SetPortFactory([&](const std::string&) {
            auto p = std::make_unique<LosablePort>();
            losable = p.get();
            return p;
        });
        ASSERT_TRUE(link.Open("tcp://10.0.0.7:1234"));
        const int client = Connect();
        Take(client);
        Send(client, "SEND B2 01 50 1C\nSEND B2 02 50 1F\n");
        link.Process(); // the first is on the bus
        if (closed)
            link.Close();
        else
            losable->Lose();
        EXPECT_EQ(Take(client), "SENT ERROR link down\r\nSENT ERROR link down\r\n");
        Send(client, "SEND B2 01 50 1C\n");
        EXPECT_EQ(Take(client), "SENT ERROR link down\r\n");
        EXPECT_EQ(link.IsActive(), !closed);
        share.Disconnect(client);
        link.Close();
    }
}

TEST_F(ShareTest, ABurstWithinTwoSecondsOfTheLinkIsCarriedAndTheExcessRefusedInTurn) {
    struct Case {
        std::size_t sends; // messages written at once
        std::size_t refused;
        const char* line = "SEND B2 01 50 1C\n";
    };
    // A link that answers at once carries what the bus carries.
    constexpr std::size_t kFit = BusShare::kClientQueueBytes / 4;
    const std::size_t kMost = share.WaitingLimit();
    EXPECT_EQ(kMost, kFit);
    const Case cases[] = {{9, 0},
                          {120, 0},
                          {kFit, 0},
                          {kFit + 1, 1},
                          {kFit + 5, 5},
                          {kMost, 0, "SEND 83 7C\n"}, // two bytes each
                          {kMost + 5, 5, "SEND 83 7C\n"}};
    OpenLink();
    port->echo = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sends);
        const int client = Connect();
        Take(client);
        std::string burst;
        for (std::size_t i = 0; i < c.sends; ++i)
            burst += c.line;
        Send(client, burst + "HELLO\n");
        EXPECT_EQ(Take(client), "") << "the refusals wait behind the messages before them";
        port->writes.clear();
        for (std::size_t i = 0; i < c.sends + 2; ++i)
            link.Process();
        EXPECT_EQ(port->writes.size(), c.sends - c.refused) << "all on the bus";
        std::string answers;
        for (std::size_t at = 0, end; (end = out[client].find('\n', at)) != std::string::npos;
             at = end + 1)
            if (out[client].compare(at, 4, "SENT") == 0)
                answers += out[client].substr(at, end + 1 - at);
        std::string expected;
        for (std::size_t i = 0; i < c.sends - c.refused; ++i)
            expected += "SENT OK\r\n";
        for (std::size_t i = 0; i < c.refused; ++i)
            expected += "SENT ERROR queue full\r\n";
        EXPECT_EQ(answers, expected + "SENT ERROR unknown command\r\n");
        share.Disconnect(client);
        out.clear();
    }
}

TEST_F(ShareTest, TheClientLimitHoldsAndAGoneClientCostsNothing) {
    struct Case {
        int setting; // 0: the default
        int admitted;
    };
    for (const Case& c : {Case{0, 16}, Case{64, 64}, Case{500, 64}, Case{1, 1}}) {
        SCOPED_TRACE(c.setting);
        BusShare other{link, "Vlakomat test"};
        if (c.setting != 0)
            other.SetClientLimit(c.setting);
        for (int i = 0; i < c.admitted; ++i)
            ASSERT_EQ(other.Connect("10.0.0.9:4000").client, i);
        const BusShare::Admission refused = other.Connect("10.0.0.9:4999");
        EXPECT_EQ(refused.client, -1);
        EXPECT_EQ(refused.reply, "VERSION Vlakomat test: " + std::to_string(c.admitted) +
                                     " clients connected, no room for more\r\n");
    }
    link.SetGuests(&share);
    OpenLink();
    settings.DebugMode = 1; // comings and goings in the monitor
    for (int i = 0; i < BusShare::kDefaultClients; ++i)
        ASSERT_EQ(Connect(), i);
    const BusShare::Admission refused = share.Connect("10.0.0.9:4017");
    EXPECT_EQ(refused.client, -1);
    // A client goes while its message is on the bus; its place is taken at once.
    Send(5, "SEND B2 01 50 1C\n");
    link.Process();
    share.Disconnect(5);
    EXPECT_EQ(Connect(), 5);
    Take(5);
    EchoLastWrite();
    EXPECT_EQ(Take(5), "RECEIVE B2 01 50 1C\r\n") << "no answer meant for the client before";
    EXPECT_EQ(share.ClientCount(), 16);
    const std::vector<std::string> expected = {
        "Share: 10.0.0.9:4000 connected, clients: 16",
        "Share: 10.0.0.9:4017 refused, clients: 16",
        "Share: 10.0.0.9:4000 disconnected, clients: 15",
    };
    for (const std::string& line : expected)
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
}

TEST_F(ShareTest, AClientsMessageIsAnotherStationsToTheLink) {
    OpenLink();
    MakeSlot(5, 1234);
    auto& throttle = AddThrottle(0, ThrottleType::Simple, 5);
    const int client = Connect();
    Send(client, "SEND A0 05 20 7A\n");
    link.Process();
    EchoLastWrite();
    EXPECT_EQ(link.Slot(5).SPD, 0x20);
    EXPECT_NE(std::find(throttle.calls.begin(), throttle.calls.end(), "UpdateThrottle 1000 0"),
              throttle.calls.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Rec: Loco Speed: Slt=5,Loc=1234,Sp=32"),
              lines.end());
}

TEST_F(ShareTest, AnUnansweredRequestHoldsTheProgramOnlyForAWhile) {
    OpenLink();
    const int client = Connect();
    Send(client, "SEND BC 01 00 42\n"); // a switch state request: a reply is expected
    link.Process();
    EchoLastWrite();
    EXPECT_TRUE(link.IsResponseExpected());
    link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
    clock.Advance(CLoconet::kResponseHoldMs);
    link.Process();
    EXPECT_EQ(port->writes.size(), 1u) << "held";
    clock.Advance(1);
    link.Process();
    EXPECT_EQ(LastWrite(), (Bytes{0xA0, 0x03, 0x20, 0x7C}));
}

} // namespace
