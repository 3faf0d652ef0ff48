#include "core/layout/TurnoutProperties.h"

int TurnoutProperties::OutputsShown(int type) {
    return type == ElementType::kThreeWay ? 2 : 1;
}

int TurnoutProperties::PositionsShown(int type) {
    return type == ElementType::kThreeWay ? 3 : 2;
}

TurnoutProperties TurnoutProperties::From(int type, const TurnoutData& turnout) {
    TurnoutProperties values;
    for (int o = 0; o < OutputsShown(type); ++o) {
        values.address[o] = turnout.output[o].address;
        for (int p = 0; p < PositionsShown(type); ++p)
            values.state[o][p] = turnout.output[o].states[p];
    }
    return values;
}

void TurnoutProperties::ApplyTo(int type, TurnoutData& turnout) const {
    for (int o = 0; o < OutputsShown(type); ++o) {
        turnout.output[o].address = address[o];
        for (int p = 0; p < PositionsShown(type); ++p)
            if (state[o][p] >= OutputState::kClosed && state[o][p] <= OutputState::kNothing)
                turnout.output[o].states[p] = state[o][p];
    }
}
