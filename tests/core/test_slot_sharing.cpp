// One locomotive, several hands: phones, throttle windows and another station on the same
// slot. A requester that leaves before the command station answers, sharers that leave in
// every order, the realistic train's own locomotive, F0 to F28 in every direction, a
// stop-all, and subscribers that change the list they are called from.

#include "core/loconet/ImmediatePacket.h"
#include "core/throttles/SimpleThrottle.h"
#include "support/PhoneFixture.h"

#include <algorithm>

namespace {

class AddressView : public SimpleThrottleView {
public:
    SimpleThrottleEntries ReadEntries() const override { return {"3", "0", true}; }
    void Show(unsigned) override {}
    void ShowButtons() override {}
    void Focus(SimpleThrottleField, bool) override {}
    void CloseWindow() override {}
};

class SlotSharingTest : public PhoneServerTest {
protected:
    static constexpr int kWindow = 10;

    // A simple throttle window drives address 3 in slot 5, found common at `spd`.
    void WindowDrives(std::uint8_t spd = 0) {
        window.SetView(&view);
        ASSERT_TRUE(link.RegisterThrottle(kWindow, &window));
        window.OnSetRelease();
        ASSERT_EQ(Written(), (std::vector<Bytes>{{0xBF, 0x00, 0x03}}));
        Receive(SlotData(5, 3, 0x13, spd));
        ASSERT_EQ(Written(), (std::vector<Bytes>{{0xBA, 0x05, 0x05}}));
        Receive(SlotData(5, 3, 0x33, spd));
        Written();
        ASSERT_TRUE(window.Driving());
    }
    // A phone that takes address 3 while the window drives it shares the window's slot.
    int PhoneShares() {
        const int phone = Connect();
        Say(phone, "MT+S3<;>S3");
        EXPECT_EQ(Written(), std::vector<Bytes>{});
        EXPECT_TRUE(Has(Take(phone), "MT+S3<;>"));
        return phone;
    }
    void CloseWindow() {
        window.ReleaseAll();
        window.UpdateControls(0, kNoSlot, kWhichLoco);
        link.RemoveThrottle(kWindow);
    }

    AddressView view;
    SimpleThrottle window{link, clock, prompts};
};

TEST_F(SlotSharingTest, ARequesterThatLeavesBeforeTheAnswerGivesBackOnlyWhatItTook) {
    enum class Leave { WindowClosed, PhoneHungUp, PhoneReleased };
    struct Answer {
        const char* name;
        Bytes phaseOne;
        // What the link writes once the answer came; the free slot's null move is answered.
        std::vector<Bytes> written;
    };
    const Answer answers[] = {
        // Free and moving at 30 in a common slot: taken by the null move, stopped, given back.
        {"free", SlotData(9, 9, 0x13, 30), {{0xBA, 9, 9}, {0xA0, 9, 0}, {0xB5, 9, 0x13}}},
        // A hand-held of the station holds it: untouched.
        {"in use", SlotData(9, 9, 0x33, 30), {}},
        {"no free slot", WithChecksum({0xB4, 0x3F, 0x00}), {}},
        {"consist", SlotData(9, 9, 0x53, 30), {}},
        {"no answer", {}, {}},
    };
    for (const Leave leave : {Leave::WindowClosed, Leave::PhoneHungUp, Leave::PhoneReleased}) {
        for (const Answer& a : answers) {
            SCOPED_TRACE(a.name + std::string(" after leave ") +
                         std::to_string(static_cast<int>(leave)));
            int phone = -1;
            const bool byWindow = leave == Leave::WindowClosed;
            if (byWindow) {
                AddThrottle(kWindow, ThrottleType::Simple, kNoSlot);
                link.SelectLoco(kWindow, 9, kWhichLoco);
            } else {
                phone = Connect();
                Say(phone, "MT+S9<;>S9");
            }
            ASSERT_EQ(Written(), (std::vector<Bytes>{{0xBF, 0x00, 0x09}}));
            if (byWindow)
                link.RemoveThrottle(kWindow);
            else if (leave == Leave::PhoneHungUp)
                server.Disconnect(phone);
            else
                Say(phone, "MT-S9<;>r");
            EXPECT_EQ(Written(), std::vector<Bytes>{});
            std::vector<Bytes> written;
            if (a.phaseOne.empty()) {
                clock.Advance(CLoconet::kSelectionTimeoutMs);
            } else {
                Receive(a.phaseOne);
                written = Written();
                if (!written.empty() && written[0][0] == 0xBA) {
                    Receive(SlotData(9, 9, 0x33, 30));
                    for (const Bytes& w : Written())
                        written.push_back(w);
                }
            }
            link.Process();
            EXPECT_EQ(written, a.written);
            EXPECT_FALSE(link.IsSelectionPending());
            EXPECT_EQ(prompts.texts, std::vector<std::string>{});
            if (phone >= 0)
                server.Disconnect(phone);
            prompts.texts.clear();
            // The station forgets slot 9 for the next case.
            Receive(SlotData(9, 9, 0x03));
        }
    }
}

TEST_F(SlotSharingTest, ASharedSlotGoesBackOnlyWhenTheLastSharerLeaves) {
    // 0: the window, 1 and 2: phones.
    for (int sharers : {2, 3}) {
        std::vector<int> order(static_cast<std::size_t>(sharers));
        for (int i = 0; i < sharers; ++i)
            order[static_cast<std::size_t>(i)] = i;
        do {
            std::string name = std::to_string(sharers) + " sharers, order";
            for (int i : order)
                name += " " + std::to_string(i);
            SCOPED_TRACE(name);
            WindowDrives(30);
            std::vector<int> phones;
            for (int i = 1; i < sharers; ++i)
                phones.push_back(PhoneShares());
            for (std::size_t n = 0; n < order.size(); ++n) {
                const int who = order[n];
                if (who == 0)
                    CloseWindow();
                else
                    Say(phones[static_cast<std::size_t>(who - 1)], "MT-S3<;>r");
                const std::vector<Bytes> none;
                const std::vector<Bytes> release{{0xB5, 5, 0x13}};
                EXPECT_EQ(Written(), n + 1 == order.size() ? release : none) << "after " << who;
            }
            // Nobody was told the slot was taken from them.
            for (int phone : phones) {
                EXPECT_FALSE(Has(Take(phone), "HMLokomotive 3 ta upravljalnik ne upravlja več: "
                                              "njen slot je prevzel drug upravljalnik."));
                server.Disconnect(phone);
            }
            EXPECT_EQ(prompts.texts, std::vector<std::string>{});
            Receive(SlotData(5, 3, 0x13));
            Written();
        } while (std::next_permutation(order.begin(), order.end()));
    }
}

// The realistic throttle's train model drives its locomotive; its hand-helds may be shared.
class RealisticOnThree : public RecordingThrottle {
public:
    RealisticOnThree() : RecordingThrottle(ThrottleType::Realistic) {}
    int AddressOf(int which) const override {
        return which == kWhichLoco ? 3 : which == kWhichPower ? 1 : -1;
    }
};

TEST_F(SlotSharingTest, APhoneIsRefusedTheRealisticTrainButSharesItsHandHeld) {
    RealisticOnThree train;
    train.iSlot = 5;
    train.iPowerSlot = 6;
    MakeSlot(5, 3);
    MakeSlot(6, 1);
    ASSERT_TRUE(link.RegisterThrottle(kWindow, &train));
    const int phone = Connect();
    Take(phone);
    Say(phone, "MT+S3<;>S3");
    EXPECT_EQ(Written(), std::vector<Bytes>{});
    const std::string refused = Take(phone);
    EXPECT_TRUE(Has(refused, "MT-S3<;>")) << refused;
    EXPECT_FALSE(Has(refused, "MT+S3<;>")) << refused;
    EXPECT_EQ(refused.rfind("HM", 0), 0u) << refused;

    Say(phone, "MT+S1<;>S1");
    EXPECT_EQ(Written(), std::vector<Bytes>{});
    EXPECT_TRUE(Has(Take(phone), "MT+S1<;>"));
    // The phone is a hand-held of the train: its notch goes to the train at once.
    train.calls.clear();
    Say(phone, "MTAS1<;>V20");
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xA0, 6, 21}}));
    EXPECT_TRUE(std::any_of(train.calls.begin(), train.calls.end(), [](const std::string& c) {
        return c.starts_with("UpdateThrottle ") && c.ends_with(" 2");
    }));
    server.Disconnect(phone);
    EXPECT_EQ(Written(), std::vector<Bytes>{}); // the train keeps its hand-held
    link.RemoveThrottle(kWindow);
}

TEST_F(SlotSharingTest, FunctionsPassBetweenAPhoneAWindowAndAnotherStation) {
    WindowDrives();
    const int phone = PhoneShares();
    struct Case {
        const char* name;
        std::function<void()> act;
        std::vector<Bytes> written;
        const char* phoneHears; // nullptr: nothing
        int function;
        bool windowShows;
    };
    const Case cases[] = {
        {"phone F10",
         [&] { Say(phone, "MTAS3<;>F110"); },
         {{0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00}},
         "MTAS3<;>F110",
         10,
         true},
        {"window F12",
         [&] { window.FunctionStateChanged(12, true); },
         {{0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x2A, 0x00, 0x00, 0x00}},
         "MTAS3<;>F112",
         12,
         true},
        {"station F9",
         [&] {
             Receive(WithChecksum({0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x2B, 0x00, 0x00, 0x00}));
         },
         {},
         "MTAS3<;>F19",
         9,
         true},
        {"station's answer",
         [&] {
             Receive(WithChecksum({0xB4, 0x6D, 0x7F}));
         },
         {},
         nullptr,
         9,
         true},
        {"window F21",
         [&] { window.FunctionStateChanged(21, true); },
         {{0xED, 0x0B, 0x7F, 0x34, 0x02, 0x03, 0x5F, 0x01, 0x00, 0x00}},
         "MTAS3<;>F121",
         21,
         true},
        {"phone F21",
         [&] { Say(phone, "MTAS3<;>F121"); },
         {{0xED, 0x0B, 0x7F, 0x34, 0x02, 0x03, 0x5F, 0x00, 0x00, 0x00}},
         "MTAS3<;>F021",
         21,
         false},
        {"phone F5", [&] { Say(phone, "MTAS3<;>F15"); }, {{0xA2, 5, 0x01}}, "MTAS3<;>F15", 5, true},
        {"window F6",
         [&] { window.FunctionStateChanged(6, true); },
         {{0xA2, 5, 0x03}},
         "MTAS3<;>F16",
         6,
         true},
        {"station F15",
         [&] {
             Receive(WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x02, 0x03, 0x5E, 0x04, 0x00, 0x00}));
         },
         {},
         "MTAS3<;>F115",
         15,
         true},
        {"station's answer again",
         [&] {
             Receive(WithChecksum({0xB4, 0x6D, 0x7F}));
         },
         {},
         nullptr,
         15,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.act();
        EXPECT_EQ(Written(), c.written);
        const std::string heard = Take(phone);
        if (c.phoneHears != nullptr)
            EXPECT_TRUE(Has(heard, c.phoneHears)) << heard;
        else
            EXPECT_EQ(heard, "");
        EXPECT_EQ(window.ButtonState(c.function), c.windowShows);
    }
    server.Disconnect(phone);
    CloseWindow();
}

TEST_F(SlotSharingTest, AStopAllIsShownByEveryThrottle) {
    for (bool ours : {false, true}) {
        SCOPED_TRACE(ours ? "our own stop-all" : "another station's");
        WindowDrives(60);
        const int phone = PhoneShares();
        EXPECT_EQ(window.Speed(), CLoconet::SpeedToPercent(60));
        if (ours) {
            link.QueueMessage(LocoNetMessage{0x85, 0});
            EXPECT_EQ(Written(), (std::vector<Bytes>{{0x85}}));
        } else {
            Receive(WithChecksum({0x85}));
        }
        EXPECT_EQ(window.Speed(), 0);
        EXPECT_TRUE(Has(Take(phone), "MTAS3<;>V-1")); // the app's word for a stop
        EXPECT_EQ(link.Slot(5).SPD, slotbits::kSpeedEmergency);
        server.Disconnect(phone);
        CloseWindow();
        Written();
        Receive(SlotData(5, 3, 0x13));
    }
}

TEST(Subscribers, ACallbackMayEndAndAddSubscriptionsIncludingItsOwn) {
    Subscribers<int> list;
    std::vector<std::string> calls;
    Subscription first;
    Subscription second;
    Subscription added;
    first = list.Add([&](int n) {
        calls.push_back("first " + std::to_string(n));
        second.Reset(); // ended before its turn: not called
        first.Reset();  // its own, while it runs
        added = list.Add([&](int m) { calls.push_back("added " + std::to_string(m)); });
    });
    second = list.Add([&](int n) { calls.push_back("second " + std::to_string(n)); });
    list.Call(1);
    list.Call(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"first 1", "added 2"}));
    {
        Subscription gone = list.Add([&](int) { calls.push_back("gone"); });
    }
    list.Call(3);
    EXPECT_EQ(calls.back(), "added 3");
    EXPECT_EQ(list.Count(), 1u);
    // A handle that outlives its list ends nothing, and harms nothing.
    auto shortLived = std::make_unique<Subscribers<int>>();
    Subscription outliving = shortLived->Add([](int) {});
    shortLived.reset();
    outliving.Reset();
}

} // namespace
