#include "core/layout/LayoutPanel.h"

#include "core/layout/TurnoutSwitch.h"
#include "core/platform.h"
#include "core/util/Text.h"

#include <algorithm>

bool LayoutPanel::Zoom(bool larger) {
    const int size = std::clamp(cellSize_ + (larger ? 1 : -1), kMinCellSize, kMaxCellSize);
    if (size == cellSize_)
        return false;
    cellSize_ = size;
    return true;
}

LayoutPanel::ClickResult LayoutPanel::Click(int x, int y) {
    ClickResult result;
    if (x < 0 || y < 0)
        return result;
    column_ = result.column = x / cellSize_;
    row_ = result.row = y / cellSize_;
    result.index = doc_.FindElement(result.column, result.row);
    result.status = CellText(result.column, result.row);
    const bool turnout = result.index >= 0 && doc_.Element(result.index).IsTurnout();
    switch (mode_) {
    case PanelMode::kEditTurnout:
        if (turnout || (result.index >= 0 && doc_.Element(result.index).IsDetector()))
            result.edit = result.index;
        break;
    case PanelMode::kDelete:
        if (result.index >= 0)
            doc_.RemoveElement(result.index);
        break;
    case PanelMode::kOperate:
        if (turnout)
            Operate(result);
        break;
    default:
        if (mode_ < 0 || mode_ >= ElementType::kCount)
            break;
        if (result.index >= 0)
            result.status += "; celica je zasedena, element ni dodan (najprej ga izbrišite)";
        else if (doc_.Count() >= CVlakomatDoc::kMaxElements)
            prompts_.Inform(text::Format("Napaka! Maketa ima lahko največ %d elementov!",
                                         CVlakomatDoc::kMaxElements),
                            PromptIcon::Warning);
        else
            doc_.AddElement(result.column, result.row, mode_);
        break;
    }
    return result;
}

std::string LayoutPanel::CellText(int column, int row) const {
    std::string out = text::Format("Stolpec %d, vrstica %d", column, row);
    const int index = doc_.FindElement(column, row);
    if (index >= 0)
        out += "; " + ElementName(doc_.Element(index));
    return out;
}

void LayoutPanel::Operate(ClickResult& result) {
    const TurnoutData& turnout = *doc_.Element(result.index).turnout;
    const int position = NextPosition(turnout);
    SwitchPlan plan = SwitchRequestsFor(turnout, position);
    // Half a turnout switched would leave the drawing and the layout apart: all or nothing.
    if (!plan.note.empty()) {
        result.status += "; " + plan.note;
        return;
    }
    result.turnout = result.index;
    result.position = position;
    result.requests = std::move(plan.messages);
}

int LayoutPanel::ColumnsShown() const {
    int columns = kGridCells;
    for (const LayoutElement& e : doc_.Elements())
        columns = std::max(columns, e.column + 2);
    return std::min(columns, CVlakomatDoc::kMaxCells);
}

int LayoutPanel::RowsShown() const {
    int rows = kGridCells;
    for (const LayoutElement& e : doc_.Elements())
        rows = std::max(rows, e.row + 2);
    return std::min(rows, CVlakomatDoc::kMaxCells);
}
