// A LbServer server's word on each message the link writes: "SENT OK" puts it on the bus
// whatever its echo does, "SENT ERROR" has it written again, a few times at most; a server
// that gives no word is waited on longer than a serial interface.

#include "support/LoconetFixture.h"

#include <deque>

namespace {

// A port to a server over a network, answering writes as the test says.
class ServerPort : public MemoryPort {
public:
    bool IsNetworked() const override { return true; }
    std::uint64_t WriteCount() const override { return writes.size(); }
    bool TakeWriteAnswer(WriteAnswer& answer) override {
        if (answers.empty())
            return false;
        answer = answers.front();
        answers.pop_front();
        return true;
    }
    std::deque<WriteAnswer> answers;
};

class WordTest : public LinkTest {
protected:
    WordTest() {
        link.SetPortFactory([this](const std::string&) {
            auto p = std::make_unique<ServerPort>();
            server = p.get();
            return p;
        });
    }
    // The server's word on the last write, then one step.
    void Word(bool ok) {
        server->answers.push_back({server->writes.size(), ok, ok ? "" : "busy"});
        link.Process();
    }
    void Echo() {
        server->Feed(server->writes.back());
        link.Process();
    }
    ServerPort* server = nullptr;
};

TEST_F(WordTest, TheServersWordDecidesWhetherAMessageIsWrittenAgain) {
    // Steps: o = SENT OK, e = SENT ERROR, E = the echo, digits = milliseconds passing.
    struct Case {
        const char* name;
        std::vector<std::string> steps;
        std::size_t writes;   // of the one message
        std::size_t repeated; // "Repeated: " lines
        bool notSent;         // "Not sent: " line
    };
    const Case cases[] = {
        {"word then echo", {"o", "E"}, 1, 0, false},
        {"echo then word", {"E", "o"}, 1, 0, false},
        {"word, echo lost", {"o", "1001"}, 1, 0, false},
        {"slow word", {"2900", "o", "E"}, 1, 0, false},
        {"refused once", {"e", "o", "E"}, 2, 1, false},
        {"refused three times", {"e", "e", "e"}, 3, 2, true},
        {"no word, echo in time", {"E"}, 1, 0, false},
        {"no word, echo lost", {"3001"}, 2, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenLink();
        lines.clear();
        link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
        link.Process();
        for (const std::string& step : c.steps) {
            if (step == "o" || step == "e")
                Word(step == "o");
            else if (step == "E")
                Echo();
            else {
                clock.Advance(static_cast<Tick>(std::stoul(step)));
                link.Process();
            }
        }
        EXPECT_EQ(server->writes.size(), c.writes);
        std::size_t repeated = 0;
        bool notSent = false;
        for (const auto& l : lines) {
            repeated += l.rfind("Repeated: ", 0) == 0;
            notSent |= l == "Not sent: A0 03 20 7C ,SENT ERROR busy";
        }
        EXPECT_EQ(repeated, c.repeated);
        EXPECT_EQ(notSent, c.notSent);
        link.Close();
    }
}

TEST_F(WordTest, AServerWithoutWordsIsWaitedOnASecondOnceKnown) {
    OpenLink();
    for (int i = 0; i < Transmitter::kProbeMessages; ++i) {
        link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
        link.Process();
        Echo();
    }
    link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x21, 0x00});
    link.Process();
    const std::size_t writes = server->writes.size();
    clock.Advance(Transmitter::kNetworkEchoTimeoutMs);
    link.Process();
    EXPECT_EQ(server->writes.size(), writes) << "a second is not over yet";
    clock.Advance(1);
    link.Process();
    EXPECT_EQ(server->writes.size(), writes + 1);
    // A late word still counts: the server speaks after all.
    Word(true);
    clock.Advance(Transmitter::kNetworkEchoTimeoutMs + 1);
    link.Process();
    EXPECT_EQ(server->writes.size(), writes + 1) << "on the bus by its word";
}

} // namespace
