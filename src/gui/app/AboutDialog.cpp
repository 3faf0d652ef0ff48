#include "app/AboutDialog.h"

#include "app/Vlakomat.h"

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

QImage VlakomatIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
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
    return image;
}

QIcon VlakomatIcon() {
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(QPixmap::fromImage(VlakomatIconImage(size)));
    return icon;
}

bool WriteIconFiles(const QString& themeDir) {
    for (int size : kIconSizes) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(themeDir).arg(size);
        if (!QDir().mkpath(dir) || !VlakomatIconImage(size).save(dir + "/vlakomat.png"))
            return false;
    }
    return true;
}

QIcon EditIcon(const char* kind) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    const QString name = QString::fromLatin1(kind);
    if (name == QLatin1String("cut")) {
        p.drawLine(QPointF(10, 4), QPointF(21, 22));
        p.drawLine(QPointF(22, 4), QPointF(11, 22));
        p.drawEllipse(QPointF(9, 25), 4, 4);
        p.drawEllipse(QPointF(23, 25), 4, 4);
    } else if (name == QLatin1String("copy")) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 4, 15, 19));
        p.drawRect(QRectF(12, 10, 15, 19));
    } else {
        p.setBrush(QColor(0xc8, 0x9b, 0x5a));
        p.drawRoundedRect(QRectF(6, 6, 20, 23), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(10, 10, 12, 15));
        p.setBrush(QColor(0x80, 0x80, 0x80));
        p.drawRect(QRectF(12, 3, 8, 5));
    }
    return QIcon(pixmap);
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
