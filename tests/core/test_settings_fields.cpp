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

const char* const kGrouped = "Vnesite število brez ločil med tisočicami, na primer 1000 ali 2,5.";
const char* const kEmptyCars =
    "V seznamu je prazen vnos. Vnesite števila med 0 in 1000, ločena z vejico.";

std::string CarsItem(const std::string& item) {
    return "V seznamu je »" + item +
           "«, ki ni celo število med 0 in 1000. Vnesite števila, ločena z vejico.";
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

struct FieldCase {
    const char* field;
    std::string text;
    std::string error; // empty: taken
    std::string shown; // the field's text afterwards
};

const FieldCase kFieldCases[] = {
    {"emptyCarWeight", " 25.5 ", "", "25,5"},
    {"emptyCarWeight", "+1e3", "", "1000"},
    {"emptyCarWeight", "2,5", "", "2,5"}, // a decimal comma or point; shown with a comma
    {"emptyCarWeight", "-.5", "Vnesite število med 0,1 in 1000.", "20"},
    {"emptyCarWeight", "0", "Vnesite število med 0,1 in 1000.", "20"},
    {"emptyCarWeight", "1,5,2", "Vnesite število.", "20"},
    {"emptyCarWeight", "", "Vnesite število.", "20"},
    {"emptyCarWeight", "12t", "Vnesite število.", "20"},
    {"emptyCarWeight", "inf", "Vnesite število.", "20"},
    {"emptyCarWeight", "nan", "Vnesite število.", "20"},
    {"emptyCarWeight", "1e999", "Vnesite število.", "20"},
    {"emptyCarWeight", "+-1", "Vnesite število.", "20"},
    {"resistanceFactorAir", "0.0025", "", "0,0025"},
    {"resistanceFactorAir", "-0.001", "Vnesite število med 0 in 1.", "0,0025"},
    {"loadedCarBrakingFactor", "1.5", "Vnesite število med 0 in 1.", "0,01"},
    {"auxFillRate", "0", "Vnesite število med 0,001 in 100.", "0,02"},
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
    // Digits in groups of three may mean a thousand or one: neither is guessed.
    {"netCarLoad", "1.000", kGrouped, "50"},
    {"netCarLoad", "1 000", kGrouped, "50"},
    {"netCarLoad", "1,000.5", kGrouped, "50"},
    {"netCarLoad", "0,125", "", "0,125"},
    {"netCarLoad", "1.0000", "", "1"},
    {"axelsPerCar", "1.000", kGrouped, "4"},
    // A list is taken whole or not at all; the message names the first bad item.
    {"numberOfCarsTable", Repeat("0,", 150), "", Repeat("0,", 126) + "0"},
    {"numberOfCarsTable", "0,5,abc,-1", CarsItem("abc"), "0,5,10,20"},
    {"numberOfCarsTable", "2.5", CarsItem("2.5"), "0,5,10,20"},
    {"numberOfCarsTable", "1001", CarsItem("1001"), "0,5,10,20"},
    {"numberOfCarsTable", "0,5,,10", kEmptyCars, "0,5,10,20"},
    {"numberOfCarsTable", " ", kEmptyCars, "0,5,10,20"},
    {"carsWeightPercentTable", "0, 12.5 ,100", "", "0, 12.5 ,100"},
    {"carsWeightPercentTable", "-50,200",
     "V seznamu je »-50«, ki ni število med 0 in 100. Vnesite števila, ločena z vejico.",
     "0,50,100"},
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
