#pragma once
// The LocoNet monitor window: the last 100 monitor lines, newest at the bottom, with a
// Record switch, marker and comment lines, and in debug mode a copy of every line it
// accepts in LoconetLog.txt. At most one is open; the main frame hands it the lines.

#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct ProgramSettings;

class CDlgLoconetMonitor : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 100;
    // Lines are shown, and the log written through, this often at most: a busy bus
    // must not cost a redraw of the window per message.
    static constexpr int kShowIntervalMs = 50;
    static constexpr const char* kMarker = "------------------------------------------------------";

    // `log` is the open log file or nullptr; `settings` tells whether debug mode is on.
    CDlgLoconetMonitor(QWidget* parent, std::FILE* log, const ProgramSettings* settings);
    ~CDlgLoconetMonitor() override;

    // A line from the link (force false: dropped while Record is off), or the marker or a
    // comment (force true).
    void AddLine(const std::string& line, bool force);
    void PutMarker();
    void PutComment();
    // The lines held, oldest first (those still waiting to be shown included).
    QStringList Lines();
    // Shows the lines that wait and writes the log through.
    void ShowPending();

signals:
    // The window is closing or going: whoever holds it forgets it now.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TellClosed();

    std::FILE* log_;
    const ProgramSettings* settings_;
    QPlainTextEdit* display_ = nullptr;
    QCheckBox* record_ = nullptr;
    QStringList pending_; // accepted, not yet shown: the newest kMaxLines at most
    QTimer showTimer_;
    QLineEdit* comment_ = nullptr;
    bool told_ = false;
};
