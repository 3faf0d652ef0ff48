#pragma once
// The pixels of the layout panel: every element is drawn as thick bands made of one-pixel
// lines, first in the outline colour and then narrower in its inside colour, so that
// bands meeting in a cell join without seams.

#include "core/layout/LayoutElement.h"

#include <vector>

struct PixelLine {
    int x1, y1, x2, y2;
    bool operator==(const PixelLine&) const = default;
};

// Unconfirmed and Waiting are dashed over what lies beneath: an element whose position or
// report the bus has not confirmed, and the route that a turnout's waiting requests ask for.
enum class Ink { Outline, Track, Route, Occupied, Unconfirmed, Waiting };

struct Stroke {
    Ink ink;
    PixelLine line;
};

// Band width (at least 3) and the border inside it (at least 1) at a cell size.
int BandWidth(int cellSize);
int BandBorder(int cellSize);

// One band from the centre of a cell toward a direction, `width` lines wide, its far end
// pulled in by `shorten` of a cell (0 reaches 2 pixels into the neighbouring cell).
void AppendBand(std::vector<PixelLine>& out, int column, int row, int direction, int cellSize,
                int width, double shorten);

// The strokes of one element in drawing order: its track, then a turnout's set route, then
// the route its waiting requests ask for.
void AppendElementStrokes(std::vector<Stroke>& out, const LayoutElement& element, int cellSize);
