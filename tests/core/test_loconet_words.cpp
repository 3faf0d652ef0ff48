// A LbServer server's word on each message the link writes: "SENT OK" puts it on the bus
// whatever its echo does, "SENT ERROR" has it written again, a few times at most; a server
// that gives no word is waited on longer than a serial interface.

#include "support/LoconetFixture.h"

#include <algorithm>
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

TEST_F(WordTest, AServerThatGivesItsWordIsWrittenAheadAndNothingTwice) {
    // Messages queued at once on a server known to give its word, and which of them (by
    // place) it refuses once; the answers come in order, 100 ms after each write.
    struct Case {
        const char* name;
        std::size_t messages;
        std::vector<std::size_t> refusedOnce;
    };
    const Case cases[] = {
        {"a few", 5, {}},
        {"more than are written ahead", 40, {}},
        {"one refused in the middle", 10, {4}},
        {"the first and the last refused", 20, {0, 19}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenLink();
        link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x00, 0x00});
        link.Process();
        Word(true); // now known to give its word
        Echo();
        server->writes.clear();
        std::vector<LocoNetMessage> sent;
        for (std::size_t i = 0; i < c.messages; ++i) {
            sent.push_back(LocoNetMessage{0xA0, 0x03, static_cast<std::uint8_t>(i + 1), 0x00});
            ASSERT_TRUE(link.QueueMessage(sent.back()));
        }
        link.Process();
        EXPECT_EQ(server->writes.size(), std::min(c.messages, Transmitter::kMaxInFlight))
            << "written without waiting for answers";
        std::vector<std::size_t> refused = c.refusedOnce;
        std::size_t answered = 0;
        for (int round = 0; round < 100 && answered < server->writes.size(); ++round) {
            clock.Advance(100);
            // The server's word on everything written so far, in order; its echo follows.
            for (; answered < server->writes.size(); ++answered) {
                const auto& w = server->writes[answered];
                const std::size_t place = w[2] - 1u;
                const auto r = std::find(refused.begin(), refused.end(), place);
                const bool ok = r == refused.end();
                if (!ok)
                    refused.erase(r);
                server->answers.push_back({answered + 1, ok, ok ? "" : "busy"});
                if (ok)
                    server->Feed(w);
            }
            link.Process();
        }
        EXPECT_EQ(server->writes.size(), c.messages + c.refusedOnce.size());
        std::vector<std::size_t> writes(c.messages);
        for (const auto& w : server->writes)
            ++writes[w[2] - 1u];
        for (std::size_t i = 0; i < c.messages; ++i)
            EXPECT_EQ(writes[i], std::count(c.refusedOnce.begin(), c.refusedOnce.end(), i) + 1u)
                << "message " << i;
        EXPECT_FALSE(link.IsWaitingForEcho());
        EXPECT_FALSE(link.IsPortDown());
        // Sixteen messages ahead over 100 ms: the link carries far more than one per round trip.
        EXPECT_GT(link.CarriedPerSecond(), 100.0);
        link.Close();
    }
}

TEST_F(WordTest, ASilentServerIsWrittenThreeTimesAtMostAndTheConnectionTakenAsLost) {
    struct Case {
        const char* name;
        bool givesWords; // known to give its word before it falls silent
        std::size_t writes;
    };
    const Case cases[] = {
        {"never answers", false, Transmitter::kMaxWrites},
        {"stops giving its word", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::pair<bool, std::string>> states;
        link.SetLinkStateSink(
            [&states](bool down, const std::string& why) { states.emplace_back(down, why); });
        OpenLink();
        if (c.givesWords) {
            link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x00, 0x00});
            link.Process();
            Word(true);
            Echo();
        }
        server->writes.clear();
        link.QueueMessage(LocoNetMessage{0xBF, 0x00, 0x03, 0x00});
        for (int i = 0; i < 300 && !link.IsPortDown(); ++i) {
            clock.Advance(100);
            link.Process();
        }
        EXPECT_EQ(server->writes.size(), c.writes);
        ASSERT_TRUE(link.IsPortDown());
        ASSERT_FALSE(states.empty());
        EXPECT_TRUE(states.back().first);
        EXPECT_NE(states.back().second.find("no answer to BF 00 03 43"), std::string::npos)
            << states.back().second;
        link.Close();
        link.SetLinkStateSink(nullptr);
    }
}

} // namespace
