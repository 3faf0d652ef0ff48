#include "core/settings/SettingsFields.h"

#include "core/util/Fields.h"
#include "core/util/Text.h"

namespace {

using S = Settings;
constexpr const char* kPreferences = "Preference";
constexpr const char* kDynamics = "Dinamika vlaka";
constexpr const char* kLoconet = "Loconet";

const SettingsField kFields[] = {
    {"sharePort", kLoconet, "Deli vodilo na TCP portu:", &S::SharePort, 0, 65535},
    {"shareMaxClients", kLoconet, "Največ odjemalcev:", &S::ShareMaxClients, 1, 64},
    {"withrottlePort", kLoconet, "WiThrottle port:", &S::WiThrottlePort, 0, 65535},
    // The ranges of the realistic throttle's fields that the lists fill.
    {"numberOfCarsTable", kPreferences, "Tabela števila vagonov:", &S::NumberOfCarsTable, 0, 1000,
     true},
    {"carsWeightPercentTable", kPreferences, "Tabela obtežbe  v %:", &S::CarsWeightPercentTable, 0,
     100},
    {"brakeReleaseTolerance", kPreferences,
     "Toleranca sprostitve zavore:", &S::BrakeReleaseTolerance, 0, 100},
    {"axelsPerCar", kDynamics, "Poprečno število osi vagona:", &S::AxelsPerCar, 2, 16},
    {"emptyCarWeight", kDynamics, "Poprečna teža praznega vagona [t]:", &S::EmptyCarWeight, 0.1,
     1000},
    {"netCarLoad", kDynamics, "Poprečna neto nosilnost vagona [t]:", &S::NetCarLoad, 0, 1000},
    {"resistanceFactorAxels", kDynamics, "Faktor upora - osi:", &S::ResistanceFactorAxels, 0, 1000},
    {"resistanceFactorWeight", kDynamics, "Faktor upora - teža:", &S::ResistanceFactorWeight, 0,
     100},
    {"resistanceFactorSpeedLoco", kDynamics,
     "Faktor upora - hitrost (lokomotiva):", &S::ResistanceFactorSpeedLoco, 0, 10},
    {"resistanceFactorSpeedCar", kDynamics,
     "Faktor upora - hitrost (vagoni):", &S::ResistanceFactorSpeedCar, 0, 10},
    {"resistanceFactorAir", kDynamics, "Faktor zračnega upora:", &S::ResistanceFactorAir, 0, 1},
    {"locoCrossSection", kDynamics, "Presek loko. [kvadratni čevlji]", &S::LocoCrossSection, 1,
     1000},
    {"standardBrakeSystemPreasure", kDynamics,
     "Standardni tlak v zavornem sistemu [psi]:", &S::StandardBrakeSystemPreasure, 10, 200},
    {"maxLocoBrakeCylinderPreasure", kDynamics,
     "Maximalni tlak v zavornem cilindru [psi]:", &S::MaxLocoBrakeCylinderPreasure, 10, 200},
    {"emptyCarBrakingFactor", kDynamics,
     "Faktor zaviranja praznega vagona:", &S::EmptyCarBrakingFactor, 0, 1},
    {"loadedCarBrakingFactor", kDynamics,
     "Faktor zaviranja polnega vagona:", &S::LoadedCarBrakingFactor, 0, 1},
    {"locoBrakingFactor", kDynamics, "Faktor zaviranja lokomotive:", &S::LocoBrakingFactor, 0, 1},
    {"auxFillRate", kDynamics, "Hitrost polnenja delovnega cilindra [psi/s]:", &S::AuxFillRate,
     0.001, 100},
    {"brakeDelayCalculationTrainLength", kDynamics,
     "Dolžina vlaka za izračun zaostankov:", &S::BrakeDelayCalculationTrainLength, 1, 1000},
    {"brakePipeInitialFillRate", kDynamics,
     "Zač. hitrost polnjenja zavor. voda [psi/s]:", &S::BrakePipeInitialFillRate, 0.001, 100},
    {"brakePipeDelayedFillRate", kDynamics,
     "Zaost.hitrosti polnjenja zavor.voda [psi/s]:", &S::BrakePipeDelayedFillRate, 0.001, 100},
    {"brakePipeInitialReleaseRate", kDynamics,
     "Zač. hitrost praznjenja zavor. voda [psi/s]:", &S::BrakePipeInitialReleaseRate, 0.001, 100},
    {"brakePipeDelayedReleaseRate", kDynamics,
     "Zaost. hitr. praznjenja zavor.voda [psi/s]:", &S::BrakePipeDelayedReleaseRate, 0.001, 100},
};

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
        const std::string clean = CleanSettingText(text);
        if (field.IsList())
            if (std::string message =
                    fields::CheckList(clean, field.min, field.max, field.wholeList);
                !message.empty())
                return message;
        settings.** m = clean;
        return "";
    }
    if (auto m = std::get_if<int Settings::*>(&field.member)) {
        return fields::ReadInt(text, static_cast<int>(field.min), static_cast<int>(field.max),
                               settings.**m);
    }
    return fields::ReadNumber(text, field.min, field.max,
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
