// The realistic throttle's control cycle against the simulated command station: acquiring
// and releasing its slots, the handles from the hand-helds and the window, the emergency
// stop and the brake types.

#include "core/loconet/Loconet.h"
#include "support/RealisticBench.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace {

constexpr int kLoco = 1, kPower = 2, kBrake = 3; // slots of a fresh station
constexpr std::uint8_t kSpd = 0xA0, kDirf = 0xA1, kStat1 = 0xB5;

TEST_F(RealisticTest, AcquiresFourAddressesDrivesAndReleasesInStages) {
    Start();
    EXPECT_STREQ(throttle().Controls().caption, "Uporabi");
    throttle().OnAcquireRelease("1", "2");
    EXPECT_FALSE(throttle().Controls().acquireButton); // while the selections run
    EXPECT_FALSE(throttle().Controls().locoChoice);
    Run(300);
    ASSERT_TRUE(throttle().Running());
    EXPECT_EQ(std::vector<int>({throttle().iSlot, throttle().iSoundSlot, throttle().iPowerSlot,
                                throttle().iBrakeSlot}),
              std::vector<int>({kLoco, kNoSlot, kPower, kBrake}));
    for (int slot : {kLoco, kPower, kBrake})
        EXPECT_NE(SlotState(slot).find("in use"), std::string::npos) << slot;
    EXPECT_STREQ(throttle().Controls().caption, "Sprosti");
    EXPECT_TRUE(throttle().Controls().handles);
    EXPECT_EQ(view.redrawn, RealisticRedraw::kAll);
    // Driving starts from the emergency preset: the locomotive stopped, the train brake on,
    // the hand-helds told so (the brake at 63 psi).
    EXPECT_EQ(SentValues(kSpd, kLoco), std::vector<int>({0, 1}));
    EXPECT_EQ(SentValues(kSpd, kBrake), std::vector<int>({CLoconet::PercentToSpeed(63)}));

    // At rest with the brakes on only the keep-alive waits; a train under way wants steps.
    Run(1000);
    EXPECT_GT(throttle().NextIdleDue(session->clock.now), 55000u);
    EXPECT_LE(throttle().NextIdleDue(session->clock.now), 60000u);

    // Power notch 5 from the hand-held; release the brakes by raising the brake handle.
    HandHeld(1, "speed 8");
    HandHeld(2, "speed 127");
    EXPECT_EQ(model().iBrakeHandle, 90);
    view.redrawn = 0;
    Run(30000);
    EXPECT_GT(model().iSpeedStep, 0);
    // The next step that shows or sends something, at most a second ahead.
    EXPECT_LE(throttle().NextIdleDue(session->clock.now), 1000u);
    EXPECT_NE(view.redrawn & RealisticRedraw::kSpeed, 0u);
    EXPECT_NE(view.redrawn & kAmmeterDigits, 0u);

    // "Sprosti": no emergency stop, speed 0 at once; the slots released more than 500 ms
    // later, the hand-helds' as they stand.
    sent.clear();
    const Tick start = session->clock.now;
    throttle().OnAcquireRelease("", "");
    EXPECT_FALSE(throttle().Controls().acquireButton);
    Run(3000);
    EXPECT_EQ(SentValues(kSpd, kLoco), std::vector<int>({0}));
    const std::vector<Tick> stops = SentTimes(kSpd, kLoco);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_LE(stops[0] - start, 5u);
    for (int slot : {kPower, kBrake})
        EXPECT_TRUE(SentValues(kSpd, slot).empty()) << slot;
    for (int slot : {kLoco, kPower, kBrake}) {
        const std::vector<Tick> release = SentTimes(kStat1, slot);
        ASSERT_EQ(release.size(), 1u) << slot;
        EXPECT_GT(release[0] - stops[0], 500u);
        EXPECT_NE(SlotState(slot).find("common"), std::string::npos) << SlotState(slot);
    }
    EXPECT_FALSE(throttle().bActive);
    EXPECT_STREQ(throttle().Controls().caption, "Uporabi");
    EXPECT_TRUE(throttle().Controls().locoChoice);
    EXPECT_EQ(view.closes, 0);
}

TEST_F(RealisticTest, PowerKnobSnapsToNotchesAndIsShownTheNotch) {
    struct Case {
        int mode;    // "Power Throttle Mode"
        int from;    // power step before
        int wire;    // the hand-held's speed byte
        int step;    // power step after
        int shownTo; // the speed byte sent back
    } cases[] = {
        {1, 8, 5, 3, 4},                      // value 4 from above: notch 3 (table value 3)
        {1, 0, 5, 4, 6},                      // value 4 from below: notch 4 (table value 5)
        {1, 0, 127, 8, 11},                   // beyond the table: notch 8 (table value 10)
        {1, 3, 0, 0, 0},    {0, 0, 20, 8, 9}, // direct: value 19, at most step 8
        {0, 0, 4, 3, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.from << " " << c.wire);
        settings.settings.PowerThrottleMode = c.mode;
        session.reset();
        Acquire();
        throttle().OnPowerSliderReleased(RealisticThrottle::kMaxPowerStep - c.from);
        Run(50);
        HandHeld(1, "speed " + std::to_string(c.wire));
        EXPECT_EQ(model().iPowerStep, c.step);
        EXPECT_EQ(throttle().PowerSliderPosition(), 8 - c.step);
        EXPECT_EQ(session->link.Slot(kPower).SPD, c.shownTo);
    }
}

TEST_F(RealisticTest, TrainBrakeHoldsWithinToleranceAndReleasesFullyAbove) {
    Acquire();
    // Speed bytes of the hand-held's knob and the psi they read as.
    auto brakeTo = [&](int wire, int psi) {
        HandHeld(2, "speed " + std::to_string(wire));
        Run(20);
        ASSERT_EQ(CLoconet::SpeedToPercent(wire), psi);
    };
    brakeTo(127, 99); // above 63 + 1: a full release
    EXPECT_EQ(model().iBrakeHandle, 90);
    brakeTo(90, 70);
    EXPECT_EQ(model().iBrakePipeTarget, 70);
    brakeTo(92, 71); // within the tolerance of the lowest point
    EXPECT_EQ(model().iBrakePipeTarget, 71);
    EXPECT_EQ(throttle().LowestBrakeHandle(), 70);
    sent.clear();
    brakeTo(93, 72); // beyond it: the handle, the slider and the hand-held jump to 90 psi
    EXPECT_EQ(model().iBrakeHandle, 90);
    EXPECT_EQ(throttle().BrakeSliderPosition(), 9);
    EXPECT_EQ(session->link.Slot(kBrake).SPD, CLoconet::PercentToSpeed(90));
    EXPECT_EQ(SentValues(kSpd, kBrake).back(), CLoconet::PercentToSpeed(90));
    Run(100);
    EXPECT_EQ(model().iBrakePipeTarget, 90);
}

TEST_F(RealisticTest, LocomotiveBrakeStopsAtSevenAndReadsSeventyPsi) {
    Record().InitialBrakeType = kLocoBrake;
    Acquire();
    HandHeld(2, "speed 13"); // table value 12: level 10 asked for
    EXPECT_EQ(model().iBrakeHandle, 7);
    EXPECT_EQ(model().CurrentGauges().Brake, 70);
    EXPECT_EQ(session->link.Slot(kBrake).SPD, 9); // table value of level 7, plus one
    throttle().OnBrakeSliderReleased(0);          // the slider's top is level 10
    EXPECT_EQ(model().iBrakeHandle, 7);
    EXPECT_EQ(throttle().BrakeSliderPosition(), 3);
}

TEST_F(RealisticTest, RaisedPowerWaitsForThePowerDelayALoweredOneDoesNot) {
    Record().PowerDelay = 3000;
    settings.DebugMode = 1;
    std::vector<std::string> lines;
    Start();
    session->link.SetMonitorSink([&](const std::string& line) { lines.push_back(line); });
    Acquire();
    throttle().OnPowerSliderReleased(5); // step 3
    Run(2950);
    EXPECT_EQ(model().iAppliedPowerStep, 0);
    Run(100);
    EXPECT_EQ(model().iAppliedPowerStep, 3);
    throttle().OnPowerSliderReleased(7); // step 1
    Run(10);
    EXPECT_EQ(model().iAppliedPowerStep, 1);
    auto has = [&](const std::string& l) {
        return std::find(lines.begin(), lines.end(), l) != lines.end();
    };
    EXPECT_TRUE(has("Power Step changed to 3 (Applied = 0)"));
    EXPECT_TRUE(has("Power Step applied to 3"));
    EXPECT_TRUE(has("Power Step applied to 1"));
}

TEST_F(RealisticTest, EmergencyFromAHandHeldHoldsTheTrainOnAGradeUntilAHandleMoves) {
    Acquire();
    ASSERT_TRUE(throttle().OnGradeEntered("3"));
    HandHeld(2, "speed 127");
    Run(5000);
    ASSERT_LT(model().dSpeed, -0.5); // rolling back down the grade
    HandHeld(2, "stop");
    EXPECT_EQ(session->link.Slot(kLoco).SPD, 1);
    EXPECT_EQ(model().iBrakePipeTarget, 0); // a throttle's emergency vents the pipe
    EXPECT_EQ(model().iBrakeHandle, 0);
    Run(20000);
    EXPECT_EQ(model().dSpeed, 0.0);
    EXPECT_EQ(model().iBrakePipeTarget, 0);
    EXPECT_EQ(session->link.Slot(kLoco).SPD, 0); // the follow-up
    HandHeld(1, "speed 2");
    Run(1000);
    EXPECT_NE(model().dSpeed, 0.0);
}

TEST_F(RealisticTest, RightDirectionOfTheBrakeHandHeldChoosesTheBrakeType) {
    for (int useRight : {0, 1}) {
        SCOPED_TRACE(useRight);
        settings.settings.UseRightDirForBrakeType = useRight;
        session.reset();
        Acquire();
        HandHeld(2, "forward");
        EXPECT_EQ(model().iBrakeType, useRight ? kLocoBrake : kTrainBrake);
        HandHeld(2, "backward");
        EXPECT_EQ(model().iBrakeType, kTrainBrake);
        // Writing the brake hand-held's functions sets its direction to match the type.
        throttle().FunctionStateChanged(0, true);
        Run(20);
        const bool forward = (session->link.Slot(kBrake).DIRF & 0x20) == 0;
        EXPECT_EQ(forward, useRight == 0);
    }
}

TEST_F(RealisticTest, FailedSelectionLeavesNoSlotHeld) {
    Start();
    ASSERT_EQ(Cs("consist 2 on"), "OK"); // the brake address: the last of the chain
    throttle().OnAcquireRelease("1", "2");
    Run(300);
    EXPECT_EQ(prompts.texts.size(), 1u);
    EXPECT_FALSE(throttle().Acquired());
    EXPECT_EQ(throttle().iSlot, kNoSlot);
    EXPECT_EQ(throttle().iPowerSlot, kNoSlot);
    // The consist took slot 1: the locomotive and the power hand-held had 2 and 3.
    for (int slot : {2, 3}) {
        EXPECT_EQ(SentTimes(kStat1, slot).size(), 1u) << slot;
        EXPECT_NE(SlotState(slot).find("common"), std::string::npos) << SlotState(slot);
    }
    EXPECT_TRUE(throttle().Controls().acquireButton);

    // Refused at once: an address no decoder can have.
    Record().MotorAddr = 10000;
    throttle().OnLocoChosen(0);
    throttle().OnAcquireRelease("1", "2");
    EXPECT_FALSE(throttle().Acquired());
    EXPECT_TRUE(throttle().Controls().acquireButton);

    // One address for two handles is refused before anything is selected.
    prompts.texts.clear();
    throttle().OnAcquireRelease("4", "4");
    EXPECT_EQ(prompts.texts.size(), 1u);
    EXPECT_FALSE(session->link.IsSelectionPending());
}

// The station stops answering once the locomotive is taken: the power hand-held's selection
// ends after 5 s, the locomotive's slot goes back, and acquiring works again afterwards.
// A window closed meanwhile gives the slot back itself, as its destruction does.
TEST_F(RealisticTest, UnansweredSelectionGivesBackWhatWasTaken) {
    for (bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "window closed while waiting" : "window open");
        session.reset();
        Start();
        prompts.texts.clear();
        sent.clear();
        throttle().OnAcquireRelease("1", "2");
        for (int i = 0; i < 100 && throttle().iSlot == kNoSlot; ++i)
            Run(5);
        ASSERT_EQ(throttle().iSlot, kLoco);
        ASSERT_EQ(Cs("fault delay 8000"), "OK"); // the power address's request goes unanswered
        Run(100);
        if (closed) {
            throttle().CloseThrottle();
            ASSERT_EQ(view.closes, 1);
            throttle().ReleaseAll();
            session->link.RemoveThrottle(DriveSession::kRegistryIndex);
        }
        Run(4850);
        EXPECT_TRUE(session->link.IsSelectionPending());
        Run(100);
        EXPECT_FALSE(session->link.IsSelectionPending());
        EXPECT_EQ(SentTimes(kStat1, kLoco).size(), 1u);
        EXPECT_EQ(prompts.texts,
                  closed ? std::vector<std::string>{}
                         : std::vector<std::string>{"Napaka! Centrala ni odgovorila na izbiro "
                                                    "naslova 1. Preverite če je centrala "
                                                    "vklopljena in povezana."});
        EXPECT_EQ(throttle().iSlot, kNoSlot);
        EXPECT_STREQ(throttle().Controls().caption, "Uporabi");
        EXPECT_TRUE(throttle().Controls().acquireButton);
        EXPECT_TRUE(throttle().Controls().locoChoice);

        Run(4000); // the late answers pass by
        ASSERT_EQ(Cs("fault delay 0"), "OK");
        if (closed)
            session->link.RegisterThrottle(DriveSession::kRegistryIndex, &throttle());
        Acquire();
        view.closes = 0;
    }
}

TEST_F(RealisticTest, AfterTheLinkIsLostTheThrottleReleasesAndClosesAtOnce) {
    Acquire();
    session->link.Close();
    sent.clear();
    throttle().CloseThrottle();
    EXPECT_FALSE(throttle().Acquired());
    EXPECT_EQ(view.closes, 1);
    Run(1000);
    EXPECT_TRUE(sent.empty());
}

TEST_F(RealisticTest, AbsurdLocomotiveAndEveryKnobPositionStayInRange) {
    Record().Weight = 0;
    Record().Power = 1e300;
    Record().Axels = -5;
    Record().PowerDelay = -1;
    Acquire();
    for (int b = 0; b < 128; ++b) {
        HandHeld(1, "speed " + std::to_string(b));
        HandHeld(2, "speed " + std::to_string(b));
        Run(20);
        ASSERT_FALSE(std::isnan(model().dSpeed)) << b;
        ASSERT_GE(model().iPowerStep, 0);
        ASSERT_LE(model().iPowerStep, 8);
        ASSERT_GE(model().iBrakeHandle, 0);
        ASSERT_LE(model().iBrakeHandle, 90);
        ASSERT_LE(model().iSpeedStep, 126);
    }
    for (int wire : SentValues(kSpd, kLoco))
        EXPECT_LE(wire, 127);
}

TEST_F(RealisticTest, FieldsThatAreNoNumberInRangeSayWhyAndKeepTheValueInUse) {
    Start();
    using Handler = bool (RealisticThrottle::*)(const std::string&);
    const struct {
        Handler handler;
        const char* text;
        const char* message; // empty: taken
        RealisticField focus;
    } cases[] = {
        {&RealisticThrottle::OnCarsEntered, "7", "", RealisticField::Grade},
        {&RealisticThrottle::OnCarsEntered, "2.5", "Vnesite celo število.", RealisticField::Cars},
        {&RealisticThrottle::OnCarsEntered, "1001", "Vnesite celo število med 0 in 1000.",
         RealisticField::Cars},
        {&RealisticThrottle::OnCarsEntered, "x", "Vnesite celo število.", RealisticField::Cars},
        {&RealisticThrottle::OnLoadEntered, " 33.5 ", "", RealisticField::Grade},
        // As in every number field of the program: a decimal comma is the point, never 33.
        {&RealisticThrottle::OnLoadEntered, "33,5", "", RealisticField::Grade},
        {&RealisticThrottle::OnLoadEntered, "33,5,1", "Vnesite število.", RealisticField::Load},
        {&RealisticThrottle::OnLoadEntered, "101", "Vnesite število med 0 in 100.",
         RealisticField::Load},
        {&RealisticThrottle::OnGradeEntered, "-2.5", "", RealisticField::Grade},
        {&RealisticThrottle::OnGradeEntered, "1e400", "Vnesite število.", RealisticField::Grade},
        {&RealisticThrottle::OnGradeEntered, "", "Vnesite število.", RealisticField::Grade},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        prompts.texts.clear();
        view.focus = RealisticField::Grade;
        const std::string before =
            throttle().CarsText() + throttle().LoadText() + throttle().GradeText();
        const bool taken = (throttle().*c.handler)(c.text);
        EXPECT_EQ(taken, *c.message == '\0');
        EXPECT_EQ(prompts.texts,
                  taken ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        EXPECT_EQ(view.focus, c.focus);
        const std::string after =
            throttle().CarsText() + throttle().LoadText() + throttle().GradeText();
        EXPECT_TRUE(taken || after == before) << after;
    }
    EXPECT_EQ(model().iCars, 7u);
    EXPECT_EQ(throttle().CarsList().selected, -1); // no entry of the list
    EXPECT_EQ(model().dLoadPercent, 33.5);
    EXPECT_EQ(model().dGradePercent, -2.5);

    // The addresses are read when "Uporabi" is pressed.
    prompts.texts.clear();
    throttle().OnAcquireRelease("1", "9984");
    EXPECT_EQ(prompts.texts, std::vector<std::string>{"Vnesite celo število med 0 in 9983."});
    EXPECT_EQ(view.focus, RealisticField::BrakeAddress);
    EXPECT_FALSE(session->link.IsSelectionPending());
}

} // namespace

TEST_F(RealisticTest, AnotherTrainIsOfferedHandHeldsNobodyElseUses) {
    Start();
    ASSERT_EQ(throttle().PowerAddress(), 1);
    // 3 and 4 are passed over: 3 is a locomotive's own address.
    std::vector<int> offered;
    std::vector<std::unique_ptr<RealisticThrottle>> others;
    for (int index : {0, 1}) {
        others.push_back(std::make_unique<RealisticThrottle>(session->link, session->clock, beeper,
                                                             prompts, settings, data));
        offered.insert(offered.end(),
                       {others.back()->PowerAddress(), others.back()->BrakeAddress()});
        ASSERT_TRUE(session->link.RegisterThrottle(index, others.back().get()));
    }
    EXPECT_EQ(offered, (std::vector<int>{5, 6, 7, 8}));
    for (int index : {0, 1})
        session->link.RemoveThrottle(index);
}

namespace {

// Every timed rule is in the deadlines the throttle reports: stepped only when they say, on
// a clock that moves at every reading, the locomotive gets its speed once the motor's power
// delay is over, and the speedometer comes down to 0 after a stop.
TEST_F(RealisticTest, DeadlinesHoldEveryTimedRule) {
    Record().PowerDelay = 3000;
    Acquire();
    session->clock.jitterMs = 3;
    HandHeld(2, "speed 127"); // the brakes release
    session->AdvanceByDeadlines(10000);
    sent.clear();
    const Tick raised = session->clock.now;
    HandHeld(1, "speed 8");
    session->AdvanceByDeadlines(20000);
    const std::vector<int> values = SentValues(kSpd, kLoco);
    const std::vector<Tick> times = SentTimes(kSpd, kLoco);
    const auto moving = std::find_if(values.begin(), values.end(), [](int v) { return v > 1; });
    ASSERT_NE(moving, values.end());
    const Tick first = times[static_cast<std::size_t>(moving - values.begin())];
    EXPECT_GT(first - raised, 3000u);
    EXPECT_LE(first - raised, 4000u);

    HandHeld(1, "speed 0");
    HandHeld(2, "speed 0");
    session->AdvanceByDeadlines(40000);
    EXPECT_EQ(SentValues(kSpd, kLoco).back(), 0);
    EXPECT_EQ(model().dShownMph, 0.0);
}

// A train under way still steps every 10 ms, but the program wakes only for the steps that
// show or send something; the others run when it wakes. Driven with inputs that land between
// two wake-ups, it gives the same bus traffic, the same redraws at the same times and the
// same train as a program stepped every millisecond.
class WakeTest : public RealisticTest {
protected:
    struct Run {
        std::vector<BusMessage> sent;
        std::vector<std::pair<Tick, unsigned>> redraws;
        double speed, pipe, cylinder;
        std::vector<Tick> wakes;
    };
    class TimedView : public RecordingView {
    public:
        explicit TimedView(const Tick& now) : now_(now) {}
        void Redraw(unsigned regions) override { log.emplace_back(now_, regions); }
        std::vector<std::pair<Tick, unsigned>> log;

    private:
        const Tick& now_;
    };

    Run Drive(bool byDeadlines) {
        sent.clear();
        Start();
        TimedView timed(session->clock.now);
        throttle().SetView(&timed);
        Run run;
        const auto advanceTo = [&](Tick at) {
            // The input comes while the program sleeps: it is not woken first.
            for (;;) {
                const std::uint32_t due = byDeadlines ? session->link.NextStepDue() : 1;
                const Tick wake = session->clock.now + (due == 0 ? 1 : due);
                if (wake > at || wake < session->clock.now)
                    break;
                session->clock.now = wake;
                session->Step();
                run.wakes.push_back(wake);
            }
            session->clock.now = at;
        };
        const auto station = [&](const char* command) {
            return [this, command] { EXPECT_EQ(Cs(command).rfind("OK", 0), 0u) << command; };
        };
        const std::pair<Tick, std::function<void()>> inputs[] = {
            {1, [&] { throttle().OnAcquireRelease("1", "2"); }},
            // Before the train has settled at rest, so that the steps keep one rhythm.
            {11, station("throttle 2 speed 127")}, // the brakes release
            {12, station("throttle 1 speed 6")},
            {9003, [&] { EXPECT_TRUE(throttle().OnGradeEntered("1.5")); }},
            {15007, [&] { EXPECT_TRUE(throttle().OnCarsEntered("20")); }},
            {22011, station("throttle 1 speed 0")},
            {25013, [&] { throttle().OnBrakeSliderReleased(40); }},
            {40000, [] {}},
        };
        for (const auto& [at, input] : inputs) {
            advanceTo(at);
            input();
            session->Step(); // as the port's bytes or the window's event wake the program
        }
        run.sent = sent;
        run.redraws = timed.log;
        run.speed = model().dSpeed;
        run.pipe = model().dBrakePipe;
        run.cylinder = model().dBrakeCylinder;
        throttle().SetView(&view);
        return run;
    }
};

TEST_F(WakeTest, SleepingThroughQuietStepsChangesNothingTheOperatorSees) {
    const Run every = Drive(false);
    const Run sleeping = Drive(true);
    ASSERT_GT(every.sent.size(), 20u);
    ASSERT_EQ(every.sent.size(), sleeping.sent.size());
    for (std::size_t i = 0; i < every.sent.size(); ++i) {
        EXPECT_EQ(every.sent[i].bytes, sleeping.sent[i].bytes) << i;
        EXPECT_EQ(every.sent[i].ms, sleeping.sent[i].ms) << i;
    }
    EXPECT_EQ(every.redraws, sleeping.redraws);
    EXPECT_EQ(every.speed, sleeping.speed);
    EXPECT_EQ(every.pipe, sleeping.pipe);
    EXPECT_EQ(every.cylinder, sleeping.cylinder);
    // Under way at notch 6 (from 3 s to 20 s): 1,700 physics steps, at most one in ten wakes
    // the program.
    const auto driving = std::count_if(sleeping.wakes.begin(), sleeping.wakes.end(),
                                       [](Tick t) { return t >= 3000 && t < 20000; });
    EXPECT_LT(driving, 170);
}

// A train standing still sleeps until its keep-alive; a grade entered in the window wakes it,
// and it starts to roll at once rather than at the next keep-alive.
TEST_F(RealisticTest, ATrainAtRestRollsAsSoonAsAGradeIsEntered) {
    Acquire();
    HandHeld(2, "speed 127"); // the brakes release, and the train may move
    session->AdvanceByDeadlines(30000);
    ASSERT_GT(throttle().NextIdleDue(session->clock.now), 10000u); // asleep
    ASSERT_TRUE(throttle().OnGradeEntered("2"));
    session->AdvanceByDeadlines(3000);
    EXPECT_LT(model().dSpeed, -0.5);
}

// Without a look-ahead (right after an input) the next step is due 10 ms after the last.
TEST_F(RealisticTest, PhysicsIsDueTenMillisecondsAfterTheLastStep) {
    Acquire();
    const struct {
        std::uint32_t sinceStep, due;
    } cases[] = {{0, 10}, {4, 6}, {9, 1}, {10, 0}, {250, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(model().PhysicsDue(model().tLastPhysics + c.sinceStep), c.due) << c.sinceStep;
    }
}

// The drive scenarios give the same bus traffic whether the throttle is stepped every 5 ms
// or only by the deadlines it reports on a clock that jitters.
class StepModeTest : public RealisticTest {
protected:
    std::vector<BusMessage> Drive(bool byDeadlines) {
        sent.clear();
        Start();
        // Each command at the same time of the clock in both runs, however far a step ran.
        const auto advanceTo = [&](Tick at) {
            const std::uint32_t ms = TicksSince(at, session->clock.now);
            if (byDeadlines)
                session->AdvanceByDeadlines(ms);
            else
                Run(ms);
        };
        throttle().OnAcquireRelease("1", "2");
        advanceTo(300);
        session->clock.jitterMs = byDeadlines ? 3 : 0;
        for (const auto& [command, at] :
             std::vector<std::pair<std::string, Tick>>{{"throttle 2 speed 127", 2300},
                                                       {"throttle 1 speed 8", 22300},
                                                       {"throttle 1 speed 0", 22400},
                                                       {"throttle 2 speed 0", 52400}}) {
            EXPECT_EQ(Cs(command).rfind("OK", 0), 0u);
            advanceTo(at);
        }
        throttle().OnAcquireRelease("", "");
        advanceTo(55400);
        return sent;
    }
};

// The locomotive's speed commands keep their 500 ms cadence on either clock, so they follow
// the same curve; every other message is the same one at about the same time.
TEST_F(StepModeTest, SameTrafficSteppedEvery5MsAndByDeadlines) {
    Record().PowerDelay = 1000;
    const std::vector<BusMessage> runs[] = {Drive(false), Drive(true)};
    std::vector<BusMessage> others[2], speeds[2];
    for (int r = 0; r < 2; ++r)
        for (const BusMessage& m : runs[r])
            (m.bytes[0] == kSpd && m.bytes[1] == kLoco ? speeds : others)[r].push_back(m);
    ASSERT_EQ(others[0].size(), others[1].size());
    for (std::size_t i = 0; i < others[0].size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(others[0][i].bytes, others[1][i].bytes);
        EXPECT_NEAR(others[0][i].ms, others[1][i].ms, 150);
    }
    const auto speedAt = [](const std::vector<BusMessage>& run, Tick t) {
        int speed = -1;
        for (const BusMessage& m : run)
            if (m.ms <= t)
                speed = m.bytes[2];
        return speed;
    };
    EXPECT_GT(speedAt(speeds[0], 22300), 60); // it got going
    for (Tick t = 0; t < 56000; t += 100)
        EXPECT_NEAR(speedAt(speeds[0], t), speedAt(speeds[1], t), 8) << t;
}

} // namespace
