// The port's own events: informational lines of a LocoNet-over-TCP server, and a lost
// connection, which is shown once and closes the link without touching the port again.

#include "LoconetFixture.h"

namespace {

constexpr const char* kLost = "Napaka! Povezava tcp://10.0.0.7:1234 je prekinjena! (closed)";

// An in-memory port that can report a loss the way the real ones do: it closes itself, then
// tells the link; optionally from inside a Read or a Write. It notes a destruction that
// happens while one of its calls is still running.
class EventPort : public MemoryPort {
public:
    explicit EventPort(int& destroyedInCall) : destroyedInCall_(destroyedInCall) {}
    ~EventPort() override {
        if (inCall_)
            ++destroyedInCall_;
    }

    void Info(const std::string& line) { NotifyInfo(line); }
    void Lose(const std::string& text) {
        MemoryPort::Close();
        NotifyLost(text);
    }

    std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override {
        inCall_ = true;
        std::size_t n = 0;
        if (loseInRead) {
            loseInRead = false;
            Lose(kLost);
            ++lostInCalls;
        } else if (IsOpen()) {
            n = MemoryPort::Read(buffer, capacity);
        }
        inCall_ = false;
        return n;
    }
    std::size_t Write(const std::uint8_t* data, std::size_t count) override {
        inCall_ = true;
        std::size_t n = 0;
        if (loseInWrite) {
            loseInWrite = false;
            Lose(kLost);
            ++lostInCalls;
        } else if (IsOpen()) {
            n = MemoryPort::Write(data, count);
        }
        inCall_ = false;
        return n;
    }

    bool loseInRead = false;
    bool loseInWrite = false;
    int lostInCalls = 0;

private:
    int& destroyedInCall_;
    bool inCall_ = false;
};

class PortEventsTest : public LinkTest {
protected:
    PortEventsTest() {
        link.SetPortFactory([this](const std::string&) {
            auto p = std::make_unique<EventPort>(destroyedInCall);
            p->echo = true;
            ports.push_back(p.get());
            return p;
        });
    }
    EventPort& Current() { return *ports.back(); }

    int destroyedInCall = 0;
    std::vector<EventPort*> ports;
};

TEST_F(PortEventsTest, InfoLinesReachTheMonitorOnlyInDebugMode) {
    ASSERT_TRUE(link.Open("tcp://10.0.0.7"));
    Current().Info("VERSION LbServer 1.2");
    EXPECT_TRUE(lines.empty());

    settings.DebugMode = 1;
    Current().Info("VERSION LbServer 1.2");
    Current().Info("SENT OK");
    Current().Info("SENT ERROR invalid message");
    EXPECT_EQ(lines, (std::vector<std::string>{"VERSION LbServer 1.2", "SENT OK",
                                               "SENT ERROR invalid message"}));
    // A port the link has let go of has nothing more to say.
    EventPort& old = Current();
    ASSERT_TRUE(link.Open("tcp://10.0.0.8"));
    lines.clear();
    old.Info("SENT OK");
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(PortEventsTest, LossOutsideTheStepIsShownOnceAndClosesTheLink) {
    ASSERT_TRUE(link.Open("tcp://10.0.0.7"));
    EventPort& port = Current();
    link.SetSlotSpeed(3, 20, true);
    port.Lose(kLost);
    EXPECT_FALSE(link.IsActive());
    EXPECT_EQ(link.Port(), nullptr);
    EXPECT_EQ(prompts.texts, std::vector<std::string>{kLost});
    EXPECT_EQ(lines, std::vector<std::string>{kLost});

    // Nothing more is read or written, and a second report says nothing.
    port.Feed(Bytes{0xA0, 0x03, 0x20, 0x7C});
    link.Process();
    port.Lose(kLost);
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(port.Unread(), 4u);
    EXPECT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_EQ(destroyedInCall, 0);
}

TEST_F(PortEventsTest, LossInsideAReadEndsTheStepAndClosesAfterIt) {
    ASSERT_TRUE(link.Open("tcp://10.0.0.7"));
    EventPort& port = Current();
    RecordingThrottle& t = AddThrottle(5, ThrottleType::Simple, kNoSlot);
    t.bActive = true;
    link.SetSlotSpeed(3, 20, true); // would be written in this step
    port.loseInRead = true;
    link.Process();
    EXPECT_EQ(port.lostInCalls, 1);
    EXPECT_EQ(destroyedInCall, 0) << "the port outlives the call that reported the loss";
    EXPECT_FALSE(link.IsActive());
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(prompts.texts, std::vector<std::string>{kLost});
    EXPECT_EQ(t.calls, std::vector<std::string>{"Idle 1000"});

    link.Process();
    EXPECT_EQ(t.calls.size(), 1u) << "a closed link gives no periodic calls";
}

TEST_F(PortEventsTest, LossInsideAWriteGivesOnlyTheLossMessage) {
    ASSERT_TRUE(link.Open("tcp://10.0.0.7"));
    EventPort& port = Current();
    link.SetSlotSpeed(3, 20, true);
    port.loseInWrite = true;
    link.Process();
    EXPECT_EQ(port.lostInCalls, 1);
    EXPECT_EQ(destroyedInCall, 0);
    EXPECT_FALSE(link.IsActive());
    // Not also "could not write all characters": the loss explains it.
    EXPECT_EQ(prompts.texts, std::vector<std::string>{kLost});
}

TEST_F(PortEventsTest, ReopeningAfterALossWorksAndReportsTheNextLossAgain) {
    ASSERT_TRUE(link.Open("tcp://10.0.0.7"));
    Current().Lose(kLost);
    ASSERT_FALSE(link.IsActive());

    ASSERT_TRUE(link.Open("tcp://10.0.0.7"));
    link.SetSlotSpeed(3, 20, true);
    link.Process();
    link.Process();
    EXPECT_EQ(Current().writes, (std::vector<Bytes>{{0xA0, 0x03, 0x14, 0x48}}));
    EXPECT_FALSE(link.IsWaitingForEcho());

    Current().Lose(kLost);
    EXPECT_EQ(prompts.texts, (std::vector<std::string>{kLost, kLost}));
    EXPECT_EQ(destroyedInCall, 0);
}

TEST_F(PortEventsTest, APortLostWhileOpeningFailsTheOpen) {
    // A server may hang up right after accepting; the port says so while the link opens it.
    struct LosingOnDiscard : EventPort {
        using EventPort::EventPort;
        void DiscardInput() override { Lose(kLost); }
    };
    link.SetPortFactory([this](const std::string&) {
        auto p = std::make_unique<LosingOnDiscard>(destroyedInCall);
        ports.push_back(p.get());
        return p;
    });
    EXPECT_FALSE(link.Open("tcp://10.0.0.7"));
    EXPECT_FALSE(link.IsActive());
    EXPECT_EQ(link.Port(), nullptr);
    EXPECT_EQ(prompts.texts, std::vector<std::string>{kLost});
}

} // namespace
