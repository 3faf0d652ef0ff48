// What the settings dialog decides without a window: field texts in and out, the
// interface's line, and when the link is opened again.

#include "settings/SerialLine.h"
#include "settings/SettingsFields.h"
#include "settings/SettingsProcedure.h"

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

TEST(SettingsFields, EveryDefaultShowsAndReadsBackUnchanged) {
    const Settings defaults;
    Settings back;
    for (const SettingsField& field : SettingsFields())
        ASSERT_EQ(TakeField(back, field, "3"), "") << field.name;
    for (const SettingsField& field : SettingsFields())
        EXPECT_EQ(TakeField(back, field, FormatField(defaults, field)), "") << field.name;
    for (const SettingsField& field : SettingsFields())
        EXPECT_EQ(FormatField(back, field), FormatField(defaults, field)) << field.name;
    EXPECT_EQ(back.LoadedCarBrakingFactor, 0.01);
    EXPECT_EQ(back.ResistanceFactorAir, 0.0025);
    EXPECT_EQ(SettingsFields().size(), 23u);
}

TEST(SettingsFields, PortNamesLoseTheBlanksAroundThem) {
    EXPECT_EQ(CleanPortName("  /dev/ttyUSB0\t"), "/dev/ttyUSB0");
    EXPECT_EQ(CleanPortName("tcp://host:1234\n"), "tcp://host:1234");
    EXPECT_EQ(CleanPortName("COM 3"), "COM 3");
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

TEST(SettingsProcedure, ReopensOnlyForAChangedPortOfflineOrLineOrAFailedOpen) {
    const Settings current;
    auto edited = [&](auto change) {
        Settings s = current;
        change(s);
        return s;
    };
    EXPECT_FALSE(NeedsReopen(current, current, true));
    EXPECT_TRUE(NeedsReopen(current, current, false));
    EXPECT_FALSE(NeedsReopen(current, edited([](Settings& s) { s.EmptyCarWeight = 30; }), true));
    EXPECT_TRUE(NeedsReopen(current, edited([](Settings& s) { s.ComPort = "com1"; }), true));
    EXPECT_TRUE(NeedsReopen(current, edited([](Settings& s) { s.Offline = 1; }), true));
    EXPECT_TRUE(NeedsReopen(current, edited([](Settings& s) { s.FlowControl = 1; }), true));
    // A rate the line would not use anyway changes nothing.
    EXPECT_FALSE(NeedsReopen(current, edited([](Settings& s) { s.BaudRate = 5; }), true));
}

} // namespace
