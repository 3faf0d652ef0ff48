#include "core/layout/LayoutGeometry.h"

#include <initializer_list>

namespace {

constexpr double kRouteShortening = 0.2;

// The bands of `mask`, `width` lines wide, in one ink.
void AppendBands(std::vector<Stroke>& out, const LayoutElement& e, std::uint8_t mask, int cellSize,
                 Ink ink, int width, double shorten) {
    std::vector<PixelLine> lines;
    for (int k = 0; k < 8; ++k)
        if (mask & (1u << k))
            AppendBand(lines, e.column, e.row, k, cellSize, width, shorten);
    for (const PixelLine& line : lines)
        out.push_back({ink, line});
}

// The outline of the bands of `mask`, then their inside in each of `inks` in turn.
void AppendMask(std::vector<Stroke>& out, const LayoutElement& e, std::uint8_t mask, int cellSize,
                std::initializer_list<Ink> inks, double shorten) {
    const int width = BandWidth(cellSize);
    AppendBands(out, e, mask, cellSize, Ink::Outline, width, shorten);
    for (Ink ink : inks)
        AppendBands(out, e, mask, cellSize, ink, width - 2 * BandBorder(cellSize), shorten);
}

} // namespace

int BandWidth(int cellSize) {
    const int w = static_cast<int>(cellSize * 0.15);
    return w < 3 ? 3 : w;
}

int BandBorder(int cellSize) {
    const int b = static_cast<int>(cellSize * 0.025);
    return b < 1 ? 1 : b;
}

void AppendBand(std::vector<PixelLine>& out, int column, int row, int direction, int cellSize,
                int width, double shorten) {
    if (width < 1)
        return;
    const DirectionStep step = kDirectionSteps[Wrap(direction, 8)];
    const int sx = step.dx;
    const int sy = step.dy;
    int cx = column * cellSize + cellSize / 2;
    int cy = row * cellSize + cellSize / 2;
    if (sx == 0 || sy == 0) {
        if (sx < 0)
            cx += 1;
        if (sy < 0)
            cy += 1;
        const int length = cellSize / 2 + 2 - static_cast<int>(cellSize * shorten);
        for (int i = -((width - 1) / 2); i <= width / 2; ++i) {
            const int x = cx + (sx == 0 ? i : 0);
            const int y = cy + (sy == 0 ? i : 0);
            out.push_back({x, y, x + sx * length, y + sy * length});
        }
        return;
    }
    cx -= (width - 1) / 2;
    cy -= (width - 1) / 2;
    if (sx < 0)
        cx += width - 1;
    if (sy < 0)
        cy += width - 1;
    const int m = static_cast<int>(width * 1.4);
    const int cut = static_cast<int>(cellSize * shorten * 1.4);
    const int length = cellSize / 2 + width / 2 + 1 - cut;
    for (int i = 0; i <= m / 2; ++i)
        out.push_back(
            {cx + i * sx, cy, cx + sx * (i + length - i / 2), cy + sy * (length - i / 2)});
    for (int i = 0; i <= m / 2; ++i)
        out.push_back(
            {cx, cy + i * sy, cx + sx * (length - i / 2), cy + sy * (i + length - i / 2)});
}

void AppendElementStrokes(std::vector<Stroke>& out, const LayoutElement& element, int cellSize) {
    const bool confirmed = element.confirmed;
    if (!element.IsDetector())
        AppendMask(out, element, element.connections, cellSize, {Ink::Track}, 0.0);
    else if (!confirmed) // neither occupied nor free: what it was is no longer known
        AppendMask(out, element, element.connections, cellSize, {Ink::Track, Ink::Unconfirmed},
                   0.0);
    else
        AppendMask(out, element, element.connections, cellSize,
                   {element.occupied ? Ink::Occupied : Ink::Track}, 0.0);
    if (!element.turnout)
        return;
    // An unconfirmed route keeps its shape, without the colour of a set route.
    if (confirmed)
        AppendMask(out, element, RouteMask(element), cellSize, {Ink::Route}, kRouteShortening);
    else
        AppendMask(out, element, RouteMask(element), cellSize, {Ink::Track, Ink::Unconfirmed},
                   kRouteShortening);
    // The route asked for is dashed over the whole band, outline and all and to the cell's
    // edge, so that it shows at the smallest size and over the route drawn.
    const int requested = element.turnout->requested;
    if (requested >= 0)
        AppendBands(out, element, RouteMask(element, requested), cellSize, Ink::Waiting,
                    BandWidth(cellSize), 0.0);
}
