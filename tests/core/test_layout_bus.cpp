// The layout panel and the bus: what switch and sensor messages say, the turnouts and
// detectors that follow them, the program's own requests that wait for the bus, a lost
// link, and the paced requests of a synchronisation with what became of them.

#include "core/layout/LayoutBus.h"
#include "core/loconet/Throttle.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

struct ReportCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    BusReport::Kind kind;
    int address;
    bool state;
};

class BusReports : public testing::TestWithParam<ReportCase> {};

TEST_P(BusReports, Decoded) {
    const ReportCase& c = GetParam();
    LocoNetMessage m;
    for (std::uint8_t b : c.bytes)
        m.bytes[m.length++] = b;
    const BusReport r = DecodeBusReport(m);
    EXPECT_EQ(r.kind, c.kind);
    if (c.kind != BusReport::None) {
        EXPECT_EQ(r.address, c.address);
        EXPECT_EQ(r.state, c.state);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, BusReports,
    testing::Values(
        ReportCase{"request_thrown", {0xB0, 0x0B, 0x10, 0}, BusReport::Switch, 12, false},
        ReportCase{"request_closed_high", {0xB0, 0x7F, 0x3F, 0}, BusReport::Switch, 2048, true},
        ReportCase{"request_with_ack", {0xBD, 0x00, 0x30, 0}, BusReport::Switch, 1, true},
        ReportCase{"request_output_off", {0xB0, 0x0B, 0x20, 0}, BusReport::None, 0, false},
        ReportCase{"report_closed", {0xB1, 0x0A, 0x20, 0}, BusReport::Switch, 11, true},
        ReportCase{"report_thrown", {0xB1, 0x0A, 0x11, 0}, BusReport::Switch, 139, false},
        ReportCase{"report_both_off", {0xB1, 0x0A, 0x00, 0}, BusReport::None, 0, false},
        ReportCase{"report_both_on", {0xB1, 0x0A, 0x30, 0}, BusReport::None, 0, false},
        ReportCase{"report_of_an_input", {0xB1, 0x0A, 0x60, 0}, BusReport::None, 0, false},
        ReportCase{"sensor_even_input", {0xB2, 0x08, 0x50, 0}, BusReport::Sensor, 17, true},
        ReportCase{"sensor_odd_input", {0xB2, 0x08, 0x60, 0}, BusReport::Sensor, 18, false},
        ReportCase{"sensor_last", {0xB2, 0x7F, 0x7F, 0}, BusReport::Sensor, 4096, true},
        ReportCase{"switch_state_request", {0xBC, 0x0B, 0x30, 0}, BusReport::None, 0, false}),
    [](const testing::TestParamInfo<ReportCase>& p) { return std::string(p.param.name); });

LocoNetMessage Request(int address, bool closed) {
    const int n = address - 1;
    return LocoNetMessage{0xB0, static_cast<std::uint8_t>(n & 0x7F),
                          static_cast<std::uint8_t>((n >> 7) | 0x10 | (closed ? 0x20 : 0)), 0};
}

LocoNetMessage Sensor(int address, bool on) {
    const int n = (address - 1) >> 1;
    return LocoNetMessage{0xB2, static_cast<std::uint8_t>(n & 0x7F),
                          static_cast<std::uint8_t>(
                              0x40 | (n >> 7) | ((address - 1) & 1 ? 0x20 : 0) | (on ? 0x10 : 0)),
                          0};
}

// Turnouts 12 (plain), 12 (plain, sharing), 20/21 (three-way), 30 (N when diverging),
// and detector 17.
struct Panel {
    Panel() {
        doc.AddElement(0, 0, ElementType::kTurnout);
        doc.AddElement(1, 0, ElementType::kTurnout);
        doc.AddElement(2, 0, ElementType::kThreeWay);
        doc.AddElement(3, 0, ElementType::kTurnout);
        doc.AddElement(4, 0, ElementType::kDetector);
        Address(0, 0, 12);
        Address(1, 0, 12);
        Address(2, 0, 20);
        Address(2, 1, 21);
        TurnoutData t = *doc.Element(3).turnout;
        t.output[0] = {30, {OutputState::kClosed, OutputState::kNothing, 0, 0}};
        doc.SetTurnout(3, t);
        doc.SetSensor(4, 17);
    }
    void Address(int index, int output, int address) {
        TurnoutData t = *doc.Element(index).turnout;
        t.output[output].address = address;
        doc.SetTurnout(index, t);
    }
    std::string State() const {
        std::string out;
        for (const LayoutElement& e : doc.Elements())
            out += e.turnout ? std::to_string(e.turnout->current) + " "
                             : std::string(e.occupied ? "occupied" : "free");
        return out;
    }
    CVlakomatDoc doc;
    LayoutBus bus{doc};
};

} // namespace

TEST(LayoutBus, TurnoutsAndDetectorsFollowTheBus) {
    Panel p;
    struct Step {
        LocoNetMessage message;
        bool changed;
        const char* state;
    };
    const Step steps[] = {
        {Request(12, false), true, "1 1 0 0 free"}, // both turnouts on 12
        {Request(12, false), false, "1 1 0 0 free"},
        {Request(20, false), true, "1 1 2 0 free"}, // 21 not heard yet: as the position has it
        {Request(21, true), true, "1 1 -1 0 free"}, // 20 T, 21 C: no position
        {Request(21, false), true, "1 1 2 0 free"},
        {Request(20, true), true, "1 1 0 0 free"},
        {Request(21, true), true, "1 1 1 0 free"},
        {Request(30, false), true, "1 1 1 1 free"}, // only the position that leaves 30 alone
        {Request(30, true), false, "1 1 1 1 free"}, // both allow closed: the current one stays
        {Sensor(17, true), true, "1 1 1 1 occupied"},
        {Sensor(18, false), false, "1 1 1 1 occupied"}, // the other input of the pair
        {Sensor(17, false), true, "1 1 1 1 free"},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(p.bus.OnMessage(step.message), step.changed) << step.state;
        EXPECT_EQ(p.State(), step.state);
    }

    // A turnout or detector placed or given an address later shows what the bus said.
    p.bus.OnMessage(Sensor(17, true));
    p.doc.AddElement(5, 0, ElementType::kTurnout);
    p.Address(5, 0, 12);
    p.doc.AddElement(6, 0, ElementType::kDetector);
    p.doc.SetSensor(6, 17);
    EXPECT_FALSE(p.doc.Element(6).occupied);
    EXPECT_TRUE(p.bus.Apply());
    EXPECT_EQ(p.doc.Element(5).turnout->current, 1);
    EXPECT_TRUE(p.doc.Element(6).occupied);
}

TEST(LayoutBus, SynchronisationSendsOneRequestEvery50ms) {
    Panel p;
    p.doc.SetTurnoutPosition(0, 1);
    p.doc.SetTurnoutPosition(2, TurnoutData::kUnknown); // nothing to say for it
    std::vector<std::string> sent;
    const auto send = [&sent](const LocoNetMessage& m) {
        char text[16];
        std::snprintf(text, sizeof text, "%02X %02X", m.bytes[1], m.bytes[2]);
        sent.emplace_back(text);
        return true;
    };
    EXPECT_EQ(p.bus.SyncDue(1000), kNoDeadline);
    EXPECT_EQ(p.bus.StartSync(), 2);
    EXPECT_EQ(p.bus.SyncDue(1000), 0u);
    Tick now = 5000;
    EXPECT_TRUE(p.bus.StepSync(now, send));
    EXPECT_EQ(p.bus.SyncDue(now + 20), 30u);
    EXPECT_FALSE(p.bus.StepSync(now + 49, send));
    now += 50;
    EXPECT_TRUE(p.bus.StepSync(now, send));
    EXPECT_FALSE(p.bus.Syncing());
    EXPECT_EQ(p.bus.SyncDue(now + 200), kNoDeadline);
    // 12 thrown, once for both turnouts on 12 (the second one's closed would move the first
    // when echoed); 30 closed; the three-way turnout's position is unknown.
    EXPECT_EQ(sent, (std::vector<std::string>{"0B 10", "1D 30"}));
}

namespace {

// Each element as drawn: a turnout's position, "?" when unconfirmed and ">n" for the
// position its waiting requests ask for; a detector "free", "occupied" or "?".
std::string Look(const CVlakomatDoc& doc) {
    std::string out;
    for (const LayoutElement& e : doc.Elements()) {
        if (!out.empty())
            out += ' ';
        if (e.turnout) {
            out += std::to_string(e.turnout->current) + (e.confirmed ? "" : "?");
            if (e.turnout->requested != TurnoutData::kNoRequest)
                out += ">" + std::to_string(e.turnout->requested);
        } else {
            out += !e.confirmed ? "?" : e.occupied ? "occupied" : "free";
        }
    }
    return out;
}

} // namespace

TEST(LayoutBus, OwnRequestsWaitForTheBusAndALostLinkForgetsWhatItSaid) {
    Panel p;
    LayoutBus& bus = p.bus;
    struct Step {
        const char* what;
        std::function<void()> act;
        const char* look;
    };
    const Step steps[] = {
        {"a layout just opened: nothing confirmed", [&] { bus.Apply(); }, "0? 0? 0? 0? ?"},
        {"a click on 12 queues thrown: both turnouts on 12 wait",
         [&] { bus.Queued(0, 1, {Request(12, false)}); }, "0?>1 0?>1 0? 0? ?"},
        {"its echo: both move", [&] { bus.OnOutcome(Request(12, false), true); }, "1 1 0? 0? ?"},
        {"a request the link gives up", [&] { bus.Queued(1, 0, {Request(12, true)}); },
         "1>0 1>0 0? 0? ?"},
        {"... leaves the last confirmed position", [&] { bus.OnOutcome(Request(12, true), false); },
         "1 1 0? 0? ?"},
        {"an outcome of another message changes nothing",
         [&] {
             bus.OnOutcome(LocoNetMessage{0xA0, 0x01, 0x20, 0}, true);
         },
         "1 1 0? 0? ?"},
        {"three-way to the right: two requests",
         [&] {
             bus.Queued(2, 2, {Request(20, false), Request(21, false)});
         },
         "1 1 0?>2 0? ?"},
        {"the first on the bus: 21 not yet confirmed",
         [&] { bus.OnOutcome(Request(20, false), true); }, "1 1 2?>2 0? ?"},
        {"the second", [&] { bus.OnOutcome(Request(21, false), true); }, "1 1 2 0? ?"},
        {"a sensor report", [&] { bus.OnMessage(Sensor(17, true)); }, "1 1 2 0? occupied"},
        {"a position that sends nothing to 30 has nothing to confirm",
         [&] {
             p.doc.SetTurnoutPosition(3, 1);
             bus.Apply();
         },
         "1 1 2 1 occupied"},
        {"another station's request while ours waits",
         [&] {
             bus.Queued(0, 0, {Request(12, true)});
             bus.OnMessage(Request(12, false));
         },
         "1>0 1>0 2 1 occupied"},
        {"ours reaches the bus", [&] { bus.OnOutcome(Request(12, true), true); },
         "0 0 2 1 occupied"},
        {"the link is lost: positions kept, nothing confirmed", [&] { bus.LinkLost(); },
         "0? 0? 2? 1 ?"},
        {"a report of 12 from another station", [&] { bus.OnMessage(Request(12, false)); },
         "1 1 2? 1 ?"},
        {"a switch report of 20 alone leaves the three-way unconfirmed",
         [&] {
             bus.OnMessage(LocoNetMessage{0xB1, 0x13, 0x10, 0});
         },
         "1 1 2? 1 ?"},
        {"a sensor report", [&] { bus.OnMessage(Sensor(17, false)); }, "1 1 2? 1 free"},
        {"waiting requests are dropped with a lost link",
         [&] {
             bus.Queued(0, 0, {Request(12, true)});
             bus.LinkLost();
             bus.OnOutcome(Request(12, true), true); // too late to count
         },
         "1? 1? 2? 1 ?"},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(Look(p.doc), step.look) << step.what;
    }
}

namespace {

// What becomes of each request of a synchronisation, in order.
enum class Fate { OnBus, GivenUp, Refused, LinkLost };

struct SyncCase {
    const char* name;
    std::vector<Fate> fates; // the sample panel sends four requests
    int missed;
    const char* look; // after the synchronisation
};

class SyncOutcomes : public testing::TestWithParam<SyncCase> {};

} // namespace

TEST_P(SyncOutcomes, CountWhatDidNotReachTheBus) {
    const SyncCase& c = GetParam();
    Panel p;
    p.bus.Apply();
    ASSERT_EQ(p.bus.StartSync(), 4);
    Tick now = 1000;
    for (Fate fate : c.fates) {
        if (fate == Fate::LinkLost) {
            p.bus.LinkLost();
            break;
        }
        LocoNetMessage sent;
        ASSERT_EQ(p.bus.StepSync(now,
                                 [&](const LocoNetMessage& m) {
                                     sent = m;
                                     return fate != Fate::Refused;
                                 }),
                  fate != Fate::Refused);
        now += LayoutBus::kSyncIntervalMs;
        // Not over while a request is on its way.
        if (fate != Fate::Refused) {
            EXPECT_FALSE(p.bus.TakeSyncEnd());
            p.bus.OnOutcome(sent, fate == Fate::OnBus);
        }
    }
    const std::optional<LayoutBus::SyncEnd> end = p.bus.TakeSyncEnd();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->requests, 4);
    EXPECT_EQ(end->missed, c.missed);
    EXPECT_FALSE(p.bus.TakeSyncEnd()); // told once
    EXPECT_EQ(Look(p.doc), c.look);
}

INSTANTIATE_TEST_SUITE_P(
    Synchronisation, SyncOutcomes,
    testing::Values(
        SyncCase{
            "all_on_the_bus", {Fate::OnBus, Fate::OnBus, Fate::OnBus, Fate::OnBus}, 0, "0 0 0 0 ?"},
        SyncCase{"one_given_up",
                 {Fate::OnBus, Fate::GivenUp, Fate::OnBus, Fate::OnBus},
                 1,
                 "0 0 0? 0 ?"},
        SyncCase{"one_refused_by_a_full_queue",
                 {Fate::OnBus, Fate::OnBus, Fate::OnBus, Fate::Refused},
                 1,
                 "0 0 0 0? ?"},
        SyncCase{"link_lost_after_the_first", {Fate::OnBus, Fate::LinkLost}, 3, "0? 0? 0? 0? ?"}),
    [](const testing::TestParamInfo<SyncCase>& p) { return std::string(p.param.name); });
