#include "core/layout/LayoutPanel.h"

#include "core/layout/TurnoutSwitch.h"
#include "platform.h"
#include "util/Text.h"

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
    result.status = text::Format("x=%d, y=%d; sel:%d", result.column, result.row, result.index);
    const bool turnout = result.index >= 0 && doc_.Element(result.index).IsTurnout();
    switch (mode_) {
    case PanelMode::kEditTurnout:
        if (turnout)
            result.editTurnout = result.index;
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
        if (result.index >= 0 || mode_ < 0 || mode_ >= ElementType::kCount)
            break;
        if (doc_.Count() >= CVlakomatDoc::kMaxElements)
            prompts_.Inform(text::Format("Napaka! Maketa ima lahko največ %d elementov!",
                                         CVlakomatDoc::kMaxElements),
                            PromptIcon::Warning);
        else
            doc_.AddElement(result.column, result.row, mode_);
        break;
    }
    return result;
}

void LayoutPanel::Operate(ClickResult& result) {
    const int position = doc_.AdvanceTurnout(result.index);
    SwitchPlan plan = SwitchRequestsFor(*doc_.Element(result.index).turnout, position);
    result.requests = std::move(plan.messages);
    if (!plan.note.empty())
        result.status += "; " + plan.note;
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
