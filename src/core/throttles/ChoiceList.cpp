#include "core/throttles/ChoiceList.h"

#include "core/roster/TableFile.h"
#include "core/util/Fields.h"
#include "core/util/Text.h"

ChoiceList ChoiceList::FromSetting(std::string_view setting, double low, double high) {
    ChoiceList list;
    for (const std::string& item : SplitCommaList(setting)) {
        const std::string entry(text::Trim(item, " \t"));
        const auto value = fields::ParseNumber(entry);
        if (!value || *value < low || *value > high)
            continue;
        list.entries.push_back(entry);
        list.values.push_back(*value);
    }
    if (!list.entries.empty())
        list.selected = 0;
    return list;
}

bool ChoiceList::Next() {
    if (entries.empty())
        return false;
    const bool wraps = selected < 0 || selected + 1 >= static_cast<int>(entries.size());
    selected = wraps ? 0 : selected + 1;
    return wraps;
}

void ChoiceList::Match(double value) {
    selected = -1;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i] == value) {
            selected = static_cast<int>(i);
            return;
        }
}

std::optional<double> ChoiceList::Value() const {
    if (selected < 0 || selected >= static_cast<int>(values.size()))
        return std::nullopt;
    return values[static_cast<std::size_t>(selected)];
}
