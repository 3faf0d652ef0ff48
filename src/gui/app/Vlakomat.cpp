#include "gui/app/Vlakomat.h"

#include "core/settings/SerialLine.h"
#include "core/util/Files.h"
#include "gui/app/Heartbeat.h"
#include "gui/app/MainFrm.h"
#include "gui/common/Controls.h"
#include "gui/common/Ports.h"
#include "gui/common/QtTexts.h"
#include "gui/layout/LayoutFiles.h"
#include "gui/layout/VlakomatView.h"
#include "gui/settings/DlgSettings.h"
#include "gui/throttles/DlgRThrottle.h"
#include "gui/throttles/DlgSThrottle.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QScreen>
#include <QSysInfo>
#include <QThread>
#include <QTranslator>

#include <algorithm>
#include <cstdio>

CVlakomatApp::CVlakomatApp(Prompts& prompts, Clock& clock, Beeper& beeper)
    : prompts_(prompts), clock_(clock), beeper_(beeper),
      heartbeat_(
          std::make_unique<Heartbeat>([this] { return link_.IsActive(); }, [this] { Process(); },
                                      [this] { return prompts_.HasQueued() ? 0 : NextStepDue(); },
                                      [this] {
                                          // One box at a time, and none over a dialog the operator
                                          // has open.
                                          if (QApplication::activeModalWidget() == nullptr)
                                              prompts_.ShowQueued();
                                      })),
      link_(clock, beeper, prompts_), share_(link_, "Vlakomat " VLAKOMAT_VERSION),
      server_(CreateProgramListener(share_)),
      phones_(link_, clock, data_, "Vlakomat " VLAKOMAT_VERSION),
      phoneServer_(CreateProgramListener(phones_)), advert_(CreateProgramAdvert()) {
    InstallQtTranslation();
    SetProgramPath(QStringLiteral("vlakomat"));
    link_.SetSettings(&settings_);
    // Every port the link makes (also when it opens a lost one again) wakes the heartbeat
    // when bytes arrive.
    link_.SetPortFactory([this](const std::string& name) {
        auto port = CreateProgramPort(name, clock_, SerialLineOf(settings_.settings));
        port->SetReadyReadHandler([this] { heartbeat_->Beat(); });
        return port;
    });
    link_.SetMonitorSink([this](const std::string& line) {
        if (frame_)
            frame_->LogToMonitor(line);
    });
    link_.SetLinkStateSink([this](bool down, const std::string&) {
        if (frame_)
            frame_->ShowLinkState(down);
    });
    RegisterThrottleFactory();
    // A client's message waits for the bus: the step comes at once, as for the port's bytes.
    server_->SetActivityHandler([this] { heartbeat_->Beat(); });
    server_->SetClientsHandler([this](int count) {
        if (frame_)
            frame_->ShowBusClients(count);
    });
    phoneServer_->SetActivityHandler([this] { heartbeat_->Beat(); });
    phoneServer_->SetClientsHandler([this](int count) {
        if (frame_)
            frame_->ShowPhoneClients(count);
    });
}

CVlakomatApp::~CVlakomatApp() {
    // The layout goes with the frame.
    phones_.SetLayout(nullptr, nullptr);
    // The windows go before the log file that the monitor writes to.
    frame_.reset();
    if (logFile_)
        std::fclose(logFile_);
}

void CVlakomatApp::InstallQtTranslation() {
    if (QCoreApplication::instance() == nullptr)
        return;
    // Newer Qt versions ship "qtbase_sl"; Debian 12's Qt 6.4 has the Slovenian texts in "qt_sl".
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto translator = std::make_unique<QTranslator>();
    for (const char* name : {"qtbase_sl", "qt_sl"})
        if (translator->load(QLatin1String(name), folder)) {
            QCoreApplication::installTranslator(translator.get());
            qtTranslation_ = std::move(translator);
            break;
        }
    // The last translator installed is asked first: the program's own texts win over Qt's.
    InstallQtTexts();
}

void CVlakomatApp::RegisterThrottleFactory() {
    ThrottleFactory factory;
    factory.create = [this](ThrottleType type, int index) -> Throttle* {
        CDlgThrottle* window = nullptr;
        if (type == ThrottleType::Realistic)
            window =
                new CDlgRThrottle(link_, clock_, beeper_, prompts_, settings_, data_, frame_.get());
        else
            window = new CDlgSThrottle(link_, clock_, prompts_, frame_.get(), &settings_);
        // Side by side over the main window, so that a new one never hides the last, and as
        // many in a row as the screen has room for.
        if (frame_) {
            const int step = window->width() + 16;
            const QRect screen = frame_->screen()->availableGeometry();
            const int room = (screen.right() - frame_->x() - 24 - window->width()) / step + 1;
            const int place = (CLoconet::kRegistrySize - 1 - index) % std::clamp(room, 1, 8);
            window->move(frame_->geometry().topLeft() + QPoint(24 + place * step, 80));
        }
        window->show();
        // Once shown, when the window has its final height.
        KeepOnScreen(window);
        throttleWindows_.Add(index, window);
        return &window->Logic();
    };
    factory.destroy = [this](Throttle* throttle) {
        if (CDlgThrottle* window = throttleWindows_.Of(throttle))
            delete window; // its destruction releases the slot and clears the entry
        else
            link_.RemoveThrottle(throttle->registryIndex);
    };
    link_.SetThrottleFactory(std::move(factory));
}

void CVlakomatApp::DestroyThrottleWindows() {
    if (QApplication::instance() == nullptr)
        return;
    for (const QPointer<CDlgThrottle>& window : throttleWindows_.All())
        delete window.data();
}

void CVlakomatApp::DrainLink(std::uint32_t limitMs) {
    if (!link_.IsActive() || link_.Port() == nullptr)
        return;
    // Bounded by the clock and by a count of steps, so that a silent port cannot hold up
    // the end of the program.
    const Tick start = clock_.Now();
    const std::uint32_t steps = limitMs * 4;
    for (std::uint32_t step = 0; step < steps && ElapsedTicks(clock_.Now(), start) < limitMs;
         ++step) {
        if (link_.Queue().Empty() && !link_.IsWaitingForEcho())
            return;
        QueuedPrompts::Step inStep(prompts_);
        link_.Process();
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 1);
        QThread::usleep(250);
    }
}

std::string CVlakomatApp::Listen(TcpListener& server, int port, int onNetwork) {
    return port < 0 || port > 65535 ? "port mora biti med 1 in 65535"
                                    : server.Listen(port, onNetwork != 0);
}

void CVlakomatApp::Fail(const std::string& text) {
    link_.LogToMonitor(text);
    prompts_.Inform(text, PromptIcon::Error);
}

void CVlakomatApp::ServePhones() {
    const ::Settings& s = settings_.settings;
    if (s.WiThrottlePort == 0) {
        advert_->Publish("", 0);
        phoneServer_->Stop();
        return;
    }
    const std::string reason = Listen(*phoneServer_, s.WiThrottlePort, s.WiThrottleOnNetwork);
    // Announced on the network only where the phones of the network may connect.
    advert_->Publish("Vlakomat " + QSysInfo::machineHostName().toStdString(),
                     reason.empty() && s.WiThrottleOnNetwork != 0 ? phoneServer_->Port() : 0);
    if (!reason.empty())
        Fail("Napaka! Telefoni se ne morejo povezati na TCP port " +
             std::to_string(s.WiThrottlePort) + "! (" + reason + ")");
}

void CVlakomatApp::ShareBus() {
    ServePhones();
    const ::Settings& s = settings_.settings;
    if (s.SharePort == 0) {
        server_->Stop();
        return;
    }
    share_.SetClientLimit(s.ShareMaxClients);
    const std::string reason = Listen(*server_, s.SharePort, s.ShareOnNetwork);
    if (!reason.empty())
        Fail("Napaka! Vodila ni mogoče deliti na TCP portu " + std::to_string(s.SharePort) + "! (" +
             reason + ")");
}

bool CVlakomatApp::OpenLink() {
    const bool opened = link_.Open(settings_.settings.ComPort);
    heartbeat_->Update();
    if (frame_)
        frame_->UpdateLinkState();
    return opened;
}

void CVlakomatApp::SetProgramPath(const QString& programPath) {
    currentDirectory_ = QDir::currentPath().toStdString();
    if (!currentDirectory_.empty() && currentDirectory_.back() != '/')
        currentDirectory_ += '/';
    settingsPath_ =
        currentDirectory_ + QFileInfo(programPath).completeBaseName().toStdString() + ".ini";
}

bool CVlakomatApp::ReadStartupFiles() {
    settings_ = ReadSettings(settingsPath_);
    if (!LoadStartupTables(data_, prompts_, currentDirectory_)) {
        prompts_.Inform(kMissingDecodersMessage, PromptIcon::Error);
        std::fprintf(stderr,
                     "vlakomat: v mapi %s ni tipov dekoderjev (Decoders.tab); mapo makete iz "
                     "vzorcev naredi ukaz vlakomat --init [MAPA]\n",
                     currentDirectory_.c_str());
        return false;
    }
    return true;
}

void CVlakomatApp::OpenLogFile() {
    if (!settings_.DebugMode)
        return;
    logFile_ = std::fopen((currentDirectory_ + "LoconetLog.txt").c_str(), "a");
    if (logFile_) {
        std::fputs(">>>>>>>>>>>>> New session started <<<<<<<<<<<<<<<<\n", logFile_);
        std::fflush(logFile_);
    }
}

bool CVlakomatApp::InitInstance(const QString& layoutFile) {
    if (!ReadStartupFiles())
        return false;
    OpenLogFile();

    frame_ = std::make_unique<CMainFrame>(MainFrameParts{
        settings_, data_, link_, prompts_, throttleWindows_, phones_, currentDirectory_, logFile_,
        [this] { return OpenLink(); }, [this] { ShareBus(); },
        [this](std::uint32_t limitMs) { DrainLink(limitMs); }});
    frame_->show();
    // A layout that will not open leaves the program running with an empty one. Without
    // one named, the operator goes on where the last session ended.
    const std::string& last = settings_.RecentFiles[0];
    if (!layoutFile.isEmpty())
        frame_->Layout().OpenDocumentFile(layoutFile);
    else if (settings_.settings.OpenLastLayout != 0 && !last.empty() && files::Exists(last))
        frame_->Layout().OpenDocumentFile(QString::fromStdString(last));

    if (settings_.settings.FirstRun) {
        // The first run leads through the settings and the roster; only the settings
        // procedure opens the port then. It stays the first run until the settings are
        // confirmed.
        if (frame_->FirstRunSettings())
            settings_.settings.FirstRun = 0;
        frame_->Action(QStringLiteral("actionRoster"))->trigger();
    } else if (!OpenLink()) {
        frame_->SettingsProcedure();
    }
    // Served also while the link is down: the clients are told so.
    ShareBus();
    return true;
}

void CVlakomatApp::Process() {
    // What the step must tell the operator waits until it is over.
    QueuedPrompts::Step step(prompts_);
    link_.Process();
    if (frame_)
        frame_->View().StepSync(clock_.Now());
}

std::uint32_t CVlakomatApp::NextStepDue() const {
    const std::uint32_t link = link_.NextStepDue();
    return frame_ ? std::min(link, frame_->View().SyncDue(clock_.Now())) : link;
}

void CVlakomatApp::EndSession() {
    link_.StopThrottlesForExit();
    if (frame_)
        frame_->EndSession();
}

int CVlakomatApp::ExitInstance(int code) {
    // The end of the program, after the close procedure or a session end: the settings
    // file is written (always, also after a failed start), then the throttles still open
    // release their locomotives and the link closes once what they queued is written.
    std::string error = WriteSettings(settingsPath_, settings_);
    if (!error.empty())
        std::fprintf(stderr, "vlakomat: %s: %s\n", settingsPath_.c_str(), error.c_str());
    // The phones let go of their locomotives while the link still carries the releases.
    phoneServer_->Stop();
    DestroyThrottleWindows();
    DrainLink(1000);
    link_.Close();
    server_->Stop();
    heartbeat_->Update();
    return code;
}
