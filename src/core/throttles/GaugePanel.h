#pragma once
// The realistic throttle's gauges as a picture: where each bar, caption, value and mark goes
// in the pixel layout of the window at its default scale, and in which colour. The window
// scales the layout to its font and the screen and paints it; nothing here knows of Qt.

#include <cstdint>
#include <string>
#include <vector>

class TrainModel;

namespace gauges {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Box&) const = default;
};

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Fill {
    Box box;
    Rgb color;
    bool operator==(const Fill&) const = default;
};

// A text drawn from its top-left corner. `room` is the width it may take; a value is also
// kept inside `clip`, the region that is redrawn when it changes.
struct Text {
    int x = 0, y = 0;
    int room = 0;
    std::string text;
    Rgb color;
    Box clip;
};

// Character heights of the two fonts at the default scale.
inline constexpr int kValueHeight = 30;   // bold monospace: the values
inline constexpr int kCaptionHeight = 10; // bold sans-serif: the captions

struct Picture {
    std::vector<Box> frames; // outlined in frameColor, white inside
    Rgb frameColor;
    std::vector<Fill> bars; // painted over the frames, in order
    std::vector<Text> captions;
    std::vector<Text> values;
    std::vector<Point> arrow; // the direction triangle, filled
    Rgb arrowColor;
    std::vector<Point> accelMark; // two strokes; empty when the train neither speeds up nor
                                  // slows down
    Rgb markColor;
    bool lamp = false; // the wheel-slip lamp
    Box lampBox;
    Rgb lampColor;
};

// The gauges of a train; grey while the throttle is not running, showing the last values.
Picture Draw(const TrainModel& model, bool running);

// The boxes to redraw for a set of RealisticRedraw and GaugeRegion bits; RealisticRedraw::kAll
// gives kArea.
std::vector<Box> RegionBoxes(unsigned regions);
inline constexpr Box kArea{0, 0, 280, 300};

// The speedometer: whole miles per hour from 1 ("13"), tenths below without the leading
// zero (".4"), and " 0" at rest.
std::string SpeedText(double mph);
// A two-digit gauge: right-aligned in two places, held to 0..99 so that it never spills out
// of its region.
std::string TwoDigits(int value);

} // namespace gauges
