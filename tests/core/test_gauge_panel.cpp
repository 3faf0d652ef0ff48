// The realistic throttle's gauges as a picture: the texts of the values, the bars with their
// red bands, the marks, the grey of a throttle that is not running, and the redraw regions.

#include "core/settings/Settings.h"
#include "core/throttles/GaugePanel.h"
#include "core/throttles/RealisticThrottle.h"
#include "core/throttles/TrainModel.h"

#include <gtest/gtest.h>

namespace {

using gauges::Box;
using gauges::Rgb;

TEST(GaugePanel, ValuesKeepToTheirPlaces) {
    const struct {
        double mph;
        const char* text;
    } speeds[] = {{0, " 0"},
                  {RoundMph(0.04), " 0"},
                  {RoundMph(0.4), ".4"},
                  {RoundMph(0.96), " 1"},
                  {RoundMph(12.6), "13"},
                  {RoundMph(61.5167), "62"},
                  {150, "99"}};
    for (const auto& c : speeds)
        EXPECT_EQ(gauges::SpeedText(c.mph), c.text) << c.mph;
    // The ammeter of a train starting at full power reads thousands: it stays in its place.
    const std::pair<int, const char*> twoDigits[] = {
        {0, " 0"}, {7, " 7"}, {90, "90"}, {3890, "99"}};
    for (const auto& [value, text] : twoDigits)
        EXPECT_EQ(gauges::TwoDigits(value), text) << value;
}

TEST(GaugePanel, BarsBandsMarksAndColours) {
    Settings settings;
    TrainModel model(settings);
    model.iPowerStep = 3;
    model.dTractiveEffort = 40; // bar 78: the part above 65 is red
    model.dBrakePipe = 50;      // bar 49
    model.dBrakeCylinder = 80;  // bar 78: shown as a red band above the pipe's
    model.iBrakeHandle = 50;
    model.dAccel = -0.2;
    model.iSentDirection = kBackwards;
    model.dShownMph = 12;
    model.bWheelSlip = true;

    const Rgb black{0, 0, 0}, green{64, 255, 64}, red{255, 0, 0};
    gauges::Picture running = gauges::Draw(model, true);
    const std::vector<gauges::Fill> bars{{{151, 232, 9, 49}, black},
                                         {{166, 203, 9, 78}, green},
                                         {{151, 203, 9, 29}, red},
                                         {{61, 203, 9, 78}, black},
                                         {{61, 203, 9, 13}, red}};
    EXPECT_EQ(running.bars, bars);
    std::vector<std::string> values;
    for (const gauges::Text& t : running.values)
        values.push_back(t.text);
    EXPECT_EQ(values, (std::vector<std::string>{"3", "40", "50", "50", "12"}));
    EXPECT_EQ(running.arrow,
              (std::vector<gauges::Point>{{205, 152}, {205, 167}, {190, 159}})); // backwards
    EXPECT_EQ(running.accelMark,
              (std::vector<gauges::Point>{{200, 167}, {185, 159}, {200, 152}})); // slowing
    EXPECT_TRUE(running.lamp);
    EXPECT_EQ(running.lampColor, red);

    // Not running: every colour grey, the values as they were.
    const gauges::Picture idle = gauges::Draw(model, false);
    const Rgb grey{128, 128, 128}, light{196, 196, 196};
    for (const gauges::Text& t : idle.values)
        EXPECT_EQ(t.color, grey) << t.text;
    EXPECT_EQ(idle.bars[1].color, light);
    EXPECT_EQ(idle.bars[2].color, light);
    EXPECT_EQ(idle.frameColor, grey);
    EXPECT_EQ(idle.values[4].text, "12");

    model.dAccel = 0;
    EXPECT_TRUE(gauges::Draw(model, true).accelMark.empty());
}

TEST(GaugePanel, RegionsOfTheRedraws) {
    EXPECT_EQ(gauges::RegionBoxes(RealisticRedraw::kSpeed | RealisticRedraw::kWheelSlip),
              (std::vector<Box>{{185, 144, 85, 30}, {80, 265, 17, 17}}));
    EXPECT_EQ(gauges::RegionBoxes(kBrakePipeDigits | kBrakePipeBar),
              (std::vector<Box>{{140, 144, 40, 30}, {150, 183, 10, 98}}));
    EXPECT_EQ(gauges::RegionBoxes(RealisticRedraw::kAll), std::vector<Box>{gauges::kArea});
    EXPECT_TRUE(gauges::RegionBoxes(0).empty());
}

} // namespace
