#include "gui/layout/VlakomatView.h"

#include "core/layout/TurnoutMove.h"
#include "core/loconet/Loconet.h"
#include "gui/common/Modules.h"
#include "gui/layout/DlgTurnout.h"
#include "gui/layout/LayoutIcons.h"
#include "gui/layout/LayoutPainter.h"

#include <QAction>
#include <QActionGroup>
#include <QDate>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolBar>
#include <QWheelEvent>
#include <QtMath>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

constexpr int kWheelStep = 120; // one notch of a mouse wheel

} // namespace

CVlakomatView::CVlakomatView(CVlakomatDoc& doc, CLoconet& link, Prompts& prompts, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), link_(link), prompts_(prompts), panel_(doc, prompts),
      bus_(doc) {
    setObjectName(QStringLiteral("VlakomatView"));
    viewport()->setObjectName(QStringLiteral("VlakomatViewport"));
    horizontalScrollBar()->setSingleStep(LayoutPanel::kDefaultCellSize);
    verticalScrollBar()->setSingleStep(LayoutPanel::kDefaultCellSize);
    CreateCommands();
    UpdateScrollRange();
    watcher_ = link_.AddMessageWatcher(
        [this](const LocoNetMessage& message) { FromBus([&] { bus_.OnMessage(message); }); });
    // A turnout moves when the link says its request is on the bus, not when it is queued.
    outcomes_ = link_.AddOutcomeWatcher([this](const LocoNetMessage& message, bool onBus) {
        FromBus([&] { bus_.OnOutcome(message, onBus); });
        ReportSyncEnd();
    });
}

template <typename Change> void CVlakomatView::FromBus(Change change) {
    const bool was = busChanging_;
    busChanging_ = true;
    change();
    busChanging_ = was;
}

CVlakomatView::~CVlakomatView() = default;

QAction* CVlakomatView::AddCommand(int id, const char* name, const char* text, const char* tip) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setData(id);
    action->setStatusTip(QString::fromUtf8(tip));
    action->setIcon(LayoutCommandIcon(id));
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    commands_.append(action);
    return action;
}

void CVlakomatView::CreateCommands() {
    using namespace PanelCommand;
    AddCommand(kRotateLeft, "actionRotateLeft", "Zasukaj levo",
               "Zasukaj elemente v izbrani celici v levo");
    AddCommand(kRotateRight, "actionRotateRight", "Zasukaj desno",
               "Zasukaj elemente v izbrani celici v desno");
    AddCommand(kNextSubtype, "actionNextSubtype", "Naslednji podtip",
               "Zamenjaj podtip elementov v izbrani celici");
    modes_ = new QActionGroup(this);
    struct Mode {
        int id;
        const char* name;
        const char* text;
        const char* tip;
    };
    const Mode modes[] = {
        {kEditTurnout, "actionEditTurnout", "Lastnosti kretnic",
         "Klik na kretnico odpre njene lastnosti"},
        {kOperate, "actionOperate", "Upravljanje", "Klik na kretnico jo preklopi"},
        {kDelete, "actionDelete", "Brisanje", "Klik na element ga izbriše"},
        {kPlaceFirst + ElementType::kTrack, "actionPlaceTrack", "Tir",
         "Klik v prazno celico doda tir"},
        {kPlaceFirst + ElementType::kEnd, "actionPlaceEnd", "Konec tira",
         "Klik v prazno celico doda konec tira"},
        {kPlaceFirst + ElementType::kEmpty, "actionPlaceEmpty", "Prazen element",
         "Klik v prazno celico doda prazen element"},
        {kPlaceFirst + ElementType::kTurnout, "actionPlaceTurnout", "Kretnica",
         "Klik v prazno celico doda kretnico"},
        {kPlaceFirst + ElementType::kThreeWay, "actionPlaceThreeWay", "Tripotna kretnica",
         "Klik v prazno celico doda tripotno kretnico"},
        {kPlaceDetector, "actionPlaceDetector", "Detektor zasedenosti",
         "Klik v prazno celico doda tir z detektorjem zasedenosti"},
    };
    for (const Mode& m : modes) {
        QAction* action = AddCommand(m.id, m.name, m.text, m.tip);
        action->setCheckable(true);
        action->setChecked(m.id == kOperate);
        modes_->addAction(action);
    }
}

void CVlakomatView::AddCommandsTo(QToolBar* toolBar) const {
    toolBar->addSeparator();
    for (QAction* action : commands_) {
        const int id = action->data().toInt();
        if (id == PanelCommand::kEditTurnout || id == PanelCommand::kPlaceFirst)
            toolBar->addSeparator();
        toolBar->addAction(action);
    }
}

QAction* CVlakomatView::Command(int id) const {
    for (QAction* action : commands_)
        if (action->data().toInt() == id)
            return action;
    return nullptr;
}

void CVlakomatView::OnCommand(int id) {
    using namespace PanelCommand;
    switch (id) {
    case kRotateLeft:
        panel_.Rotate(-1);
        break;
    case kRotateRight:
        panel_.Rotate(1);
        break;
    case kNextSubtype:
        panel_.NextSubtype();
        break;
    case kEditTurnout:
        panel_.SetMode(PanelMode::kEditTurnout);
        break;
    case kOperate:
        panel_.SetMode(PanelMode::kOperate);
        break;
    case kDelete:
        panel_.SetMode(PanelMode::kDelete);
        break;
    default:
        panel_.SetMode(id - kPlaceFirst);
        break;
    }
    // The editing aids come and go with the mode.
    viewport()->update();
}

bool CVlakomatView::CannotSend() const {
    return LinkCannotSend(link_);
}

void CVlakomatView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    const QPoint p = event->position().toPoint();
    LayoutPanel::ClickResult click =
        panel_.Click(p.x() + horizontalScrollBar()->value(), p.y() + verticalScrollBar()->value());
    // A turnout moves on the panel only when its requests are on the bus; meanwhile it is
    // drawn waiting. With the link closed nothing is sent: requests kept would move the
    // turnout long after the click.
    if (click.turnout >= 0) {
        std::string why;
        FromBus([&] {
            why = MoveTurnout(link_, bus_, doc_, click.turnout, click.position, click.requests);
        });
        if (!why.empty())
            click.status += "; " + why;
    }
    emit StatusText(QString::fromStdString(click.status));
    viewport()->update();
    if (click.edit >= 0) {
        EditElement(click.edit);
        emit StatusText(QString::fromStdString(panel_.CellText(click.column, click.row)));
    }
}

void CVlakomatView::EditElement(int index) {
    const LayoutElement& element = doc_.Element(index);
    if (element.IsDetector()) {
        CDlgDetector dialog(element.sensor, prompts_, this);
        if (dialog.exec() == QDialog::Accepted && index < doc_.Count())
            doc_.SetSensor(index, dialog.Address());
        return;
    }
    const int type = element.type;
    CDlgTurnout dialog(type, TurnoutProperties::From(type, *element.turnout), prompts_, this);
    if (dialog.exec() != QDialog::Accepted || index >= doc_.Count() || !doc_.Element(index).turnout)
        return;
    TurnoutData turnout = *doc_.Element(index).turnout;
    dialog.Values().ApplyTo(type, turnout);
    doc_.SetTurnout(index, turnout);
}

void CVlakomatView::Synchronize() {
    if (CannotSend()) {
        emit StatusText(QStringLiteral("Povezava LocoNet ni odprta, kretnice niso sinhronizirane"));
        return;
    }
    const int requests = bus_.StartSync();
    emit StatusText(
        requests == 0
            ? QStringLiteral("Na maketi ni kretnic z naslovi, ni poslano")
            : QStringLiteral("Sinhroniziram kretnice, zahtev za pošiljanje: %1 ...").arg(requests));
}

void CVlakomatView::StepSync(Tick now) {
    if (!bus_.Syncing())
        return;
    if (CannotSend())
        bus_.StopSync();
    else
        FromBus([&] {
            bus_.StepSync(
                now, [this](const LocoNetMessage& request) { return link_.QueueMessage(request); });
        });
    ReportSyncEnd();
}

void CVlakomatView::LinkLost() {
    FromBus([&] { bus_.LinkLost(); });
    ReportSyncEnd();
}

void CVlakomatView::ReportSyncEnd() {
    const std::optional<LayoutBus::SyncEnd> end = bus_.TakeSyncEnd();
    if (!end)
        return;
    if (end->missed == 0) {
        emit StatusText(QStringLiteral("Kretnice so sinhronizirane"));
        return;
    }
    const QString missed =
        QStringLiteral("%1 od %2 zahtev ni prišlo na vodilo").arg(end->missed).arg(end->requests);
    emit StatusText(
        CannotSend() ? QStringLiteral(
                           "Povezava LocoNet je prekinjena, sinhronizacija kretnic ni končana: ") +
                           missed
                     : QStringLiteral("Sinhronizacija kretnic ni končana: ") + missed);
}

void CVlakomatView::SetShowAddresses(bool show) {
    showAddresses_ = show;
    viewport()->update();
}

PanelLook CVlakomatView::Look() const {
    PanelLook look;
    const int mode = panel_.Mode();
    look.editing = mode != PanelMode::kOperate;
    look.selectedColumn = panel_.SelectedColumn();
    look.selectedRow = panel_.SelectedRow();
    look.addresses = showAddresses_;
    return look;
}

void CVlakomatView::wheelEvent(QWheelEvent* event) {
    // Whole notches zoom; a touchpad's small steps add up to them.
    wheelRest_ += std::clamp(event->angleDelta().y(), -100 * kWheelStep, 100 * kWheelStep);
    bool zoomed = false;
    const int before = panel_.CellSize();
    for (; std::abs(wheelRest_) >= kWheelStep;
         wheelRest_ -= wheelRest_ > 0 ? kWheelStep : -kWheelStep)
        zoomed |= panel_.Zoom(wheelRest_ > 0);
    event->accept();
    if (!zoomed)
        return;
    // The point under the mouse stays where it is.
    const QPointF at = event->position();
    const qreal scale = qreal(panel_.CellSize()) / before;
    const QPointF content(at.x() + horizontalScrollBar()->value(),
                          at.y() + verticalScrollBar()->value());
    UpdateScrollRange();
    horizontalScrollBar()->setValue(qRound(content.x() * scale - at.x()));
    verticalScrollBar()->setValue(qRound(content.y() * scale - at.y()));
    viewport()->update();
}

void CVlakomatView::OnUpdate() {
    // A layout opened or edited shows at once what the bus has said about its turnouts
    // and detectors.
    if (!busChanging_)
        FromBus([&] { bus_.Apply(); });
    UpdateScrollRange();
    viewport()->update();
}

void CVlakomatView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void CVlakomatView::UpdateScrollRange() {
    const int cs = panel_.CellSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, panel_.ColumnsShown() * cs - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, panel_.RowsShown() * cs - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setSingleStep(cs);
    verticalScrollBar()->setSingleStep(cs);
}

void CVlakomatView::PaintContents(QPainter& painter, const QRect& area, qreal dpr) const {
    // Drawn in device pixels, so that the bands are sharp on high-resolution screens.
    painter.scale(1 / dpr, 1 / dpr);
    const QPoint scroll(qRound(horizontalScrollBar()->value() * dpr),
                        qRound(verticalScrollBar()->value() * dpr));
    painter.translate(-scroll);
    const QRect device(QPoint(qFloor(area.left() * dpr), qFloor(area.top() * dpr)) + scroll,
                       QSize(qCeil(area.width() * dpr) + 1, qCeil(area.height() * dpr) + 1));
    const PanelExtent extent{std::max(1, qRound(panel_.CellSize() * dpr)), panel_.ColumnsShown(),
                             panel_.RowsShown()};
    PaintPanel(painter, doc_, extent, device, Look());
}

void CVlakomatView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    PaintContents(painter, event->rect(), viewport()->devicePixelRatioF());
}

QImage CVlakomatView::Snapshot(const QSize& size, qreal dpr) const {
    QImage image(size * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    QPainter painter(&image);
    PaintContents(painter, QRect(QPoint(0, 0), size), dpr);
    return image;
}

namespace {
// Columns and rows up to the last element, at least one each.
QSize UsedCells(const CVlakomatDoc& doc) {
    QSize cells(1, 1);
    for (const LayoutElement& e : doc.Elements())
        cells = cells.expandedTo(QSize(e.column + 1, e.row + 1));
    return cells;
}
} // namespace

PrintJob CVlakomatView::PrintJobOf() const {
    const QSize cells = UsedCells(doc_);
    return {documentName_, cells.width() > cells.height(),
            [this](QPainter& painter, const QSize& page) { Print(painter, page); }};
}

void CVlakomatView::Print(QPainter& painter, const QSize& page) const {
    const QSize cells = UsedCells(doc_);
    const QString title =
        (documentName_.isEmpty() ? QStringLiteral("Brez naslova") : documentName_) +
        QStringLiteral(" - ") +
        QLocale(QLocale::Slovenian).toString(QDate::currentDate(), QStringLiteral("d. M. yyyy"));
    QFont font = painter.font();
    font.setPointSize(12);
    painter.setFont(font);
    const int titleHeight = painter.fontMetrics().height() * 2;
    painter.drawText(QRect(0, 0, page.width(), titleHeight), Qt::AlignLeft | Qt::AlignTop, title);
    const int cs = std::max(
        1, std::min(page.width() / cells.width(), (page.height() - titleHeight) / cells.height()));
    painter.translate(0, titleHeight);
    PanelLook look;
    look.paper = true;
    look.addresses = showAddresses_;
    PaintPanel(painter, doc_, {cs, cells.width(), cells.height()},
               QRect(0, 0, cells.width() * cs, cells.height() * cs), look);
}

void CVlakomatView::OpenPrinting(bool preview) {
    QString why;
    const auto print = reinterpret_cast<PrintEntry>(ResolveModule(
        ModuleFolders(), QString::fromLatin1(kPrintModuleName), kPrintModuleEntry, &why));
    if (!print) {
        prompts_.Inform("Tiskanje ni mogoče (" + why.toStdString() + ").", PromptIcon::Warning);
        return;
    }
    print(this, PrintJobOf(), preview);
}

void CVlakomatView::OnFilePrint() {
    OpenPrinting(false);
}

void CVlakomatView::OnFilePrintPreview() {
    OpenPrinting(true);
}
