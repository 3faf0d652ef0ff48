#include "settings/SettingsFields.h"

#include "util/Fields.h"
#include "util/Text.h"

#include <limits>

namespace {

using S = Settings;
constexpr const char* kPreferences = "Preference";
constexpr const char* kDynamics = "Dinamika vlaka";
constexpr const char* kLoconet = "Loconet";

const SettingsField kFields[] = {
    {"sharePort", kLoconet, "Deli vodilo na TCP portu:", &S::SharePort, 0, 65535},
    {"shareMaxClients", kLoconet, "Največ odjemalcev:", &S::ShareMaxClients, 1, 64},
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
} // namespace

std::span<const SettingsField> SettingsFields() {
    return kFields;
}

std::string FormatField(const Settings& settings, const SettingsField& field) {
    if (auto m = std::get_if<std::string Settings::*>(&field.member))
        return settings.**m;
    if (auto m = std::get_if<int Settings::*>(&field.member))
        return std::to_string(settings.**m);
    return fields::FormatNumber(settings.*std::get<double Settings::*>(field.member));
}

std::string TakeField(Settings& settings, const SettingsField& field, std::string_view text) {
    if (auto m = std::get_if<std::string Settings::*>(&field.member)) {
        settings.** m = CleanSettingText(text);
        return "";
    }
    if (auto m = std::get_if<int Settings::*>(&field.member)) {
        return fields::ReadInt(text, field.min, field.max, settings.**m);
    }
    // No setting is infinite or "not a number": the file could not hold either.
    return fields::ReadNumber(text, std::numeric_limits<double>::lowest(),
                              std::numeric_limits<double>::max(),
                              settings.*std::get<double Settings::*>(field.member));
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
