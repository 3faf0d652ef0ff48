#pragma once
// The layout panel in the main window: draws the document, turns clicks into placing,
// deleting, editing and switching turnouts, zooms with the mouse wheel and prints. The
// decisions are LayoutPanel's; this window shows them and sends the switch requests.

#include "core/layout/LayoutBus.h"
#include "core/layout/LayoutPanel.h"
#include "core/util/Subscription.h"
#include "gui/layout/LayoutPainter.h"
#include "gui/print/PrintJob.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QList>

class CLoconet;
class CVlakomatDoc;
class Prompts;
class QAction;
class QActionGroup;
class QPainter;
class QToolBar;

class CVlakomatView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CVlakomatView(CVlakomatDoc& doc, CLoconet& link, Prompts& prompts, QWidget* parent = nullptr);
    ~CVlakomatView() override;

    LayoutPanel& Panel() { return panel_; }
    // The toolbar buttons in their three groups: rotations and subtype, modes, elements.
    void AddCommandsTo(QToolBar* toolBar) const;
    // The command of a toolbar button by its id (PanelCommand), or nullptr.
    QAction* Command(int id) const;

    // The document changed: redraw and fit the scroll range.
    void OnUpdate();
    void OnFilePrint();
    void OnFilePrintPreview();
    // The panel for the print module: a page turned to suit the layout's shape (wider than
    // high: landscape), drawn by Print.
    PrintJob PrintJobOf() const;
    // Draws the panel's elements on one page of `page` pixels, as large as the page allows,
    // under a title of the file's name and the date.
    void Print(QPainter& painter, const QSize& page) const;
    // The name that the printed page carries.
    void SetDocumentName(const QString& name) { documentName_ = name; }
    // Turnouts' and detectors' addresses on the panel.
    void SetShowAddresses(bool show);

    // "Sinhroniziraj": sends every turnout's position, one request every 50 ms, and says
    // when every request is on the bus (or how many are not).
    void Synchronize();
    // The heartbeat's part: sends the next request when its time has come, and tells when
    // that will be (kNoDeadline when nothing waits).
    void StepSync(Tick now);
    std::uint32_t SyncDue(Tick now) const { return bus_.SyncDue(now); }
    // What the bus has said of the turnouts (the phones move them through it as well).
    LayoutBus& Bus() { return bus_; }
    // The link was lost (the port went down, the link was closed): turnouts and detectors
    // are drawn unconfirmed until the bus tells again.
    void LinkLost();
    // What the window shows in an area of the given size (device-independent pixels),
    // drawn at a device pixel ratio.
    QImage Snapshot(const QSize& size, qreal dpr) const;

signals:
    void StatusText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Hands the page to the print module (loaded now), or says that printing cannot be done.
    void OpenPrinting(bool preview);
    void CreateCommands();
    QAction* AddCommand(int id, const char* name, const char* text, const char* tip);
    void OnCommand(int id);
    void EditElement(int index);
    // Runs a change that the bus makes to the document, which need not be matched with the
    // bus again.
    template <typename Change> void FromBus(Change change);
    // Says in the status bar that a synchronisation has ended, once it has.
    void ReportSyncEnd();
    // What the program may not send: the link is closed, down, or offline.
    bool CannotSend() const;
    PanelLook Look() const;
    void UpdateScrollRange();
    void PaintContents(QPainter& painter, const QRect& area, qreal dpr) const;

    CVlakomatDoc& doc_;
    CLoconet& link_;
    Subscription watcher_;
    Subscription outcomes_;
    Prompts& prompts_;
    LayoutPanel panel_;
    LayoutBus bus_;
    // The bus is changing the document: its updates need not be matched with the bus again.
    bool busChanging_ = false;
    bool showAddresses_ = false;
    QString documentName_;
    QList<QAction*> commands_;
    QActionGroup* modes_ = nullptr;
    int wheelRest_ = 0;
};
