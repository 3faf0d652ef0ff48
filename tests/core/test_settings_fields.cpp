// What the settings dialog decides without a window: field texts in and out, and the
// interface's line.

#include "settings/SerialLine.h"
#include "settings/SettingsFields.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

const SettingsField& Field(std::string_view name) {
    for (const SettingsField& field : SettingsFields())
        if (field.name == name)
            return field;
    throw std::invalid_argument(std::string(name));
}

struct FieldCase {
    const char* field;
    std::string text;
    const char* error; // empty: taken
    std::string shown; // the field's text afterwards
};

const FieldCase kFieldCases[] = {
    {"emptyCarWeight", " 25.5 ", "", "25.5"},
    {"emptyCarWeight", "+1e3", "", "1000"},
    {"emptyCarWeight", "-.5", "", "-0.5"},
    {"emptyCarWeight", "0,5", "Please enter a number.", "20"},
    {"emptyCarWeight", "", "Please enter a number.", "20"},
    {"emptyCarWeight", "12t", "Please enter a number.", "20"},
    {"emptyCarWeight", "inf", "Please enter a number.", "20"},
    {"emptyCarWeight", "nan", "Please enter a number.", "20"},
    {"emptyCarWeight", "1e999", "Please enter a number.", "20"},
    {"emptyCarWeight", "+-1", "Please enter a number.", "20"},
    {"resistanceFactorAir", "0.0025", "", "0.0025"},
    {"emptyCarBrakingFactor", "0.1", "", "0.1"},
    {"axelsPerCar", "16", "", "16"},
    {"axelsPerCar", " 2", "", "2"},
    {"axelsPerCar", "1", "Please enter an integer between 2 and 16.", "4"},
    {"axelsPerCar", "17", "Please enter an integer between 2 and 16.", "4"},
    {"axelsPerCar", "4.5", "Please enter an integer.", "4"},
    {"brakeReleaseTolerance", "-3", "", "-3"},
    {"brakeReleaseTolerance", "99999999999", "Please enter an integer.", "1"},
    {"brakeReleaseTolerance", "--3", "Please enter an integer.", "1"},
    {"brakeDelayCalculationTrainLength", "abc", "Please enter an integer.", "10"},
    {"numberOfCarsTable", "0,5,\r\n10", "", "0,5,  10"},
    {"numberOfCarsTable", std::string(300, '9'), "", std::string(253, '9')},
};

TEST(SettingsFields, TakeRefusesWhatIsNoValueAndKeepsTheOldOne) {
    for (const FieldCase& c : kFieldCases) {
        SCOPED_TRACE(std::string(c.field) + " <- '" + c.text + "'");
        Settings s;
        EXPECT_EQ(TakeField(s, Field(c.field), c.text), c.error);
        EXPECT_EQ(FormatField(s, Field(c.field)), c.shown);
    }
}

TEST(SerialLine, TextOfTheInterfaceChoice) {
    const struct {
        const char* text;
        std::optional<SerialLine> line;
    } cases[] = {
        {"16457 baud", SerialLine{16457, false}},
        {"57600 baud, RTS/CTS", SerialLine{57600, true}},
        {" 115200 ", SerialLine{115200, false}},
        {"57600 rts/cts", SerialLine{57600, true}},
        {"19200 Baud,RTS/CTS", SerialLine{19200, true}},
        {"4000000", SerialLine{4000000, false}},
        {"299 baud", std::nullopt},
        {"4000001", std::nullopt},
        {"57600 baud, XON", std::nullopt},
        {"baud", std::nullopt},
        {"", std::nullopt},
        {"-57600", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseSerialLine(c.text), c.line);
    }
    for (SerialLine preset : kSerialLinePresets)
        EXPECT_EQ(ParseSerialLine(FormatSerialLine(preset)), preset);
    EXPECT_EQ(FormatSerialLine({57600, true}), "57600 baud, RTS/CTS");
}

TEST(SerialLine, ValuesFromAHandEditedFileFallBackToTheDefaults) {
    Settings s;
    EXPECT_EQ(SerialLineOf(s), (SerialLine{16457, false}));
    s.BaudRate = 0;
    s.FlowControl = 2;
    EXPECT_EQ(SerialLineOf(s), (SerialLine{16457, false}));
    s.BaudRate = 57600;
    s.FlowControl = 1;
    EXPECT_EQ(SerialLineOf(s), (SerialLine{57600, true}));
}

} // namespace
