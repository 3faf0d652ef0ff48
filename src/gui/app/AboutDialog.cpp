#include "app/AboutDialog.h"

#include "app/Vlakomat.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

QIcon VlakomatIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A small locomotive: body, cab, chimney and three wheels on a rail.
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(0x2e, 0x6d, 0xb4));
    p.drawRoundedRect(QRectF(6, 24, 36, 20), 3, 3);
    p.setBrush(QColor(0xc0, 0x39, 0x2b));
    p.drawRect(QRectF(40, 14, 18, 30));
    p.setBrush(QColor(0x33, 0x33, 0x33));
    p.drawRect(QRectF(12, 12, 8, 12));
    p.setBrush(Qt::black);
    for (int x : {14, 30, 50})
        p.drawEllipse(QPointF(x, 49), 6, 6);
    p.drawLine(QPointF(2, 57), QPointF(62, 57));
    return QIcon(pixmap);
}

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("O programu Vlakomat"));
    auto* icon = new QLabel;
    icon->setPixmap(VlakomatIcon().pixmap(48, 48));
    auto* line = new QLabel(QString::fromUtf8(CVlakomatApp::kVersionLine));
    line->setObjectName(QStringLiteral("versionLabel"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(line, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}
