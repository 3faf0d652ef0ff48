#pragma once
// An editable drop-down list of numbers filled from a comma-separated setting, such as the
// realistic throttle's number of cars ("0,5,10,20") and car load ("0,50,100").

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ChoiceList {
    std::vector<std::string> entries;
    std::vector<double> values;
    int selected = -1; // -1: the operator typed a value that is no entry

    // Every piece between commas that holds a number in [low, high] becomes an entry.
    static ChoiceList FromSetting(std::string_view setting, double low, double high);

    // Moves on to the next entry; from the last one or from none to the first. Returns
    // true when it went round to the first (the throttle beeps then).
    bool Next();
    // Marks the entry that reads as `value` chosen, or none.
    void Match(double value);
    std::optional<double> Value() const;
};
