#include "gui/layout/LayoutPainter.h"

#include "core/layout/LayoutGeometry.h"
#include "core/layout/VlakomatDoc.h"

#include <QPainter>

#include <vector>

namespace {

const QColor kBackground(224, 224, 224);
const QColor kGrid(192, 192, 192);
const QColor kOutline(0, 0, 0);
const QColor kTrack(128, 128, 128);
const QColor kRoute(255, 236, 0);

QColor InkColour(Ink ink) {
    switch (ink) {
    case Ink::Outline:
        return kOutline;
    case Ink::Track:
        return kTrack;
    case Ink::Route:
        return kRoute;
    }
    return kOutline;
}

void DrawStrokes(QPainter& painter, const std::vector<Stroke>& strokes) {
    // Consecutive strokes of one ink go out in one call.
    std::vector<QLine> lines;
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        const PixelLine& l = strokes[i].line;
        lines.emplace_back(l.x1, l.y1, l.x2, l.y2);
        if (i + 1 == strokes.size() || strokes[i + 1].ink != strokes[i].ink) {
            painter.setPen(QPen(InkColour(strokes[i].ink), 1));
            painter.drawLines(lines.data(), static_cast<int>(lines.size()));
            lines.clear();
        }
    }
}

} // namespace

void PaintElement(QPainter& painter, const LayoutElement& element, int cellSize) {
    std::vector<Stroke> strokes;
    AppendElementStrokes(strokes, element, cellSize);
    DrawStrokes(painter, strokes);
}

void PaintPanel(QPainter& painter, const CVlakomatDoc& doc, const PanelExtent& extent,
                const QRect& area) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, kBackground);
    const int cs = extent.cellSize;
    painter.setPen(QPen(kGrid, 1));
    for (int i = 0; i <= extent.rows; ++i)
        painter.drawLine(0, i * cs, extent.columns * cs, i * cs);
    for (int i = 0; i <= extent.columns; ++i)
        painter.drawLine(i * cs, 0, i * cs, extent.rows * cs);

    // Bands reach into the neighbouring cells, so an element one cell outside the area
    // may still show in it.
    const QRect cells(area.left() / cs - 1, area.top() / cs - 1, area.width() / cs + 3,
                      area.height() / cs + 3);
    std::vector<Stroke> strokes;
    for (const LayoutElement& e : doc.Elements()) {
        if (!cells.contains(e.column, e.row))
            continue;
        strokes.clear();
        AppendElementStrokes(strokes, e, cs);
        DrawStrokes(painter, strokes);
    }
    painter.restore();
}
