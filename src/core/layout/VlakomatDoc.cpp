#include "core/layout/VlakomatDoc.h"

#include "core/layout/VlkFile.h"
#include "platform.h"
#include "util/Files.h"

#include <filesystem>

namespace {

constexpr const char* kSerializeMessage = "Serialize";

} // namespace

int CVlakomatDoc::FindElement(int column, int row) const {
    for (int i = Count() - 1; i >= 0; --i)
        if (elements_[i].column == column && elements_[i].row == row)
            return i;
    return -1;
}

bool CVlakomatDoc::AddElement(int column, int row, int type) {
    if (Count() >= kMaxElements || type < 0 || type >= ElementType::kCount || column < 0 ||
        row < 0 || column >= kMaxCells || row >= kMaxCells)
        return false;
    LayoutElement element;
    element.column = column;
    element.row = row;
    element.type = type;
    if (type == ElementType::kTurnout || type == ElementType::kThreeWay)
        element.turnout = TurnoutData::Defaults(type);
    elements_.push_back(element);
    UpdateConnections(Count() - 1);
    Edited();
    return true;
}

void CVlakomatDoc::RemoveElement(int index) {
    if (index < 0 || index >= Count())
        return;
    elements_.erase(elements_.begin() + index);
    Edited();
}

bool CVlakomatDoc::RotateAt(int column, int row, int steps) {
    bool changed = false;
    for (int i = 0; i < Count(); ++i) {
        LayoutElement& e = elements_[i];
        if (e.column != column || e.row != row)
            continue;
        e.direction = Wrap(Wrap(e.direction, 8) + steps, 8);
        UpdateConnections(i);
        changed = true;
    }
    if (changed)
        Edited();
    return changed;
}

bool CVlakomatDoc::NextSubtypeAt(int column, int row) {
    bool changed = false;
    for (int i = 0; i < Count(); ++i) {
        LayoutElement& e = elements_[i];
        if (e.column != column || e.row != row || e.type < 0 || e.type >= ElementType::kCount)
            continue;
        const int subtypes = kSubtypeCounts[e.type];
        if (subtypes < 2)
            continue;
        e.subtype = Wrap(Wrap(e.subtype, subtypes) + 1, subtypes);
        UpdateConnections(i);
        changed = true;
    }
    if (changed)
        Edited();
    return changed;
}

void CVlakomatDoc::SetTurnout(int index, const TurnoutData& data) {
    if (index < 0 || index >= Count() || !elements_[index].turnout ||
        *elements_[index].turnout == data)
        return;
    elements_[index].turnout = data;
    Edited();
}

int CVlakomatDoc::AdvanceTurnout(int index) {
    if (index < 0 || index >= Count() || !elements_[index].turnout)
        return 0;
    TurnoutData& t = *elements_[index].turnout;
    t.current = t.current + 1 >= t.positions ? 0 : t.current + 1;
    // Operating is not editing: the question on closing is about the operator's drawing.
    UpdateAllViews();
    return t.current;
}

void CVlakomatDoc::UpdateConnections(int index) {
    LayoutElement& e = elements_[index];
    e.connections = ConnectionMask(e.type, e.subtype, e.direction);
}

void CVlakomatDoc::DeleteContents() {
    elements_.clear();
    modified_ = false;
    UpdateAllViews();
}

void CVlakomatDoc::Replace(std::vector<LayoutElement> elements) {
    elements_ = std::move(elements);
    modified_ = false;
    UpdateAllViews();
}

void CVlakomatDoc::UpdateAllViews() const {
    if (update_)
        update_();
}

void CVlakomatDoc::Edited() {
    modified_ = true;
    UpdateAllViews();
}

std::string CVlakomatDoc::Store(Prompts& prompts) const {
    prompts.Inform(kSerializeMessage);
    return FormatVlk(elements_);
}

int CVlakomatDoc::Load(std::string_view text, Prompts& prompts) {
    prompts.Inform(kSerializeMessage);
    VlkReadResult result = ReadVlk(text);
    for (const std::string& message : result.messages)
        prompts.Inform(message, PromptIcon::Warning);
    Replace(std::move(result.elements));
    return static_cast<int>(result.messages.size());
}

int CVlakomatDoc::OpenFile(const std::string& path, Prompts& prompts) {
    std::error_code error;
    // Only a plain file: a device or a pipe could be endless.
    std::optional<std::string> text;
    if (std::filesystem::is_regular_file(path, error))
        text = files::ReadAll(path);
    if (!text) {
        prompts.Inform("Napaka! Datoteke '" + path + "' ni mogoče odpreti!", PromptIcon::Error);
        return -1;
    }
    return Load(*text, prompts);
}

bool CVlakomatDoc::SaveFile(const std::string& path, Prompts& prompts) {
    const std::string reason = files::WriteAtomically(path, Store(prompts));
    if (!reason.empty()) {
        prompts.Inform("Napaka! Datoteke '" + path + "' ni mogoče shraniti: " + reason,
                       PromptIcon::Error);
        return false;
    }
    modified_ = false;
    UpdateAllViews();
    return true;
}
