#pragma once
// The pieces of a layout panel: track elements on a grid of square cells, and the switch
// outputs of turnouts.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Element types.
namespace ElementType {
constexpr int kTrack = 0;    // straight or 45-degree bend
constexpr int kEnd = 1;      // buffer stop
constexpr int kEmpty = 2;    // nothing drawn
constexpr int kTurnout = 3;  // branch to the left (subtype 0) or to the right (subtype 1)
constexpr int kThreeWay = 4; // branches to both sides
constexpr int kDetector = 5; // track with an occupancy sensor: straight or bend, as kTrack
constexpr int kCount = 6;
} // namespace ElementType

// Number of subtypes of each element type.
inline constexpr std::array<int, ElementType::kCount> kSubtypeCounts = {2, 1, 1, 2, 1, 2};

// Sensor addresses as LocoNet counts them, 1-based: 12 bits of input number.
inline constexpr int kMaxSensorAddress = 4096;

// What an output is sent in one turnout position.
namespace OutputState {
constexpr int kClosed = 0;  // C: switch request "closed" (straight)
constexpr int kThrown = 1;  // T: switch request "thrown"
constexpr int kNothing = 2; // N: no request
} // namespace OutputState

struct TurnoutOutput {
    int address = 0; // the turnout address as the operator knows it (1-based); 0 = none yet
    std::array<int, 4> states{};
    bool operator==(const TurnoutOutput&) const = default;
};

struct TurnoutData {
    static constexpr int kMaxOutputs = 2;
    int outputs = 1;   // outputs in use, 1 or 2
    int positions = 2; // 2 for a turnout, 3 for a three-way turnout
    std::array<TurnoutOutput, kMaxOutputs> output{};
    // 0 straight, 1 diverging or left, 2 right; kUnknown when the bus reported outputs that
    // match none of the positions.
    static constexpr int kUnknown = -1;
    int current = 0;
    // The position that the program's requests still on their way to the bus ask for;
    // kNoRequest when none waits (not stored).
    static constexpr int kNoRequest = -1;
    int requested = kNoRequest;

    // What a newly placed turnout of the type starts with.
    static TurnoutData Defaults(int type);
    bool operator==(const TurnoutData&) const = default;
};

struct LayoutElement {
    int column = 0;
    int row = 0;
    int type = ElementType::kTrack;
    int subtype = 0;
    int direction = 0;            // 0 west, then clockwise in steps of 45 degrees to 7 south-west
    std::uint8_t connections = 0; // bit k: track from the centre toward direction k
    std::optional<TurnoutData> turnout; // types 3 and 4 only
    int sensor = 0;                     // a detector's sensor address, 0 = none yet
    bool occupied = false;              // a detector's sensor reports occupied (not stored)
    // The bus has told the position or the report drawn since the layout was opened or the
    // link came back; false draws the element as unconfirmed (not stored).
    bool confirmed = true;

    bool IsTurnout() const { return turnout.has_value(); }
    bool IsDetector() const { return type == ElementType::kDetector; }
    bool operator==(const LayoutElement&) const = default;
};

// Column and row step toward each direction (rows grow downward).
struct DirectionStep {
    int dx;
    int dy;
};
inline constexpr std::array<DirectionStep, 8> kDirectionSteps = {
    {{-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}}};

// A value brought into 0..n-1 (for directions and subtypes that a file left out of range).
constexpr int Wrap(int value, int n) {
    const int r = value % n;
    return r < 0 ? r + n : r;
}

// The directions in which an element has track, from its type, subtype and direction.
std::uint8_t ConnectionMask(int type, int subtype, int direction);
// The mask of the route a turnout is set to: its entry and the exit of its position.
std::uint8_t RouteMask(const LayoutElement& element);
// The same for any position of the turnout; 0 for kUnknown.
std::uint8_t RouteMask(const LayoutElement& element, int position);
// The position after the one the turnout is in or is being moved to, wrapping to 0 after
// the last; an unknown turnout goes to 0.
int NextPosition(const TurnoutData& turnout);
// What the status bar calls an element: "tir", "kretnica 12", "detektor 17", ...
std::string ElementName(const LayoutElement& element);
// The addresses drawn on the panel beside a turnout ("12", "20/21") or a detector ("S17");
// empty for other elements.
std::string AddressLabel(const LayoutElement& element);
