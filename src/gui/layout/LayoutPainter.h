#pragma once
// Draws the layout panel with QPainter, in device pixels: the screen, the printer and the
// toolbar icons share it.

#include <QRect>

class CVlakomatDoc;
class QPainter;
struct LayoutElement;

struct PanelExtent {
    int cellSize; // device pixels
    int columns;
    int rows;
};

// What is drawn beyond the track: the editing aids, the addresses, the paper's white.
struct PanelLook {
    bool editing = false; // empty elements outlined, the selected cell marked
    int selectedColumn = -1;
    int selectedRow = -1;
    bool addresses = false; // turnouts' and detectors' addresses beside them
    bool paper = false;     // white background (printing)
};

// Background, grid and every element that touches `area` (device pixels of the panel).
// The painter's coordinates must be device pixels, the panel's top left at the origin.
void PaintPanel(QPainter& painter, const CVlakomatDoc& doc, const PanelExtent& extent,
                const QRect& area, const PanelLook& look = {});
// One element without background or grid (toolbar icons).
void PaintElement(QPainter& painter, const LayoutElement& element, int cellSize);
