#pragma once
// The realistic throttle's gauges, painted over the whole window under its controls. The
// pixel layout of the gauges is that of the window at its default font; it is scaled by
// the window's dialog units and drawn on the device pixels of the screen, so the bars stay
// sharp and the texts legible at any font size and pixel ratio.

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QPointF>
#include <QRect>
#include <QWidget>

class RealisticThrottle;

namespace gauges {
struct Box;
struct Text;
} // namespace gauges

// The dialog units of a font: a quarter of its average character width and an eighth of
// its height, the grid that the throttle windows are laid out on.
struct DialogUnits {
    explicit DialogUnits(const QFont& font);
    QRect Rect(int x, int y, int w, int h) const;
    double baseX = 6;
    double baseY = 13;
};

class CRealisticGauges : public QWidget {
    Q_OBJECT
public:
    CRealisticGauges(const RealisticThrottle& throttle, QWidget* parent);

    // Takes the scale from the window's dialog units and covers the whole window.
    void SetUnits(const DialogUnits& units);
    // Redraws the regions of a set of RealisticRedraw and GaugeRegion bits.
    void Redraw(unsigned regions);
    // The window's rectangle of a region of the gauges' pixel layout.
    QRect Region(const gauges::Box& box) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FitFonts();
    // A point of the layout on the device pixel grid of `ratio`.
    QPointF At(double x, double y, qreal ratio) const;
    QRectF BoxAt(const gauges::Box& box, qreal ratio) const;
    // A text as painted at `ratio`: the values repeat while the train runs, and copying a
    // cached image costs a fraction of laying the glyphs out again.
    const QPixmap& TextImage(const gauges::Text& text, bool value, qreal ratio);

    const RealisticThrottle& throttle_;
    double sx_ = 1;
    double sy_ = 1;
    QFont valueFont_;
    QFont captionFont_;
    QHash<QString, QPixmap> textImages_; // by font, colour and text; emptied with the fonts
    qreal textRatio_ = 0;                // the device pixel ratio of textImages_
};
