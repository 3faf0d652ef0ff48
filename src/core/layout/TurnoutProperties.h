#pragma once
// The values of the turnout dialog and their exchange with a turnout: a plain turnout
// shows its first output in the straight and diverging positions, a three-way turnout
// both outputs in all three positions.

#include "core/layout/LayoutElement.h"

#include <array>

struct TurnoutProperties {
    static constexpr int kNone = -1; // no state chosen
    std::array<int, 2> address{0, 0};
    // state[output][position]: OutputState, or kNone.
    std::array<std::array<int, 3>, 2> state{{{kNone, kNone, kNone}, {kNone, kNone, kNone}}};

    // How many outputs and positions the dialog shows for an element type.
    static int OutputsShown(int type);
    static int PositionsShown(int type);

    static TurnoutProperties From(int type, const TurnoutData& turnout);
    // Copies what the dialog shows back into the turnout; a state left unchosen stays.
    void ApplyTo(int type, TurnoutData& turnout) const;
};
