// The realistic throttle's function keys and sound level against the simulated command
// station: keys straight through or through the function map, the train's own functions,
// the F9 to F12 memories, and the sound decoder's level.

#include "core/roster/Sequence.h"
#include "support/RealisticBench.h"

namespace {

constexpr std::uint8_t kSpd = 0xA0, kDirf = 0xA1, kSnd = 0xA2, kStat1 = 0xB5;

TEST_F(RealisticTest, KeysGoStraightToBothDecodersAndTheSoundLevelIsItsSpeed) {
    Record().SoundDecoder = 2; // separate decoder, level set as its speed
    Record().SoundAddr = 5;
    Record().SoundSpeedTable = {0, 14, 28, 42, 56, 70, 84, 98, 112, 126};
    Acquire();
    const int loco = 1, sound = 2, brake = 4;
    ASSERT_EQ(throttle().iSoundSlot, sound);
    EXPECT_EQ(throttle().EngineKey(), -1); // not advanced: no engine function
    // Power step 0: level 0 + LevelOffset 1, table value 14, one more on the wire.
    EXPECT_EQ(SentValues(kSpd, sound).back(), 15);
    throttle().OnPowerSliderReleased(5); // step 3: level 4
    Run(20);
    EXPECT_EQ(SentValues(kSpd, sound).back(), 57);

    HandHeld(1, "f 3 on");
    for (int slot : {loco, sound, brake})
        EXPECT_EQ(session->link.Slot(slot).DIRF & 0x04, 0x04) << slot;
    EXPECT_TRUE(throttle().ButtonState(3));
}

TEST_F(RealisticTest, EngineOffStopsTheTrainAndLocksTheHandlesMapDrivesTheDecoder) {
    Record().Advanced = 1;
    Record().SoundDecoder = 1;
    Record().FuncUp = 5;
    Record().FuncDown = 6;
    Record().FuncFlags[1] = kFuncActive;                                     // lights on key F0 ...
    ParseSequenceText("M4+", kSequenceOn, Record().FuncSequences[1], false); // ... as F4
    Record().FuncFlags[2] = kFuncActive | kFuncInitialOn; // the engine, on key F1
    Acquire();
    EXPECT_EQ(throttle().EngineKey(), 1);
    EXPECT_EQ(throttle().StatusPicture(), EnginePicture::Running);
    EXPECT_TRUE(throttle().Controls().handles);

    HandHeld(1, "f 0 on");
    EXPECT_EQ(session->link.Slot(1).DIRF & 0x1F, 0x08); // F4 only, not F0

    throttle().OnPowerSliderReleased(4);
    HandHeld(1, "f 1 off");
    EXPECT_TRUE(throttle().Locked());
    EXPECT_EQ(throttle().StatusPicture(), EnginePicture::Stopped);
    EXPECT_FALSE(throttle().Controls().handles);
    EXPECT_EQ(model().iPowerStep, 0);
    EXPECT_EQ(throttle().Sound().Desired(), 0);
    EXPECT_TRUE(model().bSpeedHold);
    HandHeld(1, "speed 6"); // the knob is put back to 0
    EXPECT_EQ(model().iPowerStep, 0);
    EXPECT_EQ(session->link.Slot(2).SPD, 0);

    HandHeld(1, "f 1 on");
    EXPECT_FALSE(throttle().Locked());
    EXPECT_TRUE(throttle().Controls().handles);
    EXPECT_EQ(throttle().Sound().Desired(), 1);
}

TEST_F(RealisticTest, FirstF9ToF12PacketOnlyBeepsTwiceTheNextToggles) {
    Acquire();
    HandHeld(1, "f 12 on");
    EXPECT_FALSE(throttle().ButtonState(12));
    Run(300);
    using Tones = std::vector<std::pair<int, int>>;
    EXPECT_EQ(beeper.tones, Tones({{1000, 100}, {1000, 100}}));
    HandHeld(1, "f 12 off"); // the bit changed: the key toggles
    EXPECT_TRUE(throttle().ButtonState(12));
    HandHeld(1, "f 12 on");
    EXPECT_FALSE(throttle().ButtonState(12));
    EXPECT_EQ(beeper.tones.size(), 2u);
}

TEST_F(RealisticTest, CarsKeyStepsThroughTheListAndBeepsWhenItWraps) {
    Acquire();
    const struct {
        unsigned cars;
        std::size_t tones;
    } steps[] = {{5, 0}, {10, 0}, {20, 0}, {0, 1}, {5, 1}};
    bool on = false;
    for (const auto& s : steps) {
        on = !on;
        throttle().FunctionStateChanged(9, on); // each press of the window's F9
        EXPECT_EQ(model().iCars, s.cars);
        EXPECT_EQ(throttle().CarsText(), std::to_string(s.cars));
        EXPECT_EQ(beeper.tones.size(), s.tones);
    }
    EXPECT_EQ(beeper.tones.back(), std::make_pair(500, 100));
    // The brake type key switches to the locomotive brake with a beep.
    throttle().FunctionStateChanged(11, true);
    EXPECT_EQ(model().iBrakeType, kLocoBrake);
    EXPECT_EQ(beeper.tones.size(), 2u);
}

TEST_F(RealisticTest, SoundLevelStepsUpWithKeyPulsesMoreThan200MsApart) {
    Record().SoundDecoder = 1; // MaxLevel 7, LevelOffset 1, StartLevel 2
    Record().FuncUp = 5;       // F5: SND 0x01
    Record().FuncDown = 6;     // F6: SND 0x02
    Start();
    throttle().OnAcquireRelease("1", "2");
    Run(100);
    ASSERT_TRUE(throttle().Running());
    EXPECT_EQ(throttle().Sound().Actual(), 2);
    throttle().OnPowerSliderReleased(5); // step 3: level 4
    EXPECT_EQ(throttle().Sound().Desired(), 4);
    Run(3000);
    // Both keys released first, then up on, up off, up on, up off.
    const std::vector<int> snd = SentValues(kSnd, 1);
    EXPECT_EQ(snd, std::vector<int>({0, 0, 1, 0, 1, 0}));
    const std::vector<Tick> times = SentTimes(kSnd, 1);
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GT(times[i] - times[i - 1], 200u) << i;
    EXPECT_EQ(throttle().Sound().Actual(), 4);

    // The volume keys belong to the stepping: the window's F5 does not reach the decoder.
    sent.clear();
    throttle().FunctionStateChanged(5, true);
    Run(100);
    EXPECT_TRUE(SentValues(kSnd, 1).empty());
    EXPECT_TRUE(SentValues(kDirf, 1).empty());
}

// Letting the locomotive go, by "Sprosti" or by closing the window, while the sound level
// steps: whenever the slot goes back, a volume key held then is let go first, so the
// decoder's function does not stay on.
TEST_F(RealisticTest, HeldVolumeKeyIsLetGoBeforeTheSlotGoesBack) {
    Record().SoundDecoder = 1;
    Record().FuncUp = 5;   // F5: SND 0x01
    Record().FuncDown = 6; // F6: SND 0x02
    // Its level unknown after a reset: it steps down to 0 first, for seconds.
    data.decoders.rows[1].StartLevel = -1;
    for (const bool close : {false, true})
        for (std::uint32_t offset = 0; offset < 400; offset += 40) {
            SCOPED_TRACE(testing::Message() << (close ? "closed " : "Sprosti ") << offset);
            sent.clear();
            Start();
            Acquire();
            Run(offset);
            if (close)
                throttle().CloseThrottle();
            else
                throttle().OnAcquireRelease("1", "2");
            Run(2000);
            ASSERT_FALSE(throttle().Acquired());
            std::size_t lastKey = 0, released = 0;
            for (std::size_t i = 0; i < sent.size(); ++i) {
                const std::vector<std::uint8_t>& b = sent[i].bytes;
                if (b.size() == 3 && b[1] == 1 && b[0] == kSnd)
                    lastKey = i;
                if (b.size() == 3 && b[1] == 1 && b[0] == kStat1 && released == 0)
                    released = i;
            }
            EXPECT_EQ(sent[lastKey].bytes[2] & 0x03, 0);
            EXPECT_LT(lastKey, released);
        }
}

} // namespace
