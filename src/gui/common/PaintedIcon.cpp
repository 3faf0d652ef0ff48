#include "gui/common/PaintedIcon.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOption>

namespace {

class PaintedIconEngine : public QIconEngine {
public:
    PaintedIconEngine(std::function<void(QPainter&)> paint, int design)
        : paint_(std::move(paint)), design_(design) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = scaledPixmap(rect.size(), mode, state, ratio);
        painter->drawPixmap(rect, pm);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, double scale) override {
        const QSize pixels = size * scale;
        const QString key =
            QStringLiteral("%1x%2/%3").arg(pixels.width()).arg(pixels.height()).arg(int(mode));
        if (const auto found = cache_.constFind(key); found != cache_.constEnd())
            return *found;
        QPixmap pm(pixels);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            p.scale(pixels.width() / qreal(design_), pixels.height() / qreal(design_));
            paint_(p);
        }
        if (mode == QIcon::Disabled || mode == QIcon::Selected) {
            QStyleOption option;
            pm = QApplication::style()->generatedIconPixmap(mode, pm, &option);
        }
        pm.setDevicePixelRatio(scale);
        cache_.insert(key, pm);
        return pm;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new PaintedIconEngine(paint_, design_); }

private:
    std::function<void(QPainter&)> paint_;
    int design_;
    QHash<QString, QPixmap> cache_;
};

} // namespace

QIcon PaintedIcon(std::function<void(QPainter&)> paint, int design) {
    return QIcon(new PaintedIconEngine(std::move(paint), design));
}

namespace {

void PaintToolbarIcon(QPainter& p, const QString& kind) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    if (kind == QLatin1String("new")) {
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({{7, 3}, {19, 3}, {26, 10}, {26, 29}, {7, 29}}));
        p.drawPolyline(QPolygonF({{19, 3}, {19, 10}, {26, 10}}));
    } else if (kind == QLatin1String("open")) {
        p.setBrush(QColor(0xe8, 0xb8, 0x4a));
        p.drawPolygon(QPolygonF({{3, 8}, {12, 8}, {15, 11}, {28, 11}, {28, 27}, {3, 27}}));
        p.setBrush(QColor(0xf6, 0xd3, 0x7a));
        p.drawPolygon(QPolygonF({{7, 15}, {31, 15}, {28, 27}, {3, 27}}));
    } else if (kind == QLatin1String("save")) {
        p.setBrush(QColor(0x2e, 0x6d, 0xb4));
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(0xdd, 0xdd, 0xdd));
        p.drawRect(QRectF(8, 18, 16, 10));
    } else if (kind == QLatin1String("cut")) {
        p.drawLine(QPointF(10, 4), QPointF(21, 22));
        p.drawLine(QPointF(22, 4), QPointF(11, 22));
        p.drawEllipse(QPointF(9, 25), 4, 4);
        p.drawEllipse(QPointF(23, 25), 4, 4);
    } else if (kind == QLatin1String("copy")) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 4, 15, 19));
        p.drawRect(QRectF(12, 10, 15, 19));
    } else if (kind == QLatin1String("paste")) {
        p.setBrush(QColor(0xc8, 0x9b, 0x5a));
        p.drawRoundedRect(QRectF(6, 6, 20, 23), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(10, 10, 12, 15));
        p.setBrush(QColor(0x80, 0x80, 0x80));
        p.drawRect(QRectF(12, 3, 8, 5));
    } else if (kind == QLatin1String("print")) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(0x80, 0x80, 0x80));
        p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 20, 14, 9));
    } else { // about
        p.setBrush(QColor(0x2e, 0x6d, 0xb4));
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 14), QPointF(16, 23));
        p.drawPoint(QPointF(16, 9));
    }
}

} // namespace

QIcon ToolbarIcon(const char* kind) {
    return PaintedIcon(
        [name = QString::fromLatin1(kind)](QPainter& p) { PaintToolbarIcon(p, name); });
}
