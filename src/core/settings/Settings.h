#pragma once
// The program's settings: the block edited in the settings dialog, the members kept
// outside it, and the ini file that holds them.

#include <array>
#include <string>

struct Settings {
    std::string ComPort = "COM1";
    int Offline = 0;
    int PowerThrottleMode = 1;
    int AxelsPerCar = 4;
    double EmptyCarWeight = 20.0;
    double NetCarLoad = 50.0;
    double StandardBrakeSystemPreasure = 90.0;
    double MaxLocoBrakeCylinderPreasure = 70.0;
    double EmptyCarBrakingFactor = 0.1;
    double LoadedCarBrakingFactor = 0.01;
    double LocoBrakingFactor = 0.2;
    double BrakePipeInitialFillRate = 1.0;
    double BrakePipeDelayedFillRate = 0.05;
    double BrakePipeInitialReleaseRate = 0.5;
    double BrakePipeDelayedReleaseRate = 0.25;
    int BrakeDelayCalculationTrainLength = 10;
    double AuxFillRate = 0.02;
    double ResistanceFactorWeight = 1.3;
    double ResistanceFactorAxels = 29.0;
    double ResistanceFactorSpeedLoco = 0.03;
    double ResistanceFactorSpeedCar = 0.045;
    double ResistanceFactorAir = 0.0025;
    double LocoCrossSection = 120.0;
    std::string NumberOfCarsTable = "0,5,10,20";
    std::string CarsWeightPercentTable = "0,50,100";
    int BrakeReleaseTolerance = 1;
    int UseRightDirForBrakeType = 0;
    int FirstRun = 1;
    // At a start without a file named, the most recent layout opens (when it still exists).
    int OpenLastLayout = 1;
    // The serial interface's line: "Baud Rate" and "Flow Control" (0 none, 1 RTS/CTS).
    int BaudRate = 16457;
    int FlowControl = 0;
    // The bus served to other programs over TCP: "Share Port" (0 off), and "Share On Network"
    // (1: to other computers too, 0: on this computer only).
    int SharePort = 0;
    int ShareOnNetwork = 0;
    // "Share Max Clients": programs served at once, 1 to 64.
    int ShareMaxClients = 16;
    // Phones (WiThrottle apps): "WiThrottle Port" (0 off, 12090 usual), and "WiThrottle On
    // Network" (1: devices of the network too, 0: this computer only).
    int WiThrottlePort = 0;
    int WiThrottleOnNetwork = 0;
};

// Everything the settings file holds: the block, the four members the dialog does not
// edit, and the list of recently used layout files.
struct ProgramSettings {
    Settings settings;
    int DebugMode = 0;
    int NumberOfCarsButton = 11;
    int CarsWeightPercentButton = 10;
    int BrakeModeLocoButton = 12;
    // Whether simple throttles open with their F13 to F28 keys shown.
    int ShowF13toF28 = 0;
    std::array<std::string, 4> RecentFiles;
};

// Longest string value kept from the file (the rest is cut).
inline constexpr std::size_t kMaxSettingLength = 253;

// Reads every key from the file at `path`; missing file or keys give the defaults.
ProgramSettings ReadSettings(const std::string& path);
// Writes every key into the file at `path`, keeping other sections and keys it holds.
// Returns an empty string on success, otherwise the reason.
std::string WriteSettings(const std::string& path, const ProgramSettings& values);
