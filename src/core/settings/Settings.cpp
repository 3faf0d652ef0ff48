#include "core/settings/Settings.h"

#include "core/settings/IniFile.h"
#include "core/util/Files.h"
#include "core/util/Text.h"

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
    v(kLoconet, "Share Port", s.SharePort);
    v(kLoconet, "Share On Network", s.ShareOnNetwork);
    v(kLoconet, "Share Max Clients", s.ShareMaxClients);
    v(kLoconet, "WiThrottle Port", s.WiThrottlePort);
    v(kLoconet, "WiThrottle On Network", s.WiThrottleOnNetwork);
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
    v(kPreferences, "Open Last Layout", s.OpenLastLayout);
    v(kPreferences, "Show F13 to F28", p.ShowF13toF28);
}

std::string RecentKey(std::size_t i) {
    return "File" + std::to_string(i + 1);
}

struct Reader {
    const IniFile& ini;
    void operator()(const char* section, const char* key, std::string& value) {
        if (const auto v = ini.Get(section, key))
            value = text::CutUtf8(*v, kMaxSettingLength);
    }
    void operator()(const char* section, const char* key, int& value) {
        if (const auto v = ini.Get(section, key))
            value = text::ParseInt(*v);
    }
    void operator()(const char* section, const char* key, double& value, int) {
        if (const auto v = ini.Get(section, key))
            value = text::ParseDouble(*v);
    }
};

struct Writer {
    IniFile& ini;
    void operator()(const char* section, const char* key, const std::string& value) {
        ini.Set(section, key, value);
    }
    void operator()(const char* section, const char* key, int value) {
        ini.Set(section, key, std::to_string(value));
    }
    void operator()(const char* section, const char* key, double value, int decimals) {
        ini.Set(section, key, text::FormatFixed(value, decimals));
    }
};

IniFile LoadIni(const std::string& path) {
    const auto content = files::ReadAll(path);
    return IniFile(content ? *content : std::string());
}

} // namespace

ProgramSettings ReadSettings(const std::string& path) {
    const IniFile ini = LoadIni(path);
    ProgramSettings values;
    ForEachKey(values, Reader{ini});
    // Paths are kept whole: a cut one would name another file.
    for (std::size_t i = 0; i < values.RecentFiles.size(); ++i)
        if (const auto v = ini.Get(kRecent, RecentKey(i)))
            values.RecentFiles[i] = *v;
    return values;
}

std::string WriteSettings(const std::string& path, const ProgramSettings& values) {
    IniFile ini = LoadIni(path);
    ForEachKey(values, Writer{ini});
    for (std::size_t i = 0; i < values.RecentFiles.size(); ++i) {
        if (values.RecentFiles[i].empty())
            ini.Remove(kRecent, RecentKey(i));
        else
            ini.Set(kRecent, RecentKey(i), values.RecentFiles[i]);
    }
    // The folder may be closed to new files while the file itself is open to writing.
    return files::WriteAtomically(path, ini.Text(), files::InPlace::WhenNoTemporary);
}
