#include "settings/SettingsFields.h"

#include "util/Text.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace {

using S = Settings;
constexpr const char* kPreferences = "Preference";
constexpr const char* kDynamics = "Dinamika vlaka";

const SettingsField kFields[] = {
    {"numberOfCarsTable", kPreferences, "Tabela števila vagonov:", &S::NumberOfCarsTable},
    {"carsWeightPercentTable", kPreferences, "Tabela obtežbe  v %:", &S::CarsWeightPercentTable},
    {"brakeReleaseTolerance", kPreferences,
     "Toleranca sprostitve zavore:", &S::BrakeReleaseTolerance},
    {"axelsPerCar", kDynamics, "Poprečno število osi vagona:", &S::AxelsPerCar, 2, 16},
    {"emptyCarWeight", kDynamics, "Poprečna teža praznega vagona [t]:", &S::EmptyCarWeight},
    {"netCarLoad", kDynamics, "Poprečna neto nosilnost vagona [t]:", &S::NetCarLoad},
    {"resistanceFactorAxels", kDynamics, "Faktor upora - osi:", &S::ResistanceFactorAxels},
    {"resistanceFactorWeight", kDynamics, "Faktor upora - teža:", &S::ResistanceFactorWeight},
    {"resistanceFactorSpeedLoco", kDynamics,
     "Faktor upora - hitrost (lokomotiva):", &S::ResistanceFactorSpeedLoco},
    {"resistanceFactorSpeedCar", kDynamics,
     "Faktor upora - hitrost (vagoni):", &S::ResistanceFactorSpeedCar},
    {"resistanceFactorAir", kDynamics, "Faktor zračnega upora:", &S::ResistanceFactorAir},
    {"locoCrossSection", kDynamics, "Presek loko. [kvadratni čevlji]", &S::LocoCrossSection},
    {"standardBrakeSystemPreasure", kDynamics,
     "Standardni tlak v zavornem sistemu [psi]:", &S::StandardBrakeSystemPreasure},
    {"maxLocoBrakeCylinderPreasure", kDynamics,
     "Maximalni tlak v zavornem cilindru [psi]:", &S::MaxLocoBrakeCylinderPreasure},
    {"emptyCarBrakingFactor", kDynamics,
     "Faktor zaviranja praznega vagona:", &S::EmptyCarBrakingFactor},
    {"loadedCarBrakingFactor", kDynamics,
     "Faktor zaviranja polnega vagona:", &S::LoadedCarBrakingFactor},
    {"locoBrakingFactor", kDynamics, "Faktor zaviranja lokomotive:", &S::LocoBrakingFactor},
    {"auxFillRate", kDynamics, "Hitrost polnenja delovnega cilindra [psi/s]:", &S::AuxFillRate},
    {"brakeDelayCalculationTrainLength", kDynamics,
     "Dolžina vlaka za izračun zaostankov:", &S::BrakeDelayCalculationTrainLength},
    {"brakePipeInitialFillRate", kDynamics,
     "Zač. hitrost polnjenja zavor. voda [psi/s]:", &S::BrakePipeInitialFillRate},
    {"brakePipeDelayedFillRate", kDynamics,
     "Zaost.hitrosti polnjenja zavor.voda [psi/s]:", &S::BrakePipeDelayedFillRate},
    {"brakePipeInitialReleaseRate", kDynamics,
     "Zač. hitrost praznjenja zavor. voda [psi/s]:", &S::BrakePipeInitialReleaseRate},
    {"brakePipeDelayedReleaseRate", kDynamics,
     "Zaost. hitr. praznjenja zavor.voda [psi/s]:", &S::BrakePipeDelayedReleaseRate},
};

// The text without the blanks around it and without its sign; what is left must be the
// number's digits.
std::string_view Magnitude(std::string_view s, bool& negative) {
    s = text::Trim(s, " \t");
    negative = !s.empty() && s.front() == '-';
    if (!s.empty() && (s.front() == '-' || s.front() == '+'))
        s.remove_prefix(1);
    return s;
}

bool ReadInt(std::string_view s, int& value) {
    bool negative = false;
    s = Magnitude(s, negative);
    long long magnitude = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude);
    if (s.empty() || !std::isdigit(static_cast<unsigned char>(s.front())) || ec != std::errc() ||
        end != s.data() + s.size())
        return false;
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue < INT_MIN || signedValue > INT_MAX)
        return false;
    value = static_cast<int>(signedValue);
    return true;
}

// As the C library reads a double, but neither infinity nor "not a number": no setting
// means either, and the file could not hold them.
bool ReadNumber(std::string_view s, double& value) {
    bool negative = false;
    s = Magnitude(s, negative);
    double magnitude = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude);
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '.') ||
        ec != std::errc() || end != s.data() + s.size() || !std::isfinite(magnitude))
        return false;
    value = negative ? -magnitude : magnitude;
    return true;
}

} // namespace

std::span<const SettingsField> SettingsFields() {
    return kFields;
}

std::string FormatField(const Settings& settings, const SettingsField& field) {
    if (auto m = std::get_if<std::string Settings::*>(&field.member))
        return settings.**m;
    if (auto m = std::get_if<int Settings::*>(&field.member))
        return std::to_string(settings.**m);
    char buffer[64];
    const double value = settings.*std::get<double Settings::*>(field.member);
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : "0";
}

std::string TakeField(Settings& settings, const SettingsField& field, std::string_view text) {
    if (auto m = std::get_if<std::string Settings::*>(&field.member)) {
        settings.** m = CleanSettingText(text);
        return "";
    }
    if (auto m = std::get_if<int Settings::*>(&field.member)) {
        int value = 0;
        if (!ReadInt(text, value))
            return "Please enter an integer.";
        if (value < field.min || value > field.max)
            return text::Format("Please enter an integer between %d and %d.", field.min, field.max);
        settings.** m = value;
        return "";
    }
    double value = 0.0;
    if (!ReadNumber(text, value))
        return "Please enter a number.";
    settings.*std::get<double Settings::*>(field.member) = value;
    return "";
}

std::string CleanSettingText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return text::CutUtf8(out, kMaxSettingLength);
}

std::string CleanPortName(std::string_view text) {
    return CleanSettingText(text::Trim(text, " \t\r\n\v\f"));
}
