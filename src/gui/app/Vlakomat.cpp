#include "app/Vlakomat.h"

#include "app/Heartbeat.h"
#include "app/MainFrm.h"

#include <QDir>
#include <QFileInfo>

CVlakomatApp::CVlakomatApp(Prompts& prompts, Clock& clock, Beeper& beeper)
    : prompts_(prompts), clock_(clock), beeper_(beeper) {
    SetProgramPath(QStringLiteral("vlakomat"));
}

CVlakomatApp::~CVlakomatApp() {
    frame_.reset();
    if (logFile_)
        std::fclose(logFile_);
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
    (void)layoutFile; // opened once layout documents exist
    if (!ReadStartupFiles())
        return false;
    OpenLogFile();

    frame_ = std::make_unique<CMainFrame>(*this);
    heartbeat_ = std::make_unique<Heartbeat>([] { return false; }, [] {});
    frame_->show();

    if (settings_.settings.FirstRun)
        settings_.settings.FirstRun = 0;
    heartbeat_->Update();
    return true;
}

int CVlakomatApp::ExitInstance(int code) {
    std::string error = WriteSettings(settingsPath_, settings_);
    if (!error.empty())
        std::fprintf(stderr, "vlakomat: %s: %s\n", settingsPath_.c_str(), error.c_str());
    return code;
}
