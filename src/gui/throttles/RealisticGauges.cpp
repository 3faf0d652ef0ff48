#include "gui/throttles/RealisticGauges.h"

#include "core/throttles/GaugePanel.h"
#include "core/throttles/RealisticThrottle.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// The dialog units of the font that the gauges' pixel layout was made for.
constexpr double kLayoutBaseX = 6;
constexpr double kLayoutBaseY = 13;

QColor ToColor(const gauges::Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

// The largest pixel size at which the font's line is at most `height` high and every text
// fits the room it has.
QFont Fitted(QFont font, double height, const std::vector<gauges::Text>& texts, double sx) {
    font.setPixelSize(100);
    const double lineRatio = QFontMetricsF(font).height() / 100;
    int size = std::max(1, static_cast<int>(height / lineRatio));
    for (; size > 1; --size) {
        font.setPixelSize(size);
        const QFontMetricsF metrics(font);
        const bool fits = std::all_of(texts.begin(), texts.end(), [&](const gauges::Text& t) {
            return metrics.horizontalAdvance(QString::fromStdString(t.text)) <= t.room * sx;
        });
        if (fits)
            break;
    }
    font.setPixelSize(size);
    return font;
}

QFont BoldFace(const char* family, QFont::StyleHint hint) {
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(hint);
    font.setBold(true);
    return font;
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    baseX = metrics.horizontalAdvance(
                QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
            52;
    baseY = metrics.height();
}

QRect DialogUnits::Rect(int x, int y, int w, int h) const {
    const auto px = [](double units, double base) {
        return static_cast<int>(std::lround(units * base));
    };
    const int left = px(x, baseX / 4), top = px(y, baseY / 8);
    return QRect(left, top, px(x + w, baseX / 4) - left, px(y + h, baseY / 8) - top);
}

CRealisticGauges::CRealisticGauges(const RealisticThrottle& throttle, QWidget* parent)
    : QWidget(parent), throttle_(throttle), valueFont_(BoldFace("monospace", QFont::Monospace)),
      captionFont_(BoldFace("sans-serif", QFont::SansSerif)) {
    setObjectName(QStringLiteral("gauges"));
    // Under the controls, and the clicks go to them.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    lower();
}

void CRealisticGauges::SetUnits(const DialogUnits& units) {
    sx_ = units.baseX / kLayoutBaseX;
    sy_ = units.baseY / kLayoutBaseY;
    FitFonts();
    update();
}

void CRealisticGauges::FitFonts() {
    const gauges::Picture sample = gauges::Draw(throttle_.Model(), true);
    valueFont_ = Fitted(valueFont_, gauges::kValueHeight * sy_, sample.values, sx_);
    captionFont_ = Fitted(captionFont_, gauges::kCaptionHeight * sy_, sample.captions, sx_);
    textImages_.clear();
}

QPointF CRealisticGauges::At(double x, double y, qreal ratio) const {
    return QPointF(std::round(x * sx_ * ratio) / ratio, std::round(y * sy_ * ratio) / ratio);
}

QRectF CRealisticGauges::BoxAt(const gauges::Box& box, qreal ratio) const {
    return QRectF(At(box.x, box.y, ratio), At(box.x + box.w, box.y + box.h, ratio));
}

QRect CRealisticGauges::Region(const gauges::Box& box) const {
    return QRectF(box.x * sx_, box.y * sy_, box.w * sx_, box.h * sy_).toAlignedRect();
}

void CRealisticGauges::Redraw(unsigned regions) {
    QRegion dirty;
    for (const gauges::Box& box : gauges::RegionBoxes(regions)) {
        if (box == gauges::kArea) {
            update();
            return;
        }
        dirty += Region(box);
    }
    // The ammeter's and the brake's digit regions reach under the sliders' top edges, where
    // no digit is drawn: left out, the sliders do not repaint with every value.
    for (QWidget* control : parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (control != this && control->isVisible())
            dirty -= control->geometry().translated(-pos());
    update(dirty);
}

const QPixmap& CRealisticGauges::TextImage(const gauges::Text& t, bool value, qreal ratio) {
    // A few dozen texts make a drive; the bound keeps a long one from hoarding images.
    if (ratio != textRatio_ || textImages_.size() > 256) {
        textImages_.clear();
        textRatio_ = ratio;
    }
    const QString text = QString::fromStdString(t.text);
    const QString key = QString::number(value ? 1 : 0) + QLatin1Char('/') +
                        QString::number(ToColor(t.color).rgb(), 16) + QLatin1Char('/') + text;
    if (const auto found = textImages_.constFind(key); found != textImages_.constEnd())
        return *found;
    const QFont& font = value ? valueFont_ : captionFont_;
    const QFontMetricsF metrics(font);
    // Room for the glyphs that reach past their advance (bold faces do).
    const QSizeF size(metrics.horizontalAdvance(text) + metrics.height() / 2,
                      metrics.height() * 5 / 4);
    QPixmap image(static_cast<int>(std::ceil(size.width() * ratio)),
                  static_cast<int>(std::ceil(size.height() * ratio)));
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(ToColor(t.color));
    p.drawText(QRectF(QPointF(0, 0), size), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    p.end();
    return *textImages_.insert(key, image);
}

void CRealisticGauges::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    // The device pixels per layout pixel of what is painted on: the screen, or an image of
    // another ratio.
    qreal ratio = p.deviceTransform().m11();
    if (ratio <= 0)
        ratio = devicePixelRatioF();
    const qreal line = std::max(1.0, std::round(std::min(sx_, sy_) * ratio)) / ratio;
    const gauges::Picture pic = gauges::Draw(throttle_.Model(), throttle_.Running());
    // Only what lies in the region asked for is drawn: while the train runs that is a value
    // or a bar, and the rest of the picture stands.
    const QRegion& dirty = event->region();
    const auto due = [&dirty](const QRectF& r) { return dirty.intersects(r.toAlignedRect()); };
    // The background is painted here, so that the window under the gauges paints nothing.
    p.fillRect(event->rect(), palette().window());

    for (const gauges::Box& frame : pic.frames) {
        const QRectF outer = BoxAt(frame, ratio);
        if (!due(outer))
            continue;
        p.fillRect(outer, ToColor(pic.frameColor));
        p.fillRect(outer.adjusted(line, line, -line, -line), Qt::white);
    }
    for (const gauges::Fill& bar : pic.bars)
        if (const QRectF box = BoxAt(bar.box, ratio); due(box))
            p.fillRect(box, ToColor(bar.color));

    const auto drawTexts = [&](const std::vector<gauges::Text>& texts, bool value) {
        for (const gauges::Text& t : texts) {
            const QPixmap& image = TextImage(t, value, ratio);
            const QPointF at = At(t.x, t.y, ratio);
            QRectF target(at, image.deviceIndependentSize());
            if (t.clip.w > 0)
                target &= BoxAt(t.clip, ratio);
            if (!due(target))
                continue;
            const QRectF source((target.topLeft() - at) * ratio, target.size() * ratio);
            p.drawPixmap(target, image, source);
        }
    };
    drawTexts(pic.captions, false);
    drawTexts(pic.values, true);

    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF arrow;
    for (const gauges::Point& point : pic.arrow)
        arrow << At(point.x, point.y, ratio);
    if (due(arrow.boundingRect())) {
        p.setPen(Qt::NoPen);
        p.setBrush(ToColor(pic.arrowColor));
        p.drawPolygon(arrow);
    }
    QPolygonF mark;
    for (const gauges::Point& point : pic.accelMark)
        mark << At(point.x, point.y, ratio);
    if (!mark.isEmpty() && due(mark.boundingRect().adjusted(-line, -line, line, line))) {
        p.setPen(QPen(ToColor(pic.markColor), line, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(mark);
    }
    if (pic.lamp && due(BoxAt(pic.lampBox, ratio))) {
        p.setPen(QPen(ToColor(pic.frameColor), line));
        p.setBrush(ToColor(pic.lampColor));
        p.drawEllipse(BoxAt(pic.lampBox, ratio).adjusted(line / 2, line / 2, -line / 2, -line / 2));
    }
}
