#pragma once
// The main window: menus, toolbar, status bar, the monitor window pointer and the close
// procedure.

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class CVlakomatApp;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CVlakomatApp& app);

    // Hands a monitor line to the monitor window, if one is open; otherwise drops it.
    void LogToMonitor(const std::string& text);
    void SetStatusText(const QString& text);
    void MonitorClosed();
    void TryClose();
    void FinishClose();
    bool ClosingRequested() const { return closingRequested_; }

    // A window for the monitor command, made by the monitor's own code.
    using MonitorFactory = std::function<QWidget*(CMainFrame&)>;
    void SetMonitorFactory(MonitorFactory factory);
    // Where an open monitor window takes its lines.
    using MonitorSink = std::function<void(const std::string&)>;
    void SetMonitorSink(MonitorSink sink) { monitorSink_ = std::move(sink); }

    QAction* Action(const QString& objectName) const;
    void UpdateRecentFiles();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    QAction* AddAction(QMenu* menu, const QString& objectName, const QString& text,
                       const QKeySequence& shortcut = {}, const QString& statusTip = {});
    void OnAbout();
    void OnToggleMonitor();

    CVlakomatApp& app_;
    QMenu* recentMenu_ = nullptr;
    QPointer<QWidget> monitor_;
    MonitorFactory monitorFactory_;
    MonitorSink monitorSink_;
    bool closingRequested_ = false;
    bool finished_ = false;
    bool inCloseEvent_ = false;
};
