#include "gui/layout/LayoutPainter.h"

#include "core/layout/LayoutGeometry.h"
#include "core/layout/VlakomatDoc.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

const QColor kBackground(224, 224, 224);
const QColor kGrid(192, 192, 192);
const QColor kOutline(0, 0, 0);
const QColor kTrack(128, 128, 128);
const QColor kRoute(255, 236, 0);
const QColor kOccupied(220, 0, 0);
const QColor kEmptyOutline(96, 96, 96);
const QColor kSelection(0, 90, 200);
const QColor kLabel(0, 40, 120);
// Pale dashes over the track: what the bus has not confirmed.
const QColor kUnconfirmed(235, 235, 235);
// Orange dashes: where a turnout's requests, not yet on the bus, will put it.
const QColor kWaiting(255, 120, 0);

QColor InkColour(Ink ink) {
    switch (ink) {
    case Ink::Outline:
        return kOutline;
    case Ink::Track:
        return kTrack;
    case Ink::Route:
        return kRoute;
    case Ink::Occupied:
        return kOccupied;
    case Ink::Unconfirmed:
        return kUnconfirmed;
    case Ink::Waiting:
        return kWaiting;
    }
    return kOutline;
}

QPen InkPen(Ink ink, int cellSize) {
    QPen pen(InkColour(ink), 1);
    if (ink == Ink::Unconfirmed || ink == Ink::Waiting) {
        // Dashes long enough to see at every zoom; the lines of a band start together, so
        // they line up across it.
        const qreal dash = std::max(2, cellSize / 10);
        pen.setDashPattern({dash, dash});
        pen.setCapStyle(Qt::FlatCap);
    }
    return pen;
}

void DrawStrokes(QPainter& painter, const std::vector<Stroke>& strokes, int cellSize) {
    // Consecutive strokes of one ink go out in one call.
    std::vector<QLine> lines;
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        const PixelLine& l = strokes[i].line;
        lines.emplace_back(l.x1, l.y1, l.x2, l.y2);
        if (i + 1 == strokes.size() || strokes[i + 1].ink != strokes[i].ink) {
            painter.setPen(InkPen(strokes[i].ink, cellSize));
            painter.drawLines(lines.data(), static_cast<int>(lines.size()));
            lines.clear();
        }
    }
}

void PaintEmptyOutline(QPainter& painter, const LayoutElement& e, int cs) {
    const int inset = std::max(2, cs / 8);
    painter.setPen(QPen(kEmptyOutline, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(e.column * cs + inset, e.row * cs + inset, cs - 2 * inset, cs - 2 * inset);
}

void PaintSelection(QPainter& painter, int column, int row, int cs) {
    const int width = std::max(2, cs / 10);
    painter.setPen(QPen(kSelection, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    const int half = width / 2;
    painter.drawRect(column * cs + half, row * cs + half, cs - width, cs - width);
}

void PaintAddress(QPainter& painter, const LayoutElement& e, int cs) {
    const QString label = QString::fromStdString(AddressLabel(e));
    if (label.isEmpty())
        return;
    // Small enough to stay above the band through the middle of the cell.
    QFont font = painter.font();
    font.setPixelSize(std::max(7, cs * 3 / 10));
    painter.setFont(font);
    painter.setPen(kLabel);
    painter.drawText(QPoint(e.column * cs + 2, e.row * cs + 1 + painter.fontMetrics().ascent()),
                     label);
}

} // namespace

void PaintElement(QPainter& painter, const LayoutElement& element, int cellSize) {
    std::vector<Stroke> strokes;
    AppendElementStrokes(strokes, element, cellSize);
    DrawStrokes(painter, strokes, cellSize);
}

void PaintPanel(QPainter& painter, const CVlakomatDoc& doc, const PanelExtent& extent,
                const QRect& area, const PanelLook& look) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, look.paper ? QColor(Qt::white) : kBackground);
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
        if (look.editing && e.type == ElementType::kEmpty)
            PaintEmptyOutline(painter, e, cs);
        strokes.clear();
        AppendElementStrokes(strokes, e, cs);
        DrawStrokes(painter, strokes, cs);
    }
    if (look.editing && look.selectedColumn >= 0)
        PaintSelection(painter, look.selectedColumn, look.selectedRow, cs);
    if (look.addresses)
        for (const LayoutElement& e : doc.Elements())
            if (cells.contains(e.column, e.row))
                PaintAddress(painter, e, cs);
    painter.restore();
}
