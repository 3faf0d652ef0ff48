#pragma once
// The application object: owns everything that outlives a window (settings, tables, the
// link, the log file) and runs start-up and exit.

#include "core/loconet/BusShare.h"
#include "core/loconet/Loconet.h"
#include "core/loconet/PortsModule.h"
#include "core/phone/PhoneServer.h"
#include "core/platform.h"
#include "core/roster/RosterData.h"
#include "core/settings/Settings.h"
#include "core/util/QueuedPrompts.h"
#include "gui/throttles/ThrottleWindows.h"

#include <QString>

#include <cstdio>
#include <memory>
#include <string>

class CMainFrame;
class Heartbeat;
class QTranslator;

class CVlakomatApp {
public:
    CVlakomatApp(Prompts& prompts, Clock& clock, Beeper& beeper);
    ~CVlakomatApp();
    CVlakomatApp(const CVlakomatApp&) = delete;
    CVlakomatApp& operator=(const CVlakomatApp&) = delete;

    // The settings file's name follows the program file's base name (vlakomat -> vlakomat.ini)
    // and lives in the current directory.
    void SetProgramPath(const QString& programPath);
    const std::string& SettingsPath() const { return settingsPath_; }
    const std::string& CurrentDirectory() const { return currentDirectory_; }

    // Start-up steps that read files: settings, then the tables. False when the program
    // cannot run (no sound decoder types); the message has been shown then.
    bool ReadStartupFiles();
    // The whole start-up: files, log file, main window, then the link (or, at the first
    // run, the settings procedure and the roster dialog). False ends the program.
    bool InitInstance(const QString& layoutFile);
    // Writes the settings file, then closes the link; returns the exit code.
    int ExitInstance(int code);
    // The session ends with nobody to answer (a signal, the desktop logging out): every train
    // stops now and no dialog comes again; ExitInstance then gives the slots back. The tables
    // stay as they are on disk.
    void EndSession();

    ProgramSettings& Settings() { return settings_; }
    RosterData& Data() { return data_; }
    CLoconet& Link() { return link_; }
    ThrottleWindows& Throttles() { return throttleWindows_; }
    // Opens the link on the port that the settings name (or offline); false when the port
    // would not open (the link has said why).
    bool OpenLink();
    // The heartbeat's step: the link's, then the layout panel's paced requests; and the
    // milliseconds until the next one is due.
    void Process();
    std::uint32_t NextStepDue() const;
    // Serves the bus to other programs as "Share Port" and "Share On Network" say (or stops);
    // a port that cannot be served is reported.
    // Then serves the phones as "WiThrottle Port" and "WiThrottle On Network" say.
    void ShareBus();
    const TcpListener& Server() const { return *server_; }
    const TcpListener& PhoneListener() const { return *phoneServer_; }
    PhoneServer& Phones() { return phones_; }
    CMainFrame* MainFrame() const { return frame_.get(); }
    Heartbeat* GetHeartbeat() const { return heartbeat_.get(); }
    Prompts& GetPrompts() { return prompts_; }
    Clock& GetClock() { return clock_; }
    // Lets the link write what is queued (releases above all) and see the echoes, for at
    // most `limitMs`.
    void DrainLink(std::uint32_t limitMs);
    std::FILE* LogFile() const { return logFile_; }

    static constexpr int kNotchTable[11] = {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12};
    static constexpr const char* kVersionLine = "Vlakomat Verzija S 1.2 B04 (8.11.2007)";

private:
    // Qt's own texts (context menus, socket errors) in the program's language.
    void InstallQtTranslation();
    void OpenLogFile();
    void RegisterThrottleFactory();
    // Destroys the throttle windows still open; each releases its locomotive.
    void DestroyThrottleWindows();
    void ServePhones();
    // Listens on the port of the settings: "" or why not.
    static std::string Listen(TcpListener& server, int port, int onNetwork);
    // A server that cannot serve is told to the monitor and the operator.
    void Fail(const std::string& text);

    // Every box of the program goes through here: what a processing step must say waits
    // until the step is over.
    QueuedPrompts prompts_;
    Clock& clock_;
    Beeper& beeper_;
    std::unique_ptr<QTranslator> qtTranslation_;
    std::string currentDirectory_;
    std::string settingsPath_;
    ProgramSettings settings_;
    RosterData data_;
    std::FILE* logFile_ = nullptr;
    std::unique_ptr<Heartbeat> heartbeat_;
    // The throttle windows, found by the link's throttle factory also while the link ends; it
    // only keeps the link to ask it for throttles.
    ThrottleWindows throttleWindows_{link_};
    // Declared after the heartbeat and before the frame: the link outlives the windows
    // (it disposes of the throttles) and the heartbeat outlives the link's port.
    CLoconet link_;
    // After the link, which they serve, and before the frame, which shows their clients.
    BusShare share_;
    std::unique_ptr<TcpListener> server_;
    PhoneServer phones_;
    std::unique_ptr<TcpListener> phoneServer_;
    std::unique_ptr<ServiceAdvert> advert_;
    std::unique_ptr<CMainFrame> frame_;
};
