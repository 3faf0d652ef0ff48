#pragma once
// The layout panel in the main window: draws the document, turns clicks into placing,
// deleting, editing and switching turnouts, zooms with the mouse wheel and prints. The
// decisions are LayoutPanel's; this window shows them and sends the switch requests.

#include "core/layout/LayoutPanel.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QList>

class CLoconet;
class CVlakomatDoc;
class Prompts;
class QAction;
class QActionGroup;
class QPrinter;
class QToolBar;

class CVlakomatView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CVlakomatView(CVlakomatDoc& doc, CLoconet& link, Prompts& prompts, QWidget* parent = nullptr);

    LayoutPanel& Panel() { return panel_; }
    // The toolbar buttons in their three groups: rotations and subtype, modes, elements.
    void AddCommandsTo(QToolBar* toolBar) const;
    // The command of a toolbar button by its id (PanelCommand), or nullptr.
    QAction* Command(int id) const;

    // The document changed: redraw and fit the scroll range.
    void OnUpdate();
    void OnFilePrint();
    void OnFilePrintPreview();
    // Draws the panel's elements on one page, as large as the page allows.
    void Print(QPrinter& printer) const;
    // What the window shows in an area of the given size (device-independent pixels),
    // drawn at a device pixel ratio.
    QImage Snapshot(const QSize& size, qreal devicePixelRatio) const;

signals:
    void StatusText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateCommands();
    QAction* AddCommand(int id, const char* name, const char* text, const char* tip);
    void OnCommand(int id);
    void EditTurnout(int index);
    void UpdateScrollRange();
    void PaintContents(QPainter& painter, const QRect& area, qreal devicePixelRatio) const;

    CVlakomatDoc& doc_;
    CLoconet& link_;
    Prompts& prompts_;
    LayoutPanel panel_;
    QList<QAction*> commands_;
    QActionGroup* modes_ = nullptr;
    int wheelRest_ = 0;
};
