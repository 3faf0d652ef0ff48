// Loco selection: its phases, refusals and messages, and the throttle registry.

#include "support/LoconetFixture.h"

#include <array>
#include <utility>

namespace {

class SelectionTest : public LinkTest {
protected:
    // Starts a selection and lets its address request go out and come back.
    RecordingThrottle& Start(int address, int which = 0) {
        RecordingThrottle& t = AddThrottle(50, ThrottleType::Realistic, kNoSlot);
        link.SelectLoco(50, address, which);
        link.Process();
        EchoLastWrite();
        return t;
    }
};

TEST_F(SelectionTest, RequestNullMoveAndFinish) {
    OpenLink();
    RecordingThrottle& t = Start(1234);
    EXPECT_EQ(port->writes[0], (Bytes{0xBF, 0x09, 0x52, 0x1B}));
    clock.Advance(30);
    Receive(SlotData(7, 1234, 0x03));
    EXPECT_EQ(LastWrite(), WithChecksum({0xBA, 0x07, 0x07}));
    EXPECT_TRUE(link.IsSelectionPending());
    EchoLastWrite();
    clock.Advance(25);
    Receive(SlotData(7, 1234, 0x33));
    EXPECT_FALSE(link.IsSelectionPending());
    EXPECT_EQ(t.calls, std::vector<std::string>{"UpdateControls 1055 7 0"});
    EXPECT_EQ(lines.front(), "!!Starting Loco 1234 selection at 1000");
    EXPECT_EQ(lines.back(), "!! Finishing loco 1234 selection");
}

TEST_F(SelectionTest, AddressLimits) {
    OpenLink();
    link.SelectLoco(0, 9984, 0);
    EXPECT_EQ(lines, std::vector<std::string>{"Error! Loco address too large!"});
    EXPECT_EQ(prompts.texts, std::vector<std::string>{"Napaka! Naslov dekoderja prevelik!"});
    EXPECT_FALSE(link.IsSelectionPending());
    link.SelectLoco(0, 9983, 0);
    link.Process();
    EXPECT_EQ(LastWrite(), WithChecksum({0xBF, 0x4D, 0x7F}));
}

TEST_F(SelectionTest, PhaseOneIgnoresOtherAnswers) {
    OpenLink();
    RecordingThrottle& t = Start(1234);
    Receive(SlotData(8, 1235, 0x03));
    Receive(SlotData(120, 1234, 0x03));
    Receive(WithChecksum({0xB4, 0x3F, 0x01}));
    Receive(WithChecksum({0xB4, 0x3A, 0x00}));
    EXPECT_TRUE(link.IsSelectionPending());
    EXPECT_EQ(port->writes.size(), 1u);
    EXPECT_TRUE(t.calls.empty());
}

TEST_F(SelectionTest, FailuresReleaseTheThrottleAndSayWhy) {
    struct Case {
        int which;
        Bytes answer;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, WithChecksum({0xB4, 0x3F, 0x00}), "Napaka! Ni več prostih mest v pomnilniku centrale."},
        {1, SlotData(7, 1234, 0x43),
         "Zvočni naslov 1234 je del kompozicije! Izločite jo iz kompozicije ali izberite drug "
         "naslov."},
        {3, SlotData(7, 1234, 0x43),
         "Naslov upravljalnika zavor 1234 je del kompozicije! Izločite jo iz kompozicije ali "
         "izberite drug naslov."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        OpenLink();
        RecordingThrottle& t = Start(1234, c.which);
        lines.clear();
        prompts.texts.clear();
        Receive(c.answer);
        EXPECT_FALSE(link.IsSelectionPending());
        EXPECT_EQ(t.calls, std::vector<std::string>{"ReleaseAll"});
        EXPECT_EQ(lines.back(), c.text);
        EXPECT_EQ(prompts.texts, std::vector<std::string>{c.text});
        link.RemoveThrottle(50);
    }
}

// A slot that another throttle drives: the command station refuses the null move, or it
// answers the address request with a slot already in use. Either way the selection finishes
// with the slot, and only the motor address warns.
TEST_F(SelectionTest, AddressInUseStillFinishesWarningOnlyForTheMotorAddress) {
    const struct {
        const char* name;
        std::vector<Bytes> answers;
        std::size_t writes; // the address request, and the null move if one is sent
    } cases[] = {
        {"null move refused", {SlotData(7, 1234, 0x13), WithChecksum({0xB4, 0x3A, 0x00})}, 2},
        {"slot data says in use", {SlotData(7, 1234, 0x33)}, 1},
    };
    for (const auto& c : cases)
        for (int which : {0, 1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << c.name << ", which " << which);
            OpenLink();
            prompts.texts.clear();
            RecordingThrottle& t = Start(1234, which);
            for (const Bytes& answer : c.answers)
                Receive(answer);
            EXPECT_FALSE(link.IsSelectionPending());
            EXPECT_EQ(port->writes.size(), c.writes);
            EXPECT_EQ(t.calls,
                      std::vector<std::string>{text::Format("UpdateControls 1000 7 %d", which)});
            EXPECT_EQ(prompts.texts,
                      which == 0 ? std::vector<std::string>{"Naslov je že v uporabi, možne so "
                                                            "motnje v delovanju!"}
                                 : std::vector<std::string>{});
            link.RemoveThrottle(50);
        }
}

TEST_F(SelectionTest, SecondSelectionWhileOneWaitsIsRefused) {
    OpenLink();
    Start(1234);
    lines.clear();
    link.SelectLoco(50, 55, 0);
    EXPECT_EQ(lines, std::vector<std::string>{"Error! Task queue not idle!"});
    EXPECT_EQ(prompts.texts, std::vector<std::string>{"Napaka! Vrsta opravil ni prazna! Preverite "
                                                      "če je centrala vklopljena in povezana."});
    // The first one is still the one that finishes.
    Receive(SlotData(7, 1234, 0x03));
    EXPECT_EQ(LastWrite(), WithChecksum({0xBA, 0x07, 0x07}));
}

// A command station that stops answering: the selection ends 5 s after the last answer, the
// throttle gives back what it holds and hears why, and the next selection goes through.
TEST_F(SelectionTest, UnansweredSelectionEndsAfterFiveSecondsAndTheNextOneWorks) {
    const struct {
        const char* name;
        bool nullMoveSent; // the address request was answered, the null move was not
        bool closed;       // the throttle's window was closed while it waited
    } cases[] = {
        {"address request unanswered", false, false},
        {"null move unanswered", true, false},
        {"throttle closed while waiting", true, true},
    };
    const std::string noAnswer = "Napaka! Centrala ni odgovorila na izbiro naslova 1234. "
                                 "Preverite če je centrala vklopljena in povezana.";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenLink();
        RecordingThrottle* t = &Start(1234);
        if (c.nullMoveSent) {
            clock.Advance(3000); // the time-out counts from the last answer
            Receive(SlotData(7, 1234, 0x03));
            EchoLastWrite();
        }
        if (c.closed)
            link.RemoveThrottle(50);
        clock.Advance(4999);
        link.Process();
        ASSERT_TRUE(link.IsSelectionPending());
        prompts.texts.clear();
        link.SelectLoco(50, 55, 0);
        EXPECT_EQ(prompts.texts.size(), 1u) << "still refused within the 5 s";
        prompts.texts.clear();
        lines.clear();

        clock.Advance(1);
        link.Process();
        EXPECT_FALSE(link.IsSelectionPending());
        EXPECT_EQ(lines.front(), "Error! No answer to loco 1234 selection");
        EXPECT_EQ(prompts.texts,
                  c.closed ? std::vector<std::string>{} : std::vector<std::string>{noAnswer});
        EXPECT_EQ(t->calls,
                  c.closed ? std::vector<std::string>{} : std::vector<std::string>{"ReleaseAll"});
        // A slot that the null move may have taken goes back as the station reported it.
        if (c.nullMoveSent) {
            EXPECT_EQ(LastWrite(), WithChecksum({0xB5, 0x07, 0x03}));
            EchoLastWrite();
        }

        if (c.closed)
            t = &AddThrottle(50, ThrottleType::Simple, kNoSlot);
        t->calls.clear();
        link.SelectLoco(50, 55, 0);
        link.Process();
        EchoLastWrite();
        Receive(SlotData(8, 55, 0x03));
        EchoLastWrite();
        Receive(SlotData(8, 55, 0x33));
        EXPECT_EQ(t->calls,
                  std::vector<std::string>{text::Format("UpdateControls %u 8 0", clock.Now())});
        link.RemoveThrottle(50);
    }
}

TEST_F(SelectionTest, OwnEchoNeverReachesTheTask) {
    settings.DebugMode = 1;
    OpenLink();
    AddThrottle(50, ThrottleType::Simple, kNoSlot);
    link.SelectLoco(50, 1234, 0);
    link.Process();
    lines.clear();
    EchoLastWrite();
    EXPECT_EQ(lines, (std::vector<std::string>{"Sent: BF 09 52 1B ", "-----"}));
    Receive(WithChecksum({0xB0, 0x01, 0x30}));
    EXPECT_EQ(lines[lines.size() - 2], "Task Sel Loco: Phase Req Loco");
}

TEST_F(SelectionTest, OfflineFinishesAtOnceWithSlot10) {
    settings.settings.Offline = 1;
    OpenLink();
    RecordingThrottle& t = AddThrottle(5, ThrottleType::Realistic, kNoSlot);
    clock.Set(4242);
    link.SelectLoco(5, 300, 2);
    EXPECT_FALSE(link.IsSelectionPending());
    EXPECT_EQ(t.calls, std::vector<std::string>{"UpdateControls 4242 10 2"});
    EXPECT_TRUE(link.Queue().Empty());
}

TEST_F(SelectionTest, ThrottleMayChainTheNextSelectionFromUpdateControls) {
    settings.settings.Offline = 1;
    OpenLink();
    RecordingThrottle& t = AddThrottle(5, ThrottleType::Realistic, kNoSlot);
    t.onUpdateControls = [&](int, int which) {
        if (which < 3)
            link.SelectLoco(5, 100 + which, which + 1);
    };
    link.SelectLoco(5, 99, 0);
    EXPECT_EQ(t.calls.size(), 4u);
    EXPECT_EQ(t.calls.back(), "UpdateControls 1000 10 3");
    EXPECT_TRUE(prompts.texts.empty());
}

// A realistic throttle's chain of four selections against a station that answers within the
// step that sends, on a clock that moves at every reading. The motor address may be in use by
// another throttle (a warning box that stays open), and the last answer may never come: then
// only the slots that the chain's own null moves took go back.
TEST_F(SelectionTest, ChainOfFourOnAMovingClock) {
    const std::string warning = "Naslov je že v uporabi, možne so motnje v delovanju!";
    const std::string noAnswer = "Napaka! Centrala ni odgovorila na izbiro naslova 103. "
                                 "Preverite če je centrala vklopljena in povezana.";
    const struct {
        const char* name;
        std::uint8_t motorStat; // 0x03 free, 0x33 driven by another throttle
        std::uint32_t boxMs;    // how long each box stays open
        bool brakeAnswered;
        std::vector<std::string> prompts;
        std::vector<int> released; // slots given back to the station
    } cases[] = {
        {"all free", 0x03, 0, true, {}, {}},
        {"motor in use, warning open 2 s", 0x33, 2000, true, {warning}, {}},
        {"motor in use, brake unanswered", 0x33, 2000, false, {warning, noAnswer}, {2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenLink();
        prompts.texts.clear();
        prompts.onAsk = [&](const std::string&) { clock.Advance(c.boxMs); };
        RecordingThrottle& t = AddThrottle(50, ThrottleType::Realistic, kNoSlot);
        std::array<int*, 4> held = {&t.iSlot, &t.iSoundSlot, &t.iPowerSlot, &t.iBrakeSlot};
        t.onUpdateControls = [&](int slot, int which) {
            *held[static_cast<std::size_t>(which)] = slot;
            if (which < 3)
                link.SelectLoco(50, 101 + which, which + 1);
        };
        t.onReleaseAll = [&] {
            for (int* slot : held)
                link.ReleaseLoco(std::exchange(*slot, kNoSlot), &t);
        };
        clock.drift = 1;
        link.SelectLoco(50, 100, kWhichLoco);
        // The station: address N lives in slot N - 99; it echoes and answers every write.
        std::size_t answered = 0;
        for (int step = 0; step < 40; ++step) {
            if (step == 20)
                clock.Advance(CLoconet::kSelectionTimeoutMs);
            link.Process();
            Bytes bytes;
            for (; answered < port->writes.size(); ++answered) {
                const Bytes& w = port->writes[answered];
                bytes.insert(bytes.end(), w.begin(), w.end());
                Bytes answer;
                if (w[0] == 0xBF && (w[2] != 103 || c.brakeAnswered))
                    answer = SlotData(w[2] - 99, w[2], w[2] == 100 ? c.motorStat : 0x03);
                else if (w[0] == 0xBA)
                    answer = SlotData(w[1], w[1] + 99, 0x33);
                bytes.insert(bytes.end(), answer.begin(), answer.end());
            }
            port->Feed(bytes);
        }
        EXPECT_FALSE(link.IsSelectionPending());
        EXPECT_EQ(prompts.texts, c.prompts);
        std::vector<int> released;
        for (const Bytes& w : port->writes)
            if (w[0] == 0xB5)
                released.push_back(w[1]);
        EXPECT_EQ(released, c.released);
        EXPECT_EQ(t.iBrakeSlot, c.brakeAnswered ? 4 : kNoSlot);
        link.RemoveThrottle(50);
        clock.drift = 0;
        link.Close();
    }
}

TEST_F(SelectionTest, FinishingTakesAFreshTickOnlyForSendingAndThePeriodicCall) {
    OpenLink();
    RecordingThrottle& t = Start(1234);
    t.bActive = true;
    Receive(SlotData(7, 1234, 0x03));
    EchoLastWrite();
    t.calls.clear();
    // The clock moves while the throttle handles the finished selection; the slot's later
    // changes in the same step still carry the step's tick.
    t.onUpdateControls = [&](int slot, int) {
        t.iSlot = slot;
        clock.Advance(9);
    };
    Bytes bytes = SlotData(7, 1234, 0x33);
    for (const Bytes& more :
         {WithChecksum({0xA0, 0x07, 0x10}),
          WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x07, 0x44, 0x52, 0x29, 0x00, 0x00})})
        bytes.insert(bytes.end(), more.begin(), more.end());
    Receive(bytes);
    EXPECT_EQ(t.calls, (std::vector<std::string>{"UpdateControls 1000 7 0", "UpdateThrottle 1000 0",
                                                 "F9toF12 9 1000 0", "Idle 1009"}));
}

TEST_F(SelectionTest, PendingSelectionSurvivesCloseAndOpen) {
    OpenLink();
    RecordingThrottle& t = Start(1234);
    link.Close();
    OpenLink();
    EXPECT_TRUE(link.IsSelectionPending());
    Receive(SlotData(7, 1234, 0x03));
    EchoLastWrite();
    Receive(SlotData(7, 1234, 0x33));
    EXPECT_EQ(t.calls, std::vector<std::string>{"UpdateControls 1000 7 0"});
}

TEST_F(SelectionTest, ThrottleClosedWhileWaitingIsNotCalled) {
    OpenLink();
    Start(1234);
    link.RemoveThrottle(50);
    throttles.clear();
    Receive(SlotData(7, 1234, 0x03));
    EchoLastWrite();
    Receive(SlotData(7, 1234, 0x33));
    EXPECT_FALSE(link.IsSelectionPending());
    EXPECT_EQ(lines.back(), "!!Release Loco 1234");
    EchoLastWrite();
    link.Process();
    EXPECT_EQ(LastWrite(), WithChecksum({0xB5, 0x07, 0x13})); // the slot is given back
}

TEST_F(SelectionTest, NewThrottleInTheEntryOfAClosedOneGetsNoStaleAnswer) {
    OpenLink();
    Start(1234);
    link.RemoveThrottle(50);
    throttles.clear();
    RecordingThrottle& successor = AddThrottle(50, ThrottleType::Simple, kNoSlot);
    Receive(SlotData(7, 1234, 0x03));
    EchoLastWrite();
    Receive(SlotData(7, 1234, 0x33));
    EXPECT_FALSE(link.IsSelectionPending());
    EXPECT_TRUE(successor.calls.empty());
}

TEST(ThrottleRegistryTest, HighestEmptyEntryIsUsedAndTheHundredFirstRefused) {
    FakeClock clock;
    RecordingBeeper beeper;
    ScriptedPrompts prompts;
    std::vector<std::unique_ptr<RecordingThrottle>> made;
    std::vector<std::pair<ThrottleType, int>> created;
    std::vector<Throttle*> destroyed;
    {
        CLoconet link(clock, beeper, prompts);
        link.SetThrottleFactory({[&](ThrottleType type, int index) -> Throttle* {
                                     created.emplace_back(type, index);
                                     made.push_back(std::make_unique<RecordingThrottle>(type));
                                     return made.back().get();
                                 },
                                 [&](Throttle* t) {
                                     destroyed.push_back(t);
                                     link.RemoveThrottle(t->registryIndex);
                                 }});
        link.NewSimpleThrottle();
        link.NewRealisticThrottle();
        ASSERT_EQ(created.size(), 2u);
        EXPECT_EQ(created[0], std::make_pair(ThrottleType::Simple, 99));
        EXPECT_EQ(created[1], std::make_pair(ThrottleType::Realistic, 98));
        EXPECT_EQ(link.GetThrottle(98), made[1].get());
        EXPECT_EQ(made[1]->registryIndex, 98);
        for (int i = 0; i < 98; ++i)
            link.NewSimpleThrottle();
        EXPECT_TRUE(prompts.texts.empty());
        link.NewSimpleThrottle();
        EXPECT_EQ(prompts.texts,
                  std::vector<std::string>{"Doseženo je maksimalno število upravljalnikov!"});
        EXPECT_EQ(created.size(), 100u);
        link.RemoveThrottle(40);
        link.RemoveThrottle(60);
        link.NewSimpleThrottle();
        EXPECT_EQ(created.back().second, 60);
        link.NewSimpleThrottle();
        EXPECT_EQ(created.back().second, 40);
        EXPECT_EQ(link.GetThrottle(100), nullptr);
        EXPECT_EQ(link.GetThrottle(-1), nullptr);
    }
    EXPECT_EQ(destroyed.size(), 100u) << "the link disposes of every registered throttle";
}

} // namespace
