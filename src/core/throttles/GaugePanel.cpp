#include "core/throttles/GaugePanel.h"

#include "core/throttles/RealisticThrottle.h"
#include "core/throttles/TrainModel.h"
#include "core/util/Text.h"

#include <algorithm>
#include <cmath>

namespace gauges {

namespace {

constexpr int kBarBottom = 281; // bars grow upwards from here
constexpr int kBarTop = 183;
constexpr int kBarHeight = 98;
constexpr int kBarWidth = 10;
constexpr int kAmmeterX = 60, kBrakePipeX = 150, kBrakeX = 165;
constexpr int kAmmeterRedFrom = 65; // the ammeter's overload band
constexpr int kCaptionY = 134, kValueY = 144;

constexpr Box kSpeedRegion{185, kValueY, 85, 30};
constexpr Box kPowerBox{10, kValueY, 20, 30};
constexpr Box kAmmeterBox{40, kValueY, 40, 30};
constexpr Box kBrakeBox{90, kValueY, 40, 30};
constexpr Box kBrakePipeBox{140, kValueY, 40, 30};
constexpr Box kLamp{80, 265, 17, 17};

constexpr Box Frame(int x) {
    return {x, kBarTop, kBarWidth, kBarHeight};
}

struct Palette {
    Rgb a, b, c, t1, t2, t3;
};

Palette Colours(bool running) {
    if (running)
        return {{0, 0, 0}, {64, 255, 64}, {255, 0, 0}, {0, 0, 0}, {0, 0, 255}, {128, 0, 0}};
    const Rgb grey{128, 128, 128}, light{196, 196, 196};
    return {grey, light, light, grey, grey, grey};
}

// A bar of `height` pixels (0 to 98) in the frame at x.
Box Bar(int frameX, int height) {
    height = std::clamp(height, 0, kBarHeight);
    return {frameX + 1, kBarBottom - height, kBarWidth - 1, height};
}

Text Value(const Box& region, int x, std::string text, Rgb color) {
    return {x, kValueY, region.x + region.w - x, std::move(text), color, region};
}

Text Caption(int x, int nextX, const char* text, Rgb color) {
    return {x, kCaptionY, nextX - x, text, color, {}};
}

} // namespace

std::string SpeedText(double mph) {
    if (!(mph > 0))
        return " 0";
    if (mph >= 1)
        return text::Format("%2.0f", std::min(mph, 99.0));
    return text::Format("%2.1f", mph).substr(1);
}

std::string TwoDigits(int value) {
    return text::Format("%2d", std::clamp(value, 0, 99));
}

Picture Draw(const TrainModel& model, bool running) {
    const Palette p = Colours(running);
    const GaugeValues g = model.CurrentGauges();
    Picture pic;

    pic.frames = {Frame(kAmmeterX), Frame(kBrakePipeX), Frame(kBrakeX)};
    pic.frameColor = p.a;
    pic.bars.push_back({Bar(kBrakePipeX, g.BrakePipeBar), p.a});
    pic.bars.push_back({Bar(kBrakeX, g.BrakeBar), p.b});
    // The cylinder pressure above the pipe's shows as a band on the pipe bar.
    const int cylinder = static_cast<int>(
        std::clamp(model.dBrakeCylinder / 100 * kBarHeight, 0.0, static_cast<double>(kBarHeight)));
    if (g.BrakePipeBar < cylinder) {
        const Box top = Bar(kBrakePipeX, cylinder);
        pic.bars.push_back({{top.x, top.y, top.w, cylinder - g.BrakePipeBar}, p.c});
    }
    pic.bars.push_back({Bar(kAmmeterX, g.AmmeterBar), p.a});
    if (g.AmmeterBar > kAmmeterRedFrom) {
        const Box top = Bar(kAmmeterX, g.AmmeterBar);
        pic.bars.push_back({{top.x, top.y, top.w, g.AmmeterBar - kAmmeterRedFrom}, p.c});
    }

    pic.captions = {Caption(10, 40, "Moč", p.t1), Caption(40, 80, "Amperi", p.t2),
                    Caption(80, 140, "Zavora[psi]", p.t1), Caption(140, 200, "Tlak[psi]", p.t2),
                    Caption(200, 270, "Hitrost[mph]", p.t3)};
    pic.values = {Value(kPowerBox, 10, std::to_string(std::clamp(g.Power, 0, 9)), p.t1),
                  Value(kAmmeterBox, 40, TwoDigits(g.Ammeter), p.t2),
                  Value(kBrakeBox, 90, TwoDigits(g.Brake), p.t1),
                  Value(kBrakePipeBox, 140, TwoDigits(g.BrakePipe), p.t2),
                  // The speed stops short of the direction arrow.
                  {210, kValueY, 40, SpeedText(g.Speed), p.t3, kSpeedRegion}};

    if (model.iSentDirection == kForwards)
        pic.arrow = {{250, 152}, {250, 167}, {265, 159}};
    else
        pic.arrow = {{205, 152}, {205, 167}, {190, 159}};
    pic.arrowColor = p.t3;
    if (model.dAccel > 0)
        pic.accelMark = {{255, 167}, {270, 159}, {255, 152}};
    else if (model.dAccel < 0)
        pic.accelMark = {{200, 167}, {185, 159}, {200, 152}};
    pic.markColor = p.a;

    pic.lamp = model.bWheelSlip;
    pic.lampBox = kLamp;
    pic.lampColor = running ? Rgb{255, 0, 0} : p.c;
    return pic;
}

std::vector<Box> RegionBoxes(unsigned regions) {
    if ((regions & RealisticRedraw::kAll) == RealisticRedraw::kAll)
        return {kArea};
    const std::pair<unsigned, Box> table[] = {
        {RealisticRedraw::kSpeed, kSpeedRegion},
        {kPowerDigits, kPowerBox},
        {kAmmeterDigits, kAmmeterBox},
        {kAmmeterBar, Frame(kAmmeterX)},
        {kBrakeDigits, kBrakeBox},
        {kBrakePipeDigits, kBrakePipeBox},
        {kBrakePipeBar, Frame(kBrakePipeX)},
        {kBrakeBar, Frame(kBrakeX)},
        {RealisticRedraw::kWheelSlip, kLamp},
    };
    std::vector<Box> boxes;
    for (const auto& [bit, box] : table)
        if (regions & bit)
            boxes.push_back(box);
    return boxes;
}

} // namespace gauges
