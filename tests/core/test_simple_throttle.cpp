// The simple throttle's decisions: checking the typed fields, what goes to the link for each
// control, the minute's speed refresh, and what the window is told to show.

#include "core/loconet/ImmediatePacket.h"
#include "core/throttles/SimpleThrottle.h"
#include "support/LoconetFixture.h"

namespace {

class FakeView : public SimpleThrottleView {
public:
    SimpleThrottleEntries ReadEntries() const override { return entries; }
    void Show(unsigned parts) override { shown |= parts; }
    void ShowButtons() override { ++buttonShows; }
    void Focus(SimpleThrottleField field, bool selectAll) override {
        focus = field;
        focusSelectsAll = selectAll;
    }
    void CloseWindow() override { ++closes; }

    SimpleThrottleEntries entries;
    unsigned shown = 0;
    int buttonShows = 0;
    SimpleThrottleField focus = SimpleThrottleField::Address;
    bool focusSelectsAll = false;
    int closes = 0;
};

class SimpleThrottleTest : public LinkTest {
protected:
    SimpleThrottleTest() {
        throttle.SetView(&view);
        link.RegisterThrottle(99, &throttle);
        OpenLink();
    }
    ~SimpleThrottleTest() override { link.RemoveThrottle(99); }

    // The throttle selects address 3, which the command station keeps in slot 5.
    void Drive(std::uint8_t spd = 0, std::uint8_t dirf = 0, std::uint8_t snd = 0) {
        view.entries = {"3", "0", true};
        throttle.OnSetRelease();
        link.Process();
        EchoLastWrite();
        Receive(SlotData(5, 3, 0x03, spd, dirf, snd)); // the slot move goes out
        EchoLastWrite();
        Receive(SlotData(5, 3, 0x33, spd, dirf, snd));
        ASSERT_TRUE(throttle.Driving());
        port->writes.clear();
        lines.clear();
        view = FakeView{};
        view.entries = {"3", "0", true};
    }
    // Messages waiting in the output queue, without their checksums.
    std::vector<Bytes> Queued() const {
        std::vector<Bytes> out;
        for (std::size_t i = 0; i < link.Queue().Count(); ++i) {
            const LocoNetMessage& m = link.Queue().At(i);
            out.emplace_back(m.bytes.begin(), m.bytes.begin() + m.length - 1);
        }
        return out;
    }

    FakeView view;
    SimpleThrottle throttle{link, clock, prompts};
};

TEST_F(SimpleThrottleTest, FailedChecksSayWhySendNothingAndKeepTheFields) {
    struct Case {
        const char* address;
        const char* speed;
        const char* message;
        SimpleThrottleField focus;
    } cases[] = {
        {"9984", "0", "Vnesite celo število med 0 in 9983.", SimpleThrottleField::Address},
        {"", "0", "Vnesite celo število.", SimpleThrottleField::Address},
        {"12a", "0", "Vnesite celo število.", SimpleThrottleField::Address},
        {"99999999999", "0", "Vnesite celo število med 0 in 9983.", SimpleThrottleField::Address},
        {"3", "100", "Vnesite celo število med 0 in 99.", SimpleThrottleField::Speed},
        {"3", "-1", "Vnesite celo število med 0 in 99.", SimpleThrottleField::Speed},
        {"3", " ", "Vnesite celo število.", SimpleThrottleField::Speed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address) + "/" + c.speed);
        prompts.texts.clear();
        view.entries = {c.address, c.speed, false};
        for (auto handler : {&SimpleThrottle::OnSetRelease, &SimpleThrottle::OnEnter,
                             &SimpleThrottle::OnDirectionClicked}) {
            view.focus = c.focus == SimpleThrottleField::Address ? SimpleThrottleField::Speed
                                                                 : SimpleThrottleField::Address;
            (throttle.*handler)();
            EXPECT_EQ(view.focus, c.focus);
            EXPECT_TRUE(view.focusSelectsAll);
        }
        EXPECT_EQ(prompts.texts, std::vector<std::string>(3, c.message));
        EXPECT_FALSE(link.IsSelectionPending());
        EXPECT_TRUE(Queued().empty());
        EXPECT_EQ(throttle.Forward(), true); // the direction after the failed field is kept
    }
}

TEST_F(SimpleThrottleTest, SetButtonSelectsTypedAddressThenReleases) {
    view.entries = {" 1234", "0", true};
    throttle.OnSetRelease();
    EXPECT_TRUE(link.IsSelectionPending());
    EXPECT_EQ(Queued(), (std::vector<Bytes>{{0xBF, 0x09, 0x52}}));
    EXPECT_EQ(throttle.Address(), 1234);
    EXPECT_STREQ(throttle.Caption(), "Nastavi");
}

TEST_F(SimpleThrottleTest, SelectionAndReleaseChangeStateCaptionAndRefresh) {
    EXPECT_FALSE(throttle.bActive);
    clock.Set(5000);
    Drive();
    EXPECT_TRUE(throttle.Driving());
    EXPECT_TRUE(throttle.bActive); // the minute's refresh keeps the slot alive
    EXPECT_STREQ(throttle.Caption(), "Sprosti");
    EXPECT_EQ(throttle.LastSpeedTick(), 5000u);

    view.entries = {"3", "40", true};
    throttle.OnEnter();
    EXPECT_EQ(throttle.Speed(), 40);
    EXPECT_EQ(view.focus, SimpleThrottleField::Speed);
    EXPECT_TRUE(view.focusSelectsAll);
    view.entries = {"3", "40", true};
    throttle.OnSetRelease();
    EXPECT_EQ(Queued(), (std::vector<Bytes>{{0xA0, 5, 52}, {0xB5, 5, 0x13}}));
    EXPECT_FALSE(throttle.Driving());
    EXPECT_FALSE(throttle.bActive);
    EXPECT_EQ(throttle.Speed(), 0);
    EXPECT_EQ(throttle.SliderPosition(), 99);
    EXPECT_STREQ(throttle.Caption(), "Uporabi");
    EXPECT_EQ(view.focus, SimpleThrottleField::Address);
}

TEST_F(SimpleThrottleTest, SpeedRefreshAfterAMinuteWithoutSpeedCommand) {
    clock.Set(1000);
    Drive(65);
    throttle.Idle(61000);
    EXPECT_TRUE(Queued().empty());
    throttle.Idle(61001);
    EXPECT_EQ(Queued(), (std::vector<Bytes>{{0xA0, 5, 65}})); // forced although unchanged
    throttle.Idle(61002);
    EXPECT_EQ(Queued().size(), 1u);
    // A speed command restarts the minute.
    clock.Set(90000);
    throttle.OnSliderReleased(0);
    EXPECT_EQ(throttle.LastSpeedTick(), 90000u);
    throttle.Idle(150000);
    EXPECT_EQ(Queued().size(), 2u);
    // Across the wrap of the tick counter.
    throttle.UpdateControls(0xFFFFF000u, 5, kWhichLoco);
    throttle.Idle(0x00001000u);
    EXPECT_EQ(Queued().size(), 2u);
    throttle.Idle(0x00010000u);
    EXPECT_EQ(Queued().size(), 3u);
}

TEST_F(SimpleThrottleTest, EmergencyStopAlwaysGoesOut) {
    Drive(1);
    view.entries = {"3", "", true}; // a speed field that would fail its check
    throttle.OnEmergencyStop();
    throttle.OnEmergencyStop();
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_EQ(Queued(), (std::vector<Bytes>{{0xA0, 5, 1}, {0xA0, 5, 1}}));
    EXPECT_EQ(throttle.Speed(), 0);
    EXPECT_EQ(throttle.SliderPosition(), 99);
    EXPECT_TRUE(view.shown & SimpleThrottleShow::kSpeed);
}

TEST_F(SimpleThrottleTest, SliderPositionSentAsSpeedByte) {
    Drive(10);
    for (int position : {0, 49, 98, 99, -5, 140})
        throttle.OnSliderReleased(position);
    EXPECT_EQ(Queued(), (std::vector<Bytes>{{0xA0, 5, 127},
                                            {0xA0, 5, 65},
                                            {0xA0, 5, 2},
                                            {0xA0, 5, 0},
                                            {0xA0, 5, 127},
                                            {0xA0, 5, 0}}));
    EXPECT_EQ(throttle.SliderPosition(), 99);
}

TEST_F(SimpleThrottleTest, WithoutLocomotiveNothingIsSent) {
    view.entries = {"3", "0", true};
    throttle.OnSliderReleased(0);
    EXPECT_EQ(throttle.SliderPosition(), 99);
    EXPECT_EQ(view.focus, SimpleThrottleField::Address);
    throttle.OnDirectionClicked();
    throttle.OnEmergencyStop();
    for (int f = 0; f <= 12; ++f)
        throttle.FunctionStateChanged(f, true);
    throttle.ReleaseAll();
    throttle.Idle(1000000);
    EXPECT_TRUE(Queued().empty());
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(SimpleThrottleTest, FunctionsAndTheF9toF12Mask) {
    Drive(0, 0x00, 0x00);
    throttle.FunctionStateChanged(10, true);
    throttle.FunctionStateChanged(12, true);
    throttle.FunctionStateChanged(10, false);
    throttle.FunctionStateChanged(0, true);
    throttle.FunctionStateChanged(6, true);
    throttle.FunctionStateChanged(29, true);
    const std::vector<Bytes> q = Queued();
    ASSERT_EQ(q.size(), 5u);
    EXPECT_EQ(q[3], (Bytes{0xA1, 5, 0x10}));
    EXPECT_EQ(q[4], (Bytes{0xA2, 5, 0x02}));
    std::vector<int> masks;
    for (int i = 0; i < 3; ++i) {
        LocoNetMessage m = link.Queue().At(static_cast<std::size_t>(i));
        ImmF9toF12 imm = DecodeImmF9toF12(m);
        ASSERT_TRUE(imm.understood);
        EXPECT_EQ(imm.Address(), 3);
        masks.push_back(imm.bits);
    }
    EXPECT_EQ(masks, (std::vector<int>{2, 10, 8}));
    // A new selection of the locomotive starts from what the link knows of it.
    throttle.UpdateControls(clock.Now(), 5, kWhichLoco);
    EXPECT_EQ(throttle.F9toF12(), 8);
}

TEST_F(SimpleThrottleTest, BusChangesShowSpeedDirectionAndButtons) {
    Drive();
    MakeSlot(5, 3, 0x33, 2, 0x20 | 0x10 | 0x04, 0x09); // the link calls UpdateThrottle
    EXPECT_EQ(throttle.Speed(), 1);
    EXPECT_EQ(throttle.SliderPosition(), 98);
    EXPECT_FALSE(throttle.Forward());
    // Only what changed is shown again: an edit the operator is in keeps its selection.
    EXPECT_EQ(view.shown, SimpleThrottleShow::kSpeed | SimpleThrottleShow::kDirection);
    EXPECT_EQ(view.buttonShows, 1);
    throttle.UpdateThrottleF9toF12(0x1A, 0, kWhichLoco);
    EXPECT_EQ(view.buttonShows, 2);
    std::string states;
    for (int f = 0; f <= 12; ++f)
        states += throttle.ButtonState(f) ? '1' : '0';
    EXPECT_EQ(states, "1001010010101"); // F0, F3, F5, F8, F10, F12
}

// Slot data that no longer shows the throttle's address in use ends its hold on the slot:
// nothing more goes there, and the operator is told. Data that still shows it changes nothing.
TEST_F(SimpleThrottleTest, SlotThatNoLongerHoldsTheAddressIsLetGo) {
    const std::string taken =
        "Lokomotive 3 ta upravljalnik ne upravlja več: druga naprava na vodilu je sprostila ali "
        "prevzela njeno mesto v centrali. Če jo želite voziti, jo izberite znova.";
    struct Case {
        const char* what;
        Bytes message;
        bool kept;
    } cases[] = {
        {"another station gives the slot to address 9", SlotData(5, 9, 0x33, 0, 0, 0, 0xEF), false},
        {"another station frees the slot", WithChecksum({0xB5, 5, 0x13}), false},
        {"a read shows the slot free", SlotData(5, 0, 0x00), false},
        {"another station changes the speed", WithChecksum({0xA0, 5, 20}), true},
        {"a read shows the address in use", SlotData(5, 3, 0x33, 40), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clock.Advance(CLoconet::kResponseHoldMs + 1); // another station's write holds no more
        Drive();
        prompts.texts.clear();
        Receive(c.message);
        EXPECT_EQ(throttle.Driving(), c.kept);
        EXPECT_EQ(throttle.AddressOf(kWhichLoco), c.kept ? 3 : -1);
        EXPECT_EQ(prompts.texts,
                  c.kept ? std::vector<std::string>{} : std::vector<std::string>{taken});
        EXPECT_EQ(throttle.Title(), c.kept ? "Upravljalnik 3" : "Upravljalnik");
        throttle.OnSliderReleased(49); // 50 %
        throttle.StopForExit();
        EXPECT_EQ(Queued(), c.kept ? (std::vector<Bytes>{{0xA0, 5, 65}, {0xA0, 5, 0}})
                                   : std::vector<Bytes>{});
        if (c.kept)
            throttle.OnSetRelease(); // released for the next case
        for (int i = 0; i < 10 && !link.Queue().Empty(); ++i) {
            clock.Advance(CLoconet::kResponseHoldMs + 1);
            link.Process();
            EchoLastWrite();
        }
    }
}

TEST_F(SimpleThrottleTest, CloseAsksTheWindow) {
    throttle.CloseThrottle();
    EXPECT_EQ(view.closes, 1);
}

} // namespace
