#include "gui/common/Controls.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

QHBoxLayout* OkCancelRow(QDialog* dialog) {
    auto* ok = Control<QPushButton>(QStringLiteral("okButton"), QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = Control<QPushButton>(QStringLiteral("cancelButton"), QStringLiteral("Cancel"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

void KeepOnScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (screen == nullptr)
        return;
    const QRect room = screen->availableGeometry();
    // A window not framed yet is taken to get the frame that its parent's window has.
    int frame = window->frameGeometry().height() - window->height();
    if (frame == 0 && window->parentWidget() != nullptr) {
        const QWidget* parent = window->parentWidget()->window();
        frame = parent->frameGeometry().height() - parent->height();
    }
    const int top = std::max(room.top(), room.bottom() + 1 - frame - window->height());
    if (window->y() > top)
        window->move(window->x(), top);
}

void SetReadOnly(QLineEdit* edit, bool readOnly) {
    edit->setReadOnly(readOnly);
    QPalette palette = edit->palette();
    const QPalette standard = QApplication::palette(edit);
    palette.setColor(QPalette::Base, standard.color(readOnly ? QPalette::Window : QPalette::Base));
    edit->setPalette(palette);
}

QTreeWidget* ReportList(const QString& name,
                        std::initializer_list<std::pair<const char*, int>> columns) {
    auto* list = Control<QTreeWidget>(name);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setIconSize(QSize(16, 16));
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList labels;
    int column = 0;
    for (const auto& [label, width] : columns) {
        labels << QString::fromUtf8(label);
        list->setColumnWidth(column++, width);
    }
    list->setHeaderLabels(labels);
    list->header()->setStretchLastSection(true);
    return list;
}

QTreeWidgetItem* AddRow(QTreeWidget* list, int data, std::initializer_list<std::string> texts) {
    auto* item = new QTreeWidgetItem(list);
    int column = 0;
    for (const std::string& text : texts)
        item->setText(column++, FromStd(text));
    item->setData(0, Qt::UserRole, data);
    return item;
}

int SelectedRow(const QTreeWidget* list) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : selected.front()->data(0, Qt::UserRole).toInt();
}

void SelectRow(QTreeWidget* list, int data) {
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toInt() != data)
            continue;
        list->setCurrentItem(item);
        item->setSelected(true);
        list->scrollToItem(item);
        return;
    }
}

namespace {

// One image in a 16 x 16 box: a disc in the status's colour, with a mark where the colour
// alone would not tell it.
void PaintStatus(QPainter& p, int image) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(2, 2, 12, 12);
    const QColor green(0x2e, 0x9d, 0x3a), grey(0x9a, 0x9a, 0x9a), dark(0x40, 0x40, 0x40);
    switch (image) {
    case 0: // hidden: a dashed outline
        p.setPen(QPen(grey, 1.2, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(disc);
        break;
    case 1: // disabled: grey, struck through
        p.setPen(QPen(dark, 1));
        p.setBrush(QColor(0xd0, 0xd0, 0xd0));
        p.drawEllipse(disc);
        p.setPen(QPen(QColor(0xc0, 0x20, 0x20), 1.8));
        p.drawLine(QPointF(4, 12), QPointF(12, 4));
        break;
    case 2: // inactive: an empty green ring
        p.setPen(QPen(green, 2));
        p.setBrush(Qt::white);
        p.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));
        break;
    case 3: // active: a full green disc
        p.setPen(QPen(green.darker(130), 1));
        p.setBrush(green);
        p.drawEllipse(disc);
        break;
    case 4: { // always active: a full disc with a tick
        p.setPen(QPen(green.darker(160), 1));
        p.setBrush(green.darker(130));
        p.drawEllipse(disc);
        QPainterPath tick;
        tick.moveTo(4.8, 8.2);
        tick.lineTo(7, 10.5);
        tick.lineTo(11.3, 5.5);
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        break;
    }
    default: { // internal: a blue diamond
        QPolygonF diamond({QPointF(8, 1.5), QPointF(14.5, 8), QPointF(8, 14.5), QPointF(1.5, 8)});
        p.setPen(QPen(QColor(0x1d, 0x4f, 0x91), 1));
        p.setBrush(QColor(0x3d, 0x7e, 0xd0));
        p.drawPolygon(diamond);
        break;
    }
    }
}

} // namespace

QIcon StatusIcon(int image) {
    QIcon icon;
    for (qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(16, 16) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        PaintStatus(painter, image);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
