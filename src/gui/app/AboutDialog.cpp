#include "gui/app/AboutDialog.h"

#include "gui/app/Vlakomat.h"
#include "gui/common/PaintedIcon.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

} // namespace

namespace {
// A small locomotive on 64 by 64 units: body, cab, chimney and three wheels on a rail.
void PaintLocomotive(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
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
}
} // namespace

QImage VlakomatIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(size / 64.0, size / 64.0);
    PaintLocomotive(p);
    return image;
}

QIcon VlakomatIcon() {
    return PaintedIcon(PaintLocomotive, 64);
}

bool WriteIconFiles(const QString& themeDir) {
    for (int size : kIconSizes) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(themeDir).arg(size);
        if (!QDir().mkpath(dir) || !VlakomatIconImage(size).save(dir + "/vlakomat.png"))
            return false;
    }
    return true;
}

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("O programu Vlakomat"));
    auto* icon = new QLabel;
    icon->setPixmap(VlakomatIcon().pixmap(48, 48));
    auto* line = new QLabel(QString::fromUtf8(CVlakomatApp::kVersionLine));
    line->setObjectName(QStringLiteral("versionLabel"));
    // The program's own line names its build of old; the release is what `vlakomat
    // --version` and the installed package say.
    auto* release =
        new QLabel(QStringLiteral("Različica %1").arg(QStringLiteral(VLAKOMAT_VERSION)));
    release->setObjectName(QStringLiteral("releaseLabel"));
    auto* lines = new QVBoxLayout;
    lines->addWidget(line);
    lines->addWidget(release);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addLayout(lines, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}
