#include "core/layout/LayoutElement.h"

#include "core/util/Text.h"

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
    case ElementType::kDetector:
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
    return element.turnout ? RouteMask(element, element.turnout->current) : 0;
}

std::uint8_t RouteMask(const LayoutElement& element, int position) {
    if (!element.turnout || position < 0)
        return 0;
    const int d = Wrap(element.direction, 8);
    int exit = d + 4;
    if (position != 0) {
        if (element.type == ElementType::kTurnout)
            exit = d + (element.subtype == 0 ? 3 : 5);
        else
            exit = d + (position == 1 ? 3 : 5);
    }
    return Bit(d) | Bit(exit);
}

int NextPosition(const TurnoutData& turnout) {
    // A second click before the bus took the first goes on from where the first sent it.
    const int from = turnout.requested >= 0 ? turnout.requested : turnout.current;
    return from < 0 || from + 1 >= turnout.positions ? 0 : from + 1;
}

std::string AddressLabel(const LayoutElement& e) {
    if (e.IsDetector())
        return text::Format("S%d", e.sensor);
    if (!e.turnout)
        return {};
    std::string label = std::to_string(e.turnout->output[0].address);
    if (e.turnout->outputs > 1)
        label += "/" + std::to_string(e.turnout->output[1].address);
    return label;
}

std::string ElementName(const LayoutElement& e) {
    switch (e.type) {
    case ElementType::kTrack:
        return e.subtype == 0 ? "tir" : "tir v loku";
    case ElementType::kEnd:
        return "konec tira";
    case ElementType::kEmpty:
        return "prazen element";
    case ElementType::kTurnout:
        return "kretnica " + AddressLabel(e);
    case ElementType::kThreeWay:
        return "tripotna kretnica " + AddressLabel(e);
    case ElementType::kDetector:
        return "detektor zasedenosti " + std::to_string(e.sensor);
    default:
        return "element";
    }
}
