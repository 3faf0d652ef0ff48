// The port's own events: informational lines of a LocoNet-over-TCP server, and a lost
// connection, which leaves the link down until the same port opens again.

#include "support/LoconetFixture.h"

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
            p->openError = nextOpenError;
            ports.push_back(p.get());
            port = p.get(); // the fixture's bus helpers use the newest port
            return p;
        });
        link.SetLinkStateSink([this](bool down, const std::string& why) {
            states.push_back(down);
            EXPECT_EQ(why, down ? kLost : "");
        });
    }
    EventPort& Current() { return *ports.back(); }

    int destroyedInCall = 0;
    std::vector<EventPort*> ports;
    std::vector<bool> states; // what the link state sink was told
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

TEST_F(PortEventsTest, LossLeavesTheLinkDownQuietlyAndDropsWhatWouldBeSent) {
    const std::string portDown =
        "Napaka! Povezava s centralo je prekinjena! Lokomotive ni mogoče izbrati.";
    ASSERT_TRUE(link.Open("tcp://10.0.0.7"));
    EventPort& opened = Current();
    RecordingThrottle& t = AddThrottle(5, ThrottleType::Simple, kNoSlot);
    link.SelectLoco(5, 3, 0);
    link.SetSlotSpeed(3, 20, true);
    lines.clear();
    opened.Lose(kLost);
    EXPECT_TRUE(link.IsActive());
    EXPECT_TRUE(link.IsPortDown());
    EXPECT_EQ(link.Port(), nullptr);
    EXPECT_EQ(states, std::vector<bool>{true});
    EXPECT_TRUE(prompts.texts.empty()) << "no message box stops the program";
    EXPECT_EQ(lines, std::vector<std::string>{kLost});
    EXPECT_TRUE(link.Queue().Empty()) << "an old command must not reach the bus late";

    // Nothing more is read from the old port, nothing is queued, a second report says
    // nothing, and the throttles keep their periodic call.
    t.bActive = true;
    opened.Feed(Bytes{0xA0, 0x03, 0x20, 0x7C});
    link.SetSlotSpeed(3, 21, true);
    link.Process();
    opened.Lose(kLost);
    EXPECT_TRUE(opened.writes.empty());
    EXPECT_EQ(opened.Unread(), 4u);
    EXPECT_TRUE(link.Queue().Empty());
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_EQ(t.calls, std::vector<std::string>{"Idle 1000"});
    EXPECT_EQ(destroyedInCall, 0);
    // The selection under way ends in its time, and says why; a new one is refused at once:
    // its request could not reach the command station.
    nextOpenError = "still gone";
    clock.Advance(CLoconet::kSelectionTimeoutMs);
    link.Process();
    EXPECT_FALSE(link.IsSelectionPending());
    link.SelectLoco(5, 3, 0);
    EXPECT_FALSE(link.IsSelectionPending());
    EXPECT_EQ(prompts.texts, std::vector<std::string>(2, portDown));

    // The operator may still choose another port; the link is up again at once.
    nextOpenError.clear();
    ASSERT_TRUE(link.Open("tcp://10.0.0.8"));
    EXPECT_FALSE(link.IsPortDown());
    EXPECT_EQ(states, (std::vector<bool>{true, false}));
}

TEST_F(PortEventsTest, LossInsideAReadOrAWriteIsHandledAfterTheStep) {
    for (bool inWrite : {false, true}) {
        SCOPED_TRACE(inWrite ? "write" : "read");
        ASSERT_TRUE(link.Open("tcp://10.0.0.7"));
        EventPort& opened = Current();
        link.SetSlotSpeed(3, 20, true); // would be written in this step
        (inWrite ? opened.loseInWrite : opened.loseInRead) = true;
        link.Process();
        EXPECT_EQ(opened.lostInCalls, 1);
        EXPECT_EQ(destroyedInCall, 0) << "the port outlives the call that reported the loss";
        EXPECT_TRUE(link.IsPortDown());
        EXPECT_EQ(link.Port(), nullptr);
        EXPECT_TRUE(opened.writes.empty());
        // Not "could not write all characters" either: the loss explains it.
        EXPECT_TRUE(prompts.texts.empty());
        EXPECT_EQ(lines.back(), kLost);
    }
}

// Every 2 s one attempt, one Debug Mode line each; once the port is back, the command
// station is asked for every slot a throttle holds (each once, in slot order), and its
// answers bring the slot table and the throttles up to date.
TEST_F(PortEventsTest, LostPortIsOpenedAgainEveryTwoSecondsAndTheHeldSlotsAreAskedFor) {
    settings.DebugMode = 1;
    ASSERT_TRUE(link.Open("tcp://10.0.0.7"));
    MakeSlot(9, 1234, 0x33, 40);
    RecordingThrottle& simple = AddThrottle(5, ThrottleType::Simple, 9);
    AddThrottle(6, ThrottleType::Realistic, 12, kNoSlot, 9, 4);
    Current().Lose(kLost);
    const std::string failed = "Napaka! Comm porta tcp://10.0.0.7 ni mogoče odpreti!";
    nextOpenError = failed;
    EXPECT_EQ(link.NextStepDue(), CLoconet::kReopenIntervalMs);
    lines.clear();
    const std::size_t portsBefore = ports.size();
    clock.Advance(1999);
    link.Process();
    EXPECT_EQ(ports.size(), portsBefore) << "not before 2 s";
    clock.Advance(1);
    link.Process();
    clock.Advance(1000);
    EXPECT_EQ(link.NextStepDue(), 1000u);
    clock.Advance(1000);
    link.Process();
    EXPECT_EQ(lines, std::vector<std::string>(2, "Reopening tcp://10.0.0.7: " + failed));
    EXPECT_TRUE(link.IsPortDown());

    nextOpenError.clear();
    settings.DebugMode = 0;
    lines.clear();
    clock.Advance(2000);
    link.Process();
    EXPECT_FALSE(link.IsPortDown());
    EXPECT_EQ(states, (std::vector<bool>{true, false}));
    EXPECT_EQ(lines, std::vector<std::string>{"Reopened tcp://10.0.0.7"});
    EXPECT_EQ(Current().Name(), "tcp://10.0.0.7");
    for (int i = 0; i < 4; ++i)
        link.Process(); // each request goes out after the echo of the one before
    EXPECT_EQ(Current().writes, (std::vector<Bytes>{WithChecksum({0xBB, 0x04, 0x00}),
                                                    WithChecksum({0xBB, 0x09, 0x00}),
                                                    WithChecksum({0xBB, 0x0C, 0x00})}));
    simple.calls.clear();
    Receive(SlotData(9, 1234, 0x33, 25));
    EXPECT_EQ(link.Slot(9).SPD, 25);
    EXPECT_EQ(simple.calls, std::vector<std::string>{"UpdateThrottle 7000 0"});
    EXPECT_TRUE(prompts.texts.empty());
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
    // The operator is told in the program's words; the port's own word goes to the monitor.
    ASSERT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(prompts.texts[0].rfind("Napaka! Comm porta tcp://10.0.0.7 ni mogoče odpreti!", 0), 0u)
        << prompts.texts[0];
    EXPECT_EQ(lines, std::vector<std::string>{kLost});
}

} // namespace
