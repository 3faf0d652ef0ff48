#include "gui/layout/LayoutIcons.h"

#include "core/layout/LayoutPanel.h"
#include "gui/common/PaintedIcon.h"
#include "gui/layout/LayoutPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 32;

LayoutElement Piece(int type, int subtype = 0, int position = 0) {
    LayoutElement e;
    e.type = type;
    e.subtype = subtype;
    if (type == ElementType::kTurnout || type == ElementType::kThreeWay) {
        e.turnout = TurnoutData::Defaults(type);
        e.turnout->current = position;
    }
    e.connections = ConnectionMask(type, subtype, 0);
    return e;
}

void Arrow(QPainter& p, bool clockwise) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x4a, 0x87), 3, Qt::SolidLine, Qt::RoundCap));
    QPainterPath arc;
    const QRectF box(6, 6, 20, 20);
    arc.arcMoveTo(box, clockwise ? 200 : -20);
    arc.arcTo(box, clockwise ? 200 : -20, clockwise ? -250 : 250);
    p.drawPath(arc);
    const QPointF end = arc.currentPosition();
    const qreal side = clockwise ? -1 : 1;
    p.drawLine(end, end + QPointF(side * 6, -2));
    p.drawLine(end, end + QPointF(side * 1, -7));
}

} // namespace

namespace {
void PaintCommandIcon(QPainter& p, int id) {
    switch (id) {
    case PanelCommand::kRotateLeft:
    case PanelCommand::kRotateRight:
        Arrow(p, id == PanelCommand::kRotateRight);
        break;
    case PanelCommand::kNextSubtype:
        PaintElement(p, Piece(ElementType::kTrack, 1), kSize);
        break;
    case PanelCommand::kEditTurnout:
        PaintElement(p, Piece(ElementType::kTurnout), kSize);
        p.setPen(QPen(QColor(0x20, 0x4a, 0x87), 2));
        p.drawRect(2, 2, kSize - 5, kSize - 5);
        break;
    case PanelCommand::kOperate:
        PaintElement(p, Piece(ElementType::kTurnout, 0, 1), kSize);
        break;
    case PanelCommand::kDelete:
        PaintElement(p, Piece(ElementType::kTrack), kSize);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0xc0, 0x20, 0x20), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(8, 8, 24, 24);
        p.drawLine(24, 8, 8, 24);
        break;
    case PanelCommand::kPlaceDetector: {
        LayoutElement detector = Piece(ElementType::kDetector);
        detector.occupied = true;
        PaintElement(p, detector, kSize);
        break;
    }
    case PanelCommand::kSynchronize:
        PaintElement(p, Piece(ElementType::kTurnout, 0, 1), kSize);
        Arrow(p, true);
        break;
    case PanelCommand::kPlaceFirst + ElementType::kEmpty:
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DashLine));
        p.drawRect(4, 4, kSize - 9, kSize - 9);
        break;
    default:
        PaintElement(p, Piece(id - PanelCommand::kPlaceFirst), kSize);
        break;
    }
}
} // namespace

QIcon LayoutCommandIcon(int id) {
    return PaintedIcon([id](QPainter& p) { PaintCommandIcon(p, id); }, kSize);
}
