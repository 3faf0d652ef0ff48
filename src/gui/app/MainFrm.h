#pragma once
// The main window: menus, toolbar, status bar, the monitor window pointer and the close
// procedure.

#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class CDlgLoconetMonitor;
class CLinkStateField;
class CHelp;
class CLayoutFiles;
class CPowerControls;
class CLoconet;
class CVlakomatView;
class Prompts;
class PhoneServer;
struct RosterData;
class ThrottleWindows;
struct ProgramSettings;

// What the main frame works with, lent by the application that owns it all and outlives it.
struct MainFrameParts {
    ProgramSettings& settings;
    RosterData& data;
    CLoconet& link;
    Prompts& prompts;
    ThrottleWindows& throttles;
    PhoneServer& phones; // told of the layout the phones may switch
    std::string currentDirectory;
    std::FILE* logFile = nullptr; // the monitor's log in Debug Mode, or none
    // The application's steps that the frame's commands start.
    std::function<bool()> openLink;
    std::function<void()> shareBus;
    std::function<void(std::uint32_t limitMs)> drainLink;
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // The longest wait at exit for the throttles' releases to reach the bus.
    static constexpr std::uint32_t kReleaseWaitMs = 2000;
    // How often the link-state field looks at the link.
    static constexpr int kLinkLookMs = 500;

    explicit CMainFrame(MainFrameParts parts);
    ~CMainFrame() override;

    // Hands a monitor line to the monitor window, if one is open; otherwise drops it.
    void LogToMonitor(const std::string& text);
    void SetStatusText(const QString& text);
    // The port was lost (the link opens it again by itself) or is back: the status bar and
    // the throttle windows say so.
    void ShowLinkState(bool down);
    // The status bar's field after the link was opened or closed.
    void UpdateLinkState();
    // The number of programs on the shared bus in the status bar; below 0: not shared.
    void ShowBusClients(int count);
    // The number of phones connected; below 0: phones not served.
    void ShowPhoneClients(int count);
    void MonitorClosed();
    // The close procedure (see MainFrm.cpp). True once the program may end.
    bool TryClose();
    bool FinishClose();
    bool ClosingRequested() const { return closingRequested_; }
    // Edits the settings in their dialog and opens the link again when its port changed;
    // the dialog comes back while the port will not open.
    void SettingsProcedure();
    // The same at the first run: `intro` tops the dialog, and OK opens the port chosen even
    // when it is the one preselected. True when the operator confirmed the settings.
    bool FirstRunSettings();
    // The session ends (a signal, the desktop logging out): no dialog is shown again.
    void EndSession() { sessionEnding_ = true; }

    // The open monitor window, or nullptr.
    CDlgLoconetMonitor* Monitor() const;

    QAction* Action(const QString& objectName) const;
    void UpdateRecentFiles();

    // The layout document and its view in the middle of the window.
    CLayoutFiles& Layout() const { return *layout_; }
    CVlakomatView& View() const { return *view_; }
    // The guide and the "What's this?" sentences of every window.
    CHelp& Help() const { return *help_; }
    // Track power: its menu commands, toolbar button and key.
    CPowerControls& Power() const { return *power_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateLayout();
    void UpdateTitle();
    bool RunSettings(bool firstRun, bool openOnOk);
    QAction* AddAction(QMenu* menu, const QString& objectName, const QString& text,
                       const QKeySequence& shortcut = {}, const QString& statusTip = {});
    void OnAbout();
    void OnToggleMonitor();
    void OnNewSimpleThrottle();
    void OnRoster();
    bool CloseThrottles();
    bool CancelClose();
    void ThrottleGone();

    MainFrameParts parts_;
    CHelp* help_ = nullptr;
    CPowerControls* power_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    CLinkStateField* linkState_ = nullptr;
    QLabel* busClients_ = nullptr;
    QLabel* phoneClients_ = nullptr;
    QPointer<CDlgLoconetMonitor> monitor_;
    CLayoutFiles* layout_ = nullptr;
    CVlakomatView* view_ = nullptr;
    bool closingRequested_ = false;
    bool finished_ = false;
    bool inTryClose_ = false;
    bool sessionEnding_ = false;
    // Offered in the settings dialog's port list after the link has moved to another port.
    QString lastTcpAddress_;
};
