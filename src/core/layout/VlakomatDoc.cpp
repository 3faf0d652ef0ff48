#include "core/layout/VlakomatDoc.h"

#include "core/layout/VlkFile.h"
#include "core/platform.h"
#include "core/util/Files.h"
#include "core/util/Text.h"

#include <filesystem>
#include <fstream>

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
    SetTurnoutPosition(index, NextPosition(*elements_[index].turnout));
    return elements_[index].turnout->current;
}

void CVlakomatDoc::SetTurnoutPosition(int index, int position) {
    if (index < 0 || index >= Count() || !elements_[index].turnout)
        return;
    TurnoutData& t = *elements_[index].turnout;
    if (position < TurnoutData::kUnknown || position >= t.positions)
        return;
    t.current = position;
    UpdateAllViews();
}

void CVlakomatDoc::SetSensor(int index, int address) {
    if (index < 0 || index >= Count() || !elements_[index].IsDetector() ||
        elements_[index].sensor == address)
        return;
    elements_[index].sensor = address;
    Edited();
}

void CVlakomatDoc::SetOccupied(int index, bool occupied) {
    if (index < 0 || index >= Count() || !elements_[index].IsDetector())
        return;
    elements_[index].occupied = occupied;
    UpdateAllViews();
}

bool CVlakomatDoc::SetBusState(int index, bool confirmed, int requested) {
    if (index < 0 || index >= Count())
        return false;
    LayoutElement& e = elements_[index];
    if (!e.turnout || requested < TurnoutData::kNoRequest || requested >= e.turnout->positions)
        requested = TurnoutData::kNoRequest;
    if (e.confirmed == confirmed && (!e.turnout || e.turnout->requested == requested))
        return false;
    e.confirmed = confirmed;
    if (e.turnout)
        e.turnout->requested = requested;
    UpdateAllViews();
    return true;
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

int CVlakomatDoc::Load(std::string_view text, Prompts& prompts, const std::string& name) {
    return Take(ReadVlk(text), prompts, name);
}

namespace {
void Refuse(const std::string& name, Prompts& prompts) {
    prompts.Inform("Napaka! Datoteka '" + name + "' ni maketa (.vlk) in ni odprta!",
                   PromptIcon::Error);
}
} // namespace

int CVlakomatDoc::Take(VlkReadResult result, Prompts& prompts, const std::string& name) {
    if (result.refused) {
        Refuse(name, prompts);
        return -1;
    }
    prompts.Inform(kSerializeMessage);
    // One box for all faults: a file with a hundred faulty lines is read with one OK.
    if (result.faults > 0) {
        std::string shown;
        for (const std::string& message : result.messages)
            shown += (shown.empty() ? "" : "\n") + message;
        const int rest = result.faults - static_cast<int>(result.messages.size());
        if (rest > 0)
            shown += text::Format("\nNapak v nadaljnjih vrsticah: %d.", rest);
        prompts.Inform(shown, PromptIcon::Warning);
    }
    Replace(std::move(result.elements));
    return result.faults;
}

std::optional<VlkReadResult> CVlakomatDoc::ReadFile(const std::string& path, Prompts& prompts) {
    std::error_code error;
    // Only a plain file: a device or a pipe could be endless.
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, error))
        in.open(path, std::ios::binary);
    if (!in.is_open()) {
        prompts.Inform("Napaka! Datoteke '" + path + "' ni mogoče odpreti!", PromptIcon::Error);
        return std::nullopt;
    }
    VlkReader reader;
    std::vector<char> chunk(std::size_t{64} * 1024);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        if (!reader.Feed({chunk.data(), static_cast<std::size_t>(in.gcount())}))
            break;
    }
    if (in.bad()) {
        prompts.Inform("Napaka! Datoteke '" + path + "' ni mogoče prebrati!", PromptIcon::Error);
        return std::nullopt;
    }
    VlkReadResult result = reader.Finish();
    if (result.refused) {
        Refuse(path, prompts);
        return std::nullopt;
    }
    return result;
}

int CVlakomatDoc::OpenFile(const std::string& path, Prompts& prompts) {
    std::optional<VlkReadResult> result = ReadFile(path, prompts);
    return result ? Take(std::move(*result), prompts, path) : -1;
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
