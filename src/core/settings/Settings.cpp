#include "settings/Settings.h"

#include "util/Files.h"
#include "util/Text.h"

// Values are kept as the bytes of the file (UTF-8); no wide-character conversion needed.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace {

constexpr const char* kLoconet = "LOCONET";
constexpr const char* kTrain = "TRAIN_DYNAMICS";
constexpr const char* kPreferences = "PREFERENCES";
constexpr const char* kRecent = "Recent File List";

// Calls the visitor for every key of the file, in file order: (section, key, value) for
// strings and ints, and (section, key, value, decimals) for doubles.
template <class Settings_, class Visitor> void ForEachKey(Settings_& p, Visitor&& v) {
    auto& s = p.settings;
    v(kLoconet, "COM Port", s.ComPort);
    v(kLoconet, "Offline", s.Offline);
    v(kLoconet, "Debug Mode", p.DebugMode);
    v(kLoconet, "Power Throttle Mode", s.PowerThrottleMode);
    v(kLoconet, "Baud Rate", s.BaudRate);
    v(kLoconet, "Flow Control", s.FlowControl);
    v(kTrain, "Axels Per Car", s.AxelsPerCar);
    v(kTrain, "Empty Car Weight", s.EmptyCarWeight, 2);
    v(kTrain, "Net Car Load", s.NetCarLoad, 2);
    v(kTrain, "Standard Brake System Preasure", s.StandardBrakeSystemPreasure, 2);
    v(kTrain, "Max Loco Brake Cylinder Preasure", s.MaxLocoBrakeCylinderPreasure, 2);
    v(kTrain, "Empty Car Braking Factor", s.EmptyCarBrakingFactor, 2);
    v(kTrain, "Loaded Car Braking Factor", s.LoadedCarBrakingFactor, 2);
    v(kTrain, "Loco Braking Factor", s.LocoBrakingFactor, 2);
    v(kTrain, "Aux Fill Rate", s.AuxFillRate, 4);
    v(kTrain, "Brake Delay Calculation Train Length", s.BrakeDelayCalculationTrainLength);
    v(kTrain, "Brake Pipe Initial Fill Rate", s.BrakePipeInitialFillRate, 4);
    v(kTrain, "Brake Pipe Delayed Fill Rate", s.BrakePipeDelayedFillRate, 4);
    v(kTrain, "Brake Pipe Initial Release Rate", s.BrakePipeInitialReleaseRate, 4);
    v(kTrain, "Brake Pipe Delayed Release Rate", s.BrakePipeDelayedReleaseRate, 4);
    v(kTrain, "Resistance Factor Axels", s.ResistanceFactorAxels, 4);
    v(kTrain, "Resistance Factor Weight", s.ResistanceFactorWeight, 4);
    v(kTrain, "Resistance Factor Speed Loco", s.ResistanceFactorSpeedLoco, 6);
    v(kTrain, "Resistance Factor Speed Car", s.ResistanceFactorSpeedCar, 6);
    v(kTrain, "Resistance Factor Air", s.ResistanceFactorAir, 6);
    v(kTrain, "Loco Cross-Section", s.LocoCrossSection, 4);
    v(kPreferences, "Number of Cars Table", s.NumberOfCarsTable);
    v(kPreferences, "Cars Weight Percent Table", s.CarsWeightPercentTable);
    v(kPreferences, "Number of Cars Button", p.NumberOfCarsButton);
    v(kPreferences, "Cars Weight Percent Button", p.CarsWeightPercentButton);
    v(kPreferences, "Brake Mode Loco Button", p.BrakeModeLocoButton);
    v(kPreferences, "Brake Release Tolerance", s.BrakeReleaseTolerance);
    v(kPreferences, "Use Right Dir For Brake Type", s.UseRightDirForBrakeType);
    v(kPreferences, "First Run", s.FirstRun);
}

std::string RecentKey(std::size_t i) {
    return "File" + std::to_string(i + 1);
}

struct Reader {
    CSimpleIniA& ini;
    const char* Get(const char* section, const char* key) {
        return ini.GetValue(section, key, nullptr);
    }
    void operator()(const char* section, const char* key, std::string& value) {
        if (const char* v = Get(section, key))
            value = text::CutUtf8(v, kMaxSettingLength);
    }
    void operator()(const char* section, const char* key, int& value) {
        if (const char* v = Get(section, key))
            value = text::ParseInt(v);
    }
    void operator()(const char* section, const char* key, double& value, int) {
        if (const char* v = Get(section, key))
            value = text::ParseDouble(v);
    }
};

struct Writer {
    CSimpleIniA& ini;
    void operator()(const char* section, const char* key, const std::string& value) {
        ini.SetValue(section, key, value.c_str());
    }
    void operator()(const char* section, const char* key, int value) {
        ini.SetValue(section, key, std::to_string(value).c_str());
    }
    void operator()(const char* section, const char* key, double value, int decimals) {
        ini.SetValue(section, key, text::FormatFixed(value, decimals).c_str());
    }
};

void LoadIni(CSimpleIniA& ini, const std::string& path) {
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetSpaces(false);
    if (auto content = files::ReadAll(path))
        ini.LoadData(content->data(), content->size());
}

} // namespace

ProgramSettings ReadSettings(const std::string& path) {
    CSimpleIniA ini;
    LoadIni(ini, path);
    ProgramSettings values;
    ForEachKey(values, Reader{ini});
    for (std::size_t i = 0; i < values.RecentFiles.size(); ++i)
        Reader{ini}(kRecent, RecentKey(i).c_str(), values.RecentFiles[i]);
    return values;
}

std::string WriteSettings(const std::string& path, const ProgramSettings& values) {
    CSimpleIniA ini;
    LoadIni(ini, path);
    ForEachKey(values, Writer{ini});
    for (std::size_t i = 0; i < values.RecentFiles.size(); ++i) {
        if (values.RecentFiles[i].empty())
            ini.Delete(kRecent, RecentKey(i).c_str(), true);
        else
            ini.SetValue(kRecent, RecentKey(i).c_str(), values.RecentFiles[i].c_str());
    }
    std::string content;
    if (ini.Save(content) < 0)
        return "napaka pri pripravi vsebine";
    // One blank line between sections is enough.
    for (std::size_t pos; (pos = content.find("\n\n\n")) != std::string::npos;)
        content.erase(pos, 1);
    return files::WriteAtomically(path, content);
}
