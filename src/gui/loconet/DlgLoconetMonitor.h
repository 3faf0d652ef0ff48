#pragma once
// The LocoNet monitor window: the last 100 monitor lines, newest at the bottom, with a
// Record switch, marker and comment lines, and in debug mode a copy of every line it
// accepts in LoconetLog.txt. At most one is open; the main frame hands it the lines.
// Beyond that: a filter by message family and address, a time stamp column, search,
// saving the shown lines, and a display that holds still while the operator reads back.
// Which line belongs where is decided by MonitorHistory and MonitorFilter in the core.

#include "core/loconet/MonitorFilter.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <array>
#include <cstdio>
#include <string>

class Prompts;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
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

    // `log` is the open log file or nullptr; `settings` tells whether debug mode is on;
    // `prompts` (may be nullptr) tells of a file that would not save.
    CDlgLoconetMonitor(QWidget* parent, std::FILE* log, const ProgramSettings* settings,
                       Prompts* prompts = nullptr);
    ~CDlgLoconetMonitor() override;

    // A line from the link (force false: dropped while Record is off), or the marker or a
    // comment (force true).
    void AddLine(const std::string& line, bool force);
    void PutMarker();
    void PutComment();
    // The lines shown, oldest first (those still waiting to be shown included, unless the
    // display holds still).
    QStringList Lines();
    // Shows the lines that wait (unless the display holds still) and writes the log through.
    void ShowPending();
    // Writes the shown lines to `path`; an empty string on success, otherwise the reason.
    QString SaveLinesTo(const QString& path);
    // Finds the text from the cursor on (or back); wraps round; false when it is nowhere.
    bool Find(bool backward);
    // True while new lines wait below a display that holds still: the operator scrolled
    // back, or a found line (or text the operator marked) is in view. A click in the display
    // or scrolling to the end lets them follow.
    bool Holding() const { return holding_; }

signals:
    // The window is closing or going: whoever holds it forgets it now.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildFilterRow(QGridLayout* grid);
    void BuildSearchRow(QGridLayout* grid, int row);
    void TellClosed();
    MonitorFilter CurrentFilter() const;
    MonitorStamp CurrentStamp() const;
    QString Shown(const MonitorHistory::Entry& entry) const;
    // Shows the newest lines that pass the filter afresh (the filter or the stamps changed).
    void Rebuild();
    void ScrollToEnd();
    bool SelectionInView() const;
    bool EndInView() const;
    // Whether the display follows the end, after the operator scrolled or marked text.
    void UpdateFollow();
    void OnSave();

    std::FILE* log_;
    const ProgramSettings* settings_;
    Prompts* prompts_;
    QPlainTextEdit* display_ = nullptr;
    QCheckBox* record_ = nullptr;
    MonitorHistory history_;
    std::uint64_t shownUpTo_ = 0; // the newest history line the display has taken
    bool holding_ = false;
    // The display follows the end, unless the operator scrolled back or marked text in view.
    bool follow_ = true;
    bool scrolling_ = false; // the window itself moves the display
    QElapsedTimer opened_;
    QTimer showTimer_;
    QLineEdit* comment_ = nullptr;
    std::array<QCheckBox*, 6> families_{};
    QLineEdit* address_ = nullptr;
    QComboBox* stamps_ = nullptr;
    QCheckBox* logStamps_ = nullptr;
    QLineEdit* search_ = nullptr;
    QLabel* status_ = nullptr;
    bool told_ = false;
};
