#include "core/layout/LayoutElement.h"

namespace {

std::uint8_t Bit(int direction) {
    return static_cast<std::uint8_t>(1u << Wrap(direction, 8));
}

} // namespace

TurnoutData TurnoutData::Defaults(int type) {
    TurnoutData data;
    if (type == ElementType::kThreeWay) {
        data.outputs = 2;
        data.positions = 3;
        data.output[0].states = {OutputState::kClosed, OutputState::kClosed, OutputState::kThrown,
                                 0};
        data.output[1].states = {OutputState::kThrown, OutputState::kClosed, OutputState::kThrown,
                                 0};
    } else {
        data.output[0].states = {OutputState::kClosed, OutputState::kThrown, 0, 0};
    }
    return data;
}

std::uint8_t ConnectionMask(int type, int subtype, int direction) {
    // A direction read out of range is drawn as its nearest meaning, so it stays visible.
    const int d = Wrap(direction, 8);
    switch (type) {
    case ElementType::kTrack:
        return Bit(d) | Bit(d + (subtype == 0 ? 4 : 5));
    case ElementType::kEnd:
        return Bit(d);
    case ElementType::kTurnout:
        return Bit(d) | Bit(d + 4) | Bit(d + (subtype == 0 ? 3 : 5));
    case ElementType::kThreeWay:
        return Bit(d) | Bit(d + 4) | Bit(d + 3) | Bit(d + 5);
    default:
        return 0;
    }
}

std::uint8_t RouteMask(const LayoutElement& element) {
    if (!element.turnout)
        return 0;
    const int d = Wrap(element.direction, 8);
    const int position = element.turnout->current;
    int exit = d + 4;
    if (position != 0) {
        if (element.type == ElementType::kTurnout)
            exit = d + (element.subtype == 0 ? 3 : 5);
        else
            exit = d + (position == 1 ? 3 : 5);
    }
    return Bit(d) | Bit(exit);
}
