#include "gui/throttles/EngineKey.h"

#include <QPainter>
#include <QPainterPath>

CEngineKey::CEngineKey(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CEngineKey::SetPicture(EnginePicture picture) {
    if (picture == picture_)
        return;
    picture_ = picture;
    setToolTip(picture == EnginePicture::Running   ? QStringLiteral("Motor teče")
               : picture == EnginePicture::Stopped ? QStringLiteral("Motor je ugasnjen")
               : picture == EnginePicture::NotHeld ? QStringLiteral("Lokomotiva ni prevzeta")
                                                   : QString());
    update();
}

void CEngineKey::paintEvent(QPaintEvent*) {
    QColor colour;
    switch (picture_) {
    case EnginePicture::NoEngine:
        return;
    case EnginePicture::Stopped:
        colour = QColor(0xd0, 0x20, 0x20);
        break;
    case EnginePicture::Running:
        colour = QColor(0x20, 0xa8, 0x30);
        break;
    case EnginePicture::NotHeld:
        colour = QColor(0x9a, 0x9a, 0x9a);
        break;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The key fills the top-left quarter of a 32-unit square that fits the control.
    const qreal unit = std::min(width(), height()) / 32.0;
    p.scale(unit, unit);
    // The bow: a ring with a hole; the blade to the right with two teeth below.
    QPainterPath key;
    key.addEllipse(QPointF(5.5, 8), 4.5, 4.5);
    QPainterPath blade;
    blade.addRect(QRectF(9, 6.75, 7, 2.5));
    blade.addRect(QRectF(11.5, 9, 1.5, 2.5));
    blade.addRect(QRectF(14.5, 9, 1.5, 3));
    key = key.united(blade);
    QPainterPath hole;
    hole.addEllipse(QPointF(4.5, 8), 1.6, 1.6);
    key = key.subtracted(hole);
    p.setPen(QPen(colour.darker(160), 0.8));
    p.setBrush(colour);
    p.drawPath(key);
}
