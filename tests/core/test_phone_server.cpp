// Phones on the WiThrottle protocol against a link on an in-memory bus and a fake clock:
// the greeting, a locomotive acquired, driven and let go, an address in use elsewhere, the
// heartbeat's stop, the turnouts of the open layout, the track power, and lines that mean
// nothing.

#include "core/layout/LayoutBus.h"
#include "core/layout/VlakomatDoc.h"
#include "support/PhoneFixture.h"

#include <algorithm>
#include <functional>

namespace {

TEST_F(PhoneServerTest, GreetsWithVersionRosterPowerTurnoutCaptionsAndHeartbeat) {
    EXPECT_EQ(out[0], "");
    const int phone = Connect();
    EXPECT_EQ(Take(phone), "VN2.0\nHTVlakomat\nHtVlakomat test\n"
                           "RL2]\\[SŽ 664-101}|{664}|{L]\\[Malalokomotiva}|{3}|{S\n"
                           "PPA2\n"
                           "PTT]\\[Kretnice}|{Kretnica]\\[Naravnost}|{2]\\[Odklon}|{4\n"
                           "*10\n");
    Say(phone, "NJurin telefon");
    EXPECT_EQ(Take(phone), "*10\n");
    EXPECT_EQ(server.ClientCount(), 1);
}

TEST_F(PhoneServerTest, AcquiresDrivesAndReleasesThroughSlotCommands) {
    const int phone = Connect();
    Take(phone);
    Acquire(phone, 0, 0x10); // F0 on
    const std::string told = Take(phone);
    EXPECT_TRUE(Has(told, "MT+S3<;>"));
    EXPECT_TRUE(Has(told, "MTAS3<;>F10"));
    EXPECT_TRUE(Has(told, "MTAS3<;>F01"));
    EXPECT_TRUE(Has(told, "MTAS3<;>V0"));
    EXPECT_TRUE(Has(told, "MTAS3<;>R1"));
    ASSERT_NE(link.GetThrottle(CLoconet::kRegistrySize - 1), nullptr);

    // The phone keeps its own slider and direction; the functions' new states it is told,
    // as only the program knows which keys latch.
    struct Case {
        const char* command;
        std::vector<Bytes> sent;
        const char* told;
    };
    const Case cases[] = {
        {"MTAS3<;>V30", {{0xA0, 5, 31}}, ""},
        {"MTA*<;>V126", {{0xA0, 5, 127}}, ""},
        {"MTAS3<;>V127", {}, ""}, // beyond the protocol's speeds
        {"MTAS3<;>X", {{0xA0, 5, 1}}, ""},
        {"MTAS3<;>I", {{0xA0, 5, 0}}, ""},
        {"MTAS3<;>R0", {{0xA1, 5, 0x30}}, ""},
        {"MTAS3<;>F10", {{0xA1, 5, 0x20}}, "MTAS3<;>F00\n"}, // latching F0 pressed: off
        {"MTAS3<;>F00", {}, ""},                             // and released: nothing
        {"MTAS3<;>F12", {{0xA1, 5, 0x22}}, "MTAS3<;>F12\n"}, // momentary F2 pressed: on
        {"MTAS3<;>F02", {{0xA1, 5, 0x20}}, "MTAS3<;>F02\n"}, // released: off
        {"MTAS3<;>F15", {{0xA2, 5, 0x01}}, "MTAS3<;>F15\n"},
        {"MTAS3<;>f110",
         {{0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00}},
         "MTAS3<;>F110\n"},
        {"MTAS3<;>f110", {{0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00}}, ""},
        {"MTAS3<;>m121", {}, ""},
        {"MTAS3<;>F121",
         {{0xED, 0x0B, 0x7F, 0x34, 0x02, 0x03, 0x5F, 0x01, 0x00, 0x00}},
         "MTAS3<;>F121\n"},
        {"MTAS3<;>F021",
         {{0xED, 0x0B, 0x7F, 0x34, 0x02, 0x03, 0x5F, 0x00, 0x00, 0x00}},
         "MTAS3<;>F021\n"},
        {"MTAS4<;>V10", {}, ""}, // a key the phone does not hold
        {"SV20", {}, ""},        // the second older throttle holds nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Say(phone, c.command);
        EXPECT_EQ(Written(), c.sent);
        EXPECT_EQ(Take(phone), c.told);
    }

    // Another station moves the locomotive: the phone hears it.
    Receive(WithChecksum({0xA0, 5, 41}));
    EXPECT_EQ(Take(phone), "MTAS3<;>V40\n");

    Say(phone, "MT-S3<;>r");
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xB5, 5, 0x13}}));
    EXPECT_EQ(Take(phone), "MT-S3<;>\n");
    EXPECT_EQ(link.GetThrottle(CLoconet::kRegistrySize - 1), nullptr);
}

TEST_F(PhoneServerTest, LabelsComeFromTheFunctionMapAndRosterEntriesSelectByName) {
    const int phone = Connect();
    Say(phone, "MT+L664<;>ESŽ 664-101");
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xBF, 0x05, 0x18}}));
    Say(phone, "MT+L1<;>ENi je");
    EXPECT_TRUE(Has(Take(phone), "HMLokomotive »Ni je« ni v seznamu lokomotiv."));
    Receive(SlotData(7, 664, 0x33));
    Written();
    const std::string told = Take(phone);
    EXPECT_TRUE(Has(told, "HMNaslov 664 je v uporabi pri drugem upravljalniku; ni bil prevzet."));
    EXPECT_TRUE(Has(told, "MT-L664<;>")); // nothing taken from the other station
    EXPECT_EQ(link.GetThrottle(CLoconet::kRegistrySize - 1), nullptr);
    EXPECT_EQ(prompts.texts, std::vector<std::string>{}); // no box on the computer

    data.roster.locos[0].MotorAddr = 3;
    Acquire(phone);
    EXPECT_TRUE(Has(Take(phone), "MTLS3<;>]\\[]\\[]\\[Hupa]\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]"
                                 "\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]\\[]"
                                 "\\[]\\[]\\["));
}

// A window of the program that drives address 3.
class WindowOnThree : public RecordingThrottle {
public:
    int AddressOf(int which) const override { return which == kWhichLoco ? 3 : -1; }
};

TEST_F(PhoneServerTest, APhoneWaitsForAWindowsSelectionAndSharesItsSlot) {
    WindowOnThree window;
    window.onUpdateControls = [&](int slot, int) { window.iSlot = slot; };
    ASSERT_TRUE(link.RegisterThrottle(0, &window));
    link.SelectLoco(0, 3, kWhichLoco);
    const int phone = Connect();
    Say(phone, "MT+S3<;>S3");
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xBF, 0x00, 0x03}})); // the window's request only
    Receive(SlotData(5, 3, 0x03));
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xBA, 0x05, 0x05}}));
    Receive(SlotData(5, 3, 0x33));
    EXPECT_EQ(Written(), std::vector<Bytes>{});
    EXPECT_TRUE(Has(Take(phone), "MT+S3<;>"));
    EXPECT_EQ(prompts.texts, std::vector<std::string>{});
    // The phone drives the window's slot, and lets go of it without releasing it.
    Say(phone, "MTAS3<;>V9");
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xA0, 5, 10}}));
    Say(phone, "MT-S3<;>r");
    EXPECT_EQ(Written(), std::vector<Bytes>{});
    link.RemoveThrottle(0);
}

TEST_F(PhoneServerTest, HeartbeatSilenceStopsTheLocomotiveOnce) {
    const int phone = Connect();
    Acquire(phone);
    Say(phone, "MTAS3<;>V50");
    Written();
    // Without the heartbeat asked for, silence stops nothing.
    clock.Advance(30000);
    EXPECT_EQ(Written(), std::vector<Bytes>{});
    Say(phone, "*+");
    clock.Advance(9000);
    Say(phone, "*");
    clock.Advance(9000);
    EXPECT_EQ(Written(), std::vector<Bytes>{});
    clock.Advance(1000);
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xA0, 5, 1}}));
    clock.Advance(20000);
    EXPECT_EQ(Written(), std::vector<Bytes>{});
    EXPECT_TRUE(Has(Take(phone), "MTAS3<;>V-1"));
}

TEST_F(PhoneServerTest, OnlyWholeLinesOfTheProtocolCountAsTheHeartbeat) {
    for (const std::string& noise : {std::string("MTAS3<;>V5"), std::string("\xff\xfe\r\n"),
                                     std::string("hello\r\n"), std::string("*\x01\r\n")}) {
        SCOPED_TRACE(noise);
        const int phone = Connect();
        Acquire(phone);
        Say(phone, "*+");
        Say(phone, "MTAS3<;>V50");
        Written();
        clock.Advance(9000);
        server.Receive(phone, noise.data(), noise.size());
        link.Process();
        clock.Advance(1000);
        EXPECT_EQ(Written(), (std::vector<Bytes>{{0xA0, 5, 1}}));
        server.Disconnect(phone);
        Written();
    }
}

TEST_F(PhoneServerTest, EveryPhoneOnTheLocomotiveIsToldEachFunctionThatChanged) {
    const int a = Connect();
    const int b = Connect();
    Acquire(a);
    Say(b, "MT+S3<;>S3"); // shares the slot of the first phone
    RecordingThrottle window;
    ASSERT_TRUE(link.RegisterThrottle(0, &window));
    window.iSlot = 5;
    Take(a);
    Take(b);
    const auto say = [this](int phone, const char* line) {
        return [this, phone, line] { Say(phone, line); };
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        const char* toA;
        const char* toB;
    };
    const Case cases[] = {
        {"a presses F1", say(a, "MTAS3<;>F11"), "MTAS3<;>F11\n", "MTAS3<;>F11\n"},
        {"a releases F1", say(a, "MTAS3<;>F01"), "", ""},
        {"b holds the horn", say(b, "MTAS3<;>F12"), "MTAS3<;>F12\n", "MTAS3<;>F12\n"},
        {"b lets it go", say(b, "MTAS3<;>F02"), "MTAS3<;>F02\n", "MTAS3<;>F02\n"},
        {"a drives", say(a, "MTAS3<;>V20"), "", "MTAS3<;>V20\n"},
        {"another station switches F1 off",
         [this] {
             Receive(WithChecksum({0xA1, 5, 0x00}));
         },
         "MTAS3<;>F01\n", "MTAS3<;>F01\n"},
        {"another station switches F21 on",
         [this] {
             Receive(WithChecksum({0xED, 0x0B, 0x7F, 0x34, 0x02, 0x03, 0x5F, 0x01, 0x00, 0x00}));
         },
         "MTAS3<;>F121\n", "MTAS3<;>F121\n"},
        {"the window switches F3 on",
         [this] {
             link.SetSlotF0toF08(5, 3, true);
             link.Process();
         },
         "MTAS3<;>F13\n", "MTAS3<;>F13\n"},
        {"the same again", say(a, "MTAS3<;>f13"), "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        Written();
        EXPECT_EQ(Take(a), c.toA);
        EXPECT_EQ(Take(b), c.toB);
    }
    link.RemoveThrottle(0);
}

TEST_F(PhoneServerTest, DispatchStopsAndPutsTheSlotIntoDispatchReleaseDoesNot) {
    struct Case {
        const char* line;
        std::vector<Bytes> sent;
    };
    const Case cases[] = {
        {"MT-S3<;>d", {{0xA0, 5, 0}, {0xBA, 5, 0}}},
        {"MTA*<;>d", {{0xA0, 5, 0}, {0xBA, 5, 0}}},
        {"MT-S3<;>r", {{0xB5, 5, 0x13}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const int phone = Connect();
        Acquire(phone);
        Say(phone, "MTAS3<;>V50");
        Written();
        Take(phone);
        Say(phone, c.line);
        EXPECT_EQ(Written(), c.sent);
        EXPECT_EQ(Take(phone), "MT-S3<;>\n");
        EXPECT_EQ(link.GetThrottle(CLoconet::kRegistrySize - 1), nullptr);
        server.Disconnect(phone);
    }
    // Shared with a window, the locomotive stays the window's.
    WindowOnThree window;
    ASSERT_TRUE(link.RegisterThrottle(0, &window));
    window.iSlot = 5;
    const int phone = Connect();
    Say(phone, "MT+S3<;>S3");
    Take(phone);
    Say(phone, "MT-S3<;>d");
    EXPECT_EQ(Written(), std::vector<Bytes>{});
    EXPECT_TRUE(Has(Take(phone), "HMLokomotivo 3 upravlja še drug upravljalnik programa; ostane "
                                 "njemu in ni predana ročnemu upravljalniku."));
    link.RemoveThrottle(0);
}

TEST_F(PhoneServerTest, APhoneHasSixThrottlesAndThePhonesLeaveWindowsTheirShare) {
    const auto used = [this] {
        int n = 0;
        for (int i = 0; i < CLoconet::kRegistrySize; ++i)
            n += link.GetThrottle(i) != nullptr ? 1 : 0;
        return n;
    };
    std::vector<int> phones;
    for (int p = 0; p < 11; ++p) {
        phones.push_back(Connect());
        for (int k = 0; k < 7; ++k) {
            const std::string key = "S" + std::to_string(10 + 7 * p + k);
            Say(phones.back(), "M" + std::to_string(k) + "+" + key + "<;>" + key);
        }
    }
    EXPECT_TRUE(
        Has(Take(phones[0]), "HMTelefon ima lahko največ 6 upravljalnikov; tega ni odprl."));
    EXPECT_TRUE(Has(Take(phones[10]), "HMTelefoni imajo skupaj lahko največ 60 upravljalnikov; "
                                      "ostali so za okna programa."));
    EXPECT_EQ(used(), 60);
    // A throttle let go makes room for another.
    Say(phones[0], "M0-S10<;>r");
    Say(phones[10], "M0+S3<;>S3");
    EXPECT_EQ(used(), 60);
    EXPECT_EQ(link.GetThrottle(CLoconet::kRegistrySize - 1)->Title(), "Telefon 10.0.0.7:5000");
    for (const int p : phones)
        server.Disconnect(p);
    EXPECT_EQ(used(), 0);
}

TEST_F(PhoneServerTest, GoneWithoutAWordStopsAndReleasesQuitOnlyReleases) {
    const int first = Connect();
    Acquire(first);
    Say(first, "MTAS3<;>V50");
    Written();
    server.Disconnect(first);
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xA0, 5, 1}, {0xB5, 5, 0x13}}));
    EXPECT_EQ(server.ClientCount(), 0);

    const int second = Connect();
    Acquire(second);
    Say(second, "Q");
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xB5, 5, 0x13}}));
}

TEST_F(PhoneServerTest, TurnoutsOfTheOpenLayoutAreListedThrownAndFollowed) {
    CVlakomatDoc doc;
    LayoutBus bus(doc);
    const Subscription watcher =
        link.AddMessageWatcher([&](const LocoNetMessage& m) { bus.OnMessage(m); });
    server.SetLayout(&doc, &bus);
    // The layout is filled after it was handed over, as a file opened later is.
    ASSERT_TRUE(doc.AddElement(2, 3, ElementType::kTurnout));
    TurnoutData t = *doc.Element(0).turnout;
    t.output[0].address = 12;
    doc.SetTurnout(0, t);
    const int phone = Connect();
    EXPECT_TRUE(Has(Take(phone), "PTL]\\[LT12}|{kretnica 12}|{2"));

    Say(phone, "PTATLT12");
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xB0, 0x0B, 0x10}}));
    EXPECT_EQ(doc.Element(0).turnout->current, 1);
    EXPECT_EQ(Take(phone), "PTA4LT12\n");
    // Another station closes it: the phone follows the panel.
    Receive(WithChecksum({0xB0, 0x0B, 0x30}));
    EXPECT_EQ(Take(phone), "PTA2LT12\n");
    Say(phone, "PTA2LT99");
    EXPECT_EQ(Take(phone), "HMKretnice LT99 ni na odprti maketi.\n");

    link.Close();
    Say(phone, "PTA2LT12");
    EXPECT_EQ(Take(phone), "HMKretnica 12: povezava LocoNet ni odprta, ni poslano\n");
    EXPECT_EQ(doc.Element(0).turnout->current, 0);
    server.SetLayout(nullptr, nullptr);
}

TEST_F(PhoneServerTest, PowerIsSwitchedAndEveryPhoneHearsItsChanges) {
    const int a = Connect();
    const int b = Connect();
    Say(a, "PPA1");
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0x83}}));
    EXPECT_TRUE(Has(Take(b), "PPA1"));
    Receive(WithChecksum({0x82}));
    EXPECT_TRUE(Has(Take(a), "PPA0"));
    EXPECT_TRUE(Has(Take(b), "PPA0"));
}

TEST_F(PhoneServerTest, LinesThatMeanNothingChangeNothing) {
    const int phone = Connect();
    Acquire(phone);
    Take(phone);
    for (const char* line : {"",
                             "M",
                             "MT",
                             "MT+",
                             "MTA",
                             "MTAS3",
                             "MTAS3<;>",
                             "MTAS3<;>V",
                             "MTAS3<;>V-2",
                             "MTAS3<;>V1x",
                             "MTAS3<;>R2",
                             "MTAS3<;>F",
                             "MTAS3<;>F2",
                             "MTAS3<;>F129",
                             "MTAS3<;>m9",
                             "MT+<;>",
                             "MT+S9<;>Sx",
                             "MT+S9<;>L99999",
                             "MT+L0<;>L0",
                             "MT+S0<;>S0",
                             "MT-<;>",
                             "MTX",
                             "PTA",
                             "PTAX",
                             "PPA9",
                             "P",
                             "T",
                             "*x",
                             "X",
                             "HU",
                             "D\x01\x02",
                             "\xff\xfe"}) {
        SCOPED_TRACE(line);
        Say(phone, line);
        EXPECT_EQ(Written(), std::vector<Bytes>{});
    }
    const std::string told = Take(phone);
    EXPECT_EQ(told, "HMNapačen naslov lokomotive: Sx\nHMNapačen naslov lokomotive: L99999\n"
                    "HMNapačen naslov lokomotive: L0\nHMNapačen naslov lokomotive: S0\n");
    // A line that never ends is dropped whole; the next one counts.
    const std::string flood(100000, 'V');
    server.Receive(phone, flood.data(), flood.size());
    Say(phone, "\nMTAS3<;>V1");
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0xA0, 5, 2}}));
}

} // namespace
