#pragma once
// The text fields of the settings dialog: their labels, how a value is shown in its field
// and how the field's text is taken back, with the checks that refuse a text.

#include "core/settings/Settings.h"

#include <climits>
#include <span>
#include <string>
#include <string_view>
#include <variant>

struct SettingsField {
    const char* name;  // the control's object name
    const char* group; // the group box it stands in
    const char* label;
    std::variant<std::string Settings::*, int Settings::*, double Settings::*> member;
    // The values that make sense (both ends included); text fields have none, lists of
    // numbers have their items' range.
    double min = INT_MIN;
    double max = INT_MAX;
    bool wholeList = false; // a list of whole numbers
    bool IsList() const { return min != INT_MIN || max != INT_MAX; }
};

// Every text field, in the order in which the dialog shows them and takes them back.
std::span<const SettingsField> SettingsFields();

// The text a field shows: numbers with 15 significant digits and no trailing zeros (20.0
// shows as 20, 0.1 as 0,1), integers in decimal, text as it is. Always the decimal comma.
std::string FormatField(const Settings& settings, const SettingsField& field);

// Takes a field's text into `settings`. Returns an empty string, or the message that tells
// why the text was refused (the value is left as it was then). Blanks around a number are
// allowed; a number takes a comma or a point as its decimal separator. A list of numbers is
// refused as a whole when one item is not a number in its range.
std::string TakeField(Settings& settings, const SettingsField& field, std::string_view text);

// A text value as the settings file can keep it: on one line and no longer than the file
// reads back. Port names lose the blanks around them as well.
std::string CleanSettingText(std::string_view text);
std::string CleanPortName(std::string_view text);
