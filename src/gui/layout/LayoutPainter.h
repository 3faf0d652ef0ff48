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

// Background, grid and every element that touches `area` (device pixels of the panel).
// The painter's coordinates must be device pixels, the panel's top left at the origin.
void PaintPanel(QPainter& painter, const CVlakomatDoc& doc, const PanelExtent& extent,
                const QRect& area);
// One element without background or grid (toolbar icons).
void PaintElement(QPainter& painter, const LayoutElement& element, int cellSize);
