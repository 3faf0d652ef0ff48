#pragma once
// What the layout view decides: the zoom, the selected cell, the mode, and what a click
// does in each mode. The window draws, forwards input here and sends what comes back.

#include "core/layout/VlakomatDoc.h"
#include "core/loconet/LocoNetMessage.h"

#include <string>
#include <vector>

class Prompts;

// Modes of the view; 0 to 4 place an element of that type.
namespace PanelMode {
constexpr int kEditTurnout = 100;
constexpr int kOperate = 200;
constexpr int kDelete = 300;
} // namespace PanelMode

// Command ids of the view's toolbar buttons.
namespace PanelCommand {
constexpr int kRotateLeft = 32810;
constexpr int kRotateRight = 32811;
constexpr int kNextSubtype = 32814;
constexpr int kEditTurnout = 32776;
constexpr int kOperate = 32777;
constexpr int kDelete = 32815;
constexpr int kPlaceFirst = 32778; // to 32782, one per element type of 0 to 4
constexpr int kPlaceDetector = 32783;
constexpr int kSynchronize = 32817; // "Maketa > Sinhroniziraj"
} // namespace PanelCommand

class LayoutPanel {
public:
    static constexpr int kDefaultCellSize = 20;
    static constexpr int kMinCellSize = 10;
    // Large enough for any screen; the panel's pixels stay far inside an int.
    static constexpr int kMaxCellSize = 200;
    static constexpr int kGridCells = 100;

    LayoutPanel(CVlakomatDoc& doc, Prompts& prompts) : doc_(doc), prompts_(prompts) {}

    int CellSize() const { return cellSize_; }
    // One step of the mouse wheel; false when the size stays.
    bool Zoom(bool larger);
    int Mode() const { return mode_; }
    void SetMode(int mode) { mode_ = mode; }
    int SelectedColumn() const { return column_; }
    int SelectedRow() const { return row_; }
    // What the status bar says about a cell: "Stolpec 5, vrstica 6" and the element there.
    std::string CellText(int column, int row) const;

    struct ClickResult {
        int column = -1;
        int row = -1;
        int index = -1;     // the element in the cell, or -1
        std::string status; // for the status bar
        int edit = -1;      // the turnout or detector whose properties dialog is to open, or -1
        // A turnout to move: its element, the position and the requests that move it there.
        // The caller moves it only once the requests are on their way.
        int turnout = -1;
        int position = 0;
        std::vector<LocoNetMessage> requests;
    };
    // A click at a point of the panel (scrolling included), in pixels at the current size.
    ClickResult Click(int x, int y);
    // Rotates the elements of the selected cell by eighths; false when nothing turned.
    bool Rotate(int steps) { return doc_.RotateAt(column_, row_, steps); }
    bool NextSubtype() { return doc_.NextSubtypeAt(column_, row_); }

    // Cells the panel spans each way: the grid, and further out to the last element.
    int ColumnsShown() const;
    int RowsShown() const;

private:
    void Operate(ClickResult& result);

    CVlakomatDoc& doc_;
    Prompts& prompts_;
    int cellSize_ = kDefaultCellSize;
    int column_ = -1;
    int row_ = -1;
    int mode_ = PanelMode::kOperate;
};
