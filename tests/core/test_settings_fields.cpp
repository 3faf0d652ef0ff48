// What the settings dialog decides without a window: field texts in and out, and the
// interface's line.

#include "core/settings/SerialLine.h"
#include "core/settings/SettingsFields.h"

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
    {"emptyCarWeight", "2,5", "", "2.5"}, // a decimal comma; the field shows the point
    {"emptyCarWeight", "-.5", "Vnesite število med 0.1 in 1000.", "20"},
    {"emptyCarWeight", "0", "Vnesite število med 0.1 in 1000.", "20"},
    {"emptyCarWeight", "1,5,2", "Vnesite število.", "20"},
    {"emptyCarWeight", "", "Vnesite število.", "20"},
    {"emptyCarWeight", "12t", "Vnesite število.", "20"},
    {"emptyCarWeight", "inf", "Vnesite število.", "20"},
    {"emptyCarWeight", "nan", "Vnesite število.", "20"},
    {"emptyCarWeight", "1e999", "Vnesite število.", "20"},
    {"emptyCarWeight", "+-1", "Vnesite število.", "20"},
    {"resistanceFactorAir", "0.0025", "", "0.0025"},
    {"resistanceFactorAir", "-0.001", "Vnesite število med 0 in 1.", "0.0025"},
    {"loadedCarBrakingFactor", "1.5", "Vnesite število med 0 in 1.", "0.01"},
    {"auxFillRate", "0", "Vnesite število med 0.001 in 100.", "0.02"},
    {"axelsPerCar", "16", "", "16"},
    {"axelsPerCar", " 2", "", "2"},
    {"axelsPerCar", "1", "Vnesite celo število med 2 in 16.", "4"},
    {"axelsPerCar", "17", "Vnesite celo število med 2 in 16.", "4"},
    {"axelsPerCar", "4.5", "Vnesite celo število.", "4"},
    {"brakeReleaseTolerance", "-3", "Vnesite celo število med 0 in 100.", "1"},
    {"brakeReleaseTolerance", "99999999999", "Vnesite celo število med 0 in 100.", "1"},
    {"brakeReleaseTolerance", "--3", "Vnesite celo število.", "1"},
    {"brakeDelayCalculationTrainLength", "abc", "Vnesite celo število.", "10"},
    {"brakeDelayCalculationTrainLength", "0", "Vnesite celo število med 1 in 1000.", "10"},
    {"sharePort", "65536", "Vnesite celo število med 0 in 65535.", "0"},
    {"numberOfCarsTable", "0,5,\r\n10", "", "0,5,  10"},
    {"numberOfCarsTable", std::string(300, '9'), "", std::string(253, '9')},
};

// Every default lies within its field's range, so a file of today passes the dialog's OK.
TEST(SettingsFields, EveryDefaultIsWithinItsRange) {
    const Settings defaults;
    for (const SettingsField& field : SettingsFields()) {
        Settings s;
        EXPECT_EQ(TakeField(s, field, FormatField(defaults, field)), "") << field.name;
    }
}

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
