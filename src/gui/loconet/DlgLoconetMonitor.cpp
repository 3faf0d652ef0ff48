#include "gui/loconet/DlgLoconetMonitor.h"

#include "core/platform.h"
#include "core/settings/Settings.h"
#include "core/util/Files.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTime>

namespace {
struct FamilyBox {
    unsigned family;
    const char* name;
    const char* caption;
    const char* tip;
};
constexpr std::array<FamilyBox, 6> kFamilies = {{
    {monitorfamily::kSlots, "familySlotsCheck", "Lokomotive", "Reže, hitrosti, smeri, funkcije"},
    {monitorfamily::kSwitches, "familySwitchesCheck", "Kretnice", "Ukazi in poročila kretnic"},
    {monitorfamily::kSensors, "familySensorsCheck", "Senzorji", "Poročila senzorjev"},
    {monitorfamily::kPower, "familyPowerCheck", "Napajanje", "Vklop, izklop, ustavi vse"},
    {monitorfamily::kProgram, "familyProgramCheck", "Program", "Sporočila in sledi programa"},
    {monitorfamily::kOther, "familyOtherCheck", "Drugo", "Vsa druga sporočila na vodilu"},
}};

std::int64_t MsOfDay() {
    return QTime::currentTime().msecsSinceStartOfDay();
}
} // namespace

CDlgLoconetMonitor::CDlgLoconetMonitor(QWidget* parent, std::FILE* log,
                                       const ProgramSettings* settings, Prompts* prompts)
    : QDialog(parent), log_(log), settings_(settings), prompts_(prompts) {
    setObjectName(QStringLiteral("LoconetMonitor"));
    setWindowTitle(QStringLiteral("Loconet Monitor"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    opened_.start();

    display_ = new QPlainTextEdit(this);
    display_->setObjectName(QStringLiteral("lineDisplay"));
    display_->setReadOnly(true);
    display_->setLineWrapMode(QPlainTextEdit::NoWrap);
    display_->setUndoRedoEnabled(false);
    // The document drops its oldest line by itself: appending costs the same at any rate.
    display_->setMaximumBlockCount(kMaxLines);
    display_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    display_->setMinimumSize(420, 360);
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(kShowIntervalMs);
    connect(&showTimer_, &QTimer::timeout, this, &CDlgLoconetMonitor::ShowPending);
    // Only the operator decides whether the display follows the end: a resized window or
    // the lines the display drops at its top must not stop it.
    QScrollBar* bar = display_->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, &CDlgLoconetMonitor::UpdateFollow);
    connect(display_, &QPlainTextEdit::selectionChanged, this, &CDlgLoconetMonitor::UpdateFollow);
    connect(bar, &QScrollBar::rangeChanged, this, [this] {
        if (follow_)
            ScrollToEnd();
    });

    comment_ = new QLineEdit(this);
    comment_->setObjectName(QStringLiteral("commentEdit"));
    auto* commentButton = new QPushButton(QStringLiteral("Put Comment"), this);
    commentButton->setObjectName(QStringLiteral("commentButton"));
    auto* markerButton = new QPushButton(QStringLiteral("Put Marker"), this);
    markerButton->setObjectName(QStringLiteral("markerButton"));
    record_ = new QCheckBox(QStringLiteral("Record"), this);
    record_->setObjectName(QStringLiteral("recordCheck"));
    record_->setChecked(true);
    auto* saveButton = new QPushButton(QStringLiteral("Shrani kot..."), this);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    for (QPushButton* b : {commentButton, markerButton, saveButton, closeButton})
        b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    BuildFilterRow(grid);
    grid->addWidget(display_, 2, 0, 1, 5);
    BuildSearchRow(grid, 3);
    grid->addWidget(commentButton, 4, 0);
    grid->addWidget(comment_, 4, 1, 1, 4);
    grid->addWidget(markerButton, 5, 0);
    grid->addWidget(record_, 5, 1);
    grid->addWidget(saveButton, 5, 2);
    grid->setColumnStretch(3, 1);
    grid->addWidget(closeButton, 5, 4);

    setTabOrder(comment_, commentButton);
    setTabOrder(commentButton, markerButton);
    setTabOrder(markerButton, record_);
    setTabOrder(record_, saveButton);
    setTabOrder(saveButton, closeButton);
    setTabOrder(closeButton, display_);

    connect(commentButton, &QPushButton::clicked, this, &CDlgLoconetMonitor::PutComment);
    // Enter in the comment box puts the comment, in the search box finds, in the address
    // filter does nothing (it applies as typed); elsewhere it closes the window.
    comment_->installEventFilter(this);
    search_->installEventFilter(this);
    address_->installEventFilter(this);
    connect(markerButton, &QPushButton::clicked, this, &CDlgLoconetMonitor::PutMarker);
    connect(saveButton, &QPushButton::clicked, this, &CDlgLoconetMonitor::OnSave);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    resize(560, 640);
}

void CDlgLoconetMonitor::BuildFilterRow(QGridLayout* grid) {
    auto* box = new QGroupBox(QStringLiteral("Prikaži"), this);
    auto* boxGrid = new QGridLayout(box);
    boxGrid->setContentsMargins(6, 2, 6, 2);
    for (std::size_t i = 0; i < kFamilies.size(); ++i) {
        auto* check = new QCheckBox(QString::fromUtf8(kFamilies[i].caption), box);
        check->setObjectName(QString::fromLatin1(kFamilies[i].name));
        check->setToolTip(QString::fromUtf8(kFamilies[i].tip));
        check->setChecked(true);
        connect(check, &QCheckBox::toggled, this, &CDlgLoconetMonitor::Rebuild);
        families_[i] = check;
        boxGrid->addWidget(check, static_cast<int>(i / 3), static_cast<int>(i % 3));
    }
    auto* addressLabel = new QLabel(QStringLiteral("Naslov:"), box);
    address_ = new QLineEdit(box);
    address_->setObjectName(QStringLiteral("addressFilterEdit"));
    address_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), this));
    address_->setPlaceholderText(QStringLiteral("vsi"));
    address_->setMaximumWidth(70);
    addressLabel->setBuddy(address_);
    connect(address_, &QLineEdit::textChanged, this, &CDlgLoconetMonitor::Rebuild);
    boxGrid->addWidget(addressLabel, 0, 3);
    boxGrid->addWidget(address_, 0, 4);
    grid->addWidget(box, 0, 0, 1, 5);

    auto* stampRow = new QHBoxLayout;
    auto* stampLabel = new QLabel(QStringLiteral("Čas:"), this);
    stamps_ = new QComboBox(this);
    stamps_->setObjectName(QStringLiteral("stampCombo"));
    stamps_->addItems({QStringLiteral("Brez časa"), QStringLiteral("Od odprtja monitorja"),
                       QStringLiteral("Ura")});
    stampLabel->setBuddy(stamps_);
    connect(stamps_, &QComboBox::currentIndexChanged, this, &CDlgLoconetMonitor::Rebuild);
    logStamps_ = new QCheckBox(QStringLiteral("Časovni žigi v dnevniku"), this);
    logStamps_->setObjectName(QStringLiteral("logStampsCheck"));
    stampRow->addWidget(stampLabel);
    stampRow->addWidget(stamps_);
    stampRow->addSpacing(12);
    stampRow->addWidget(logStamps_);
    stampRow->addStretch();
    grid->addLayout(stampRow, 1, 0, 1, 5);
}

void CDlgLoconetMonitor::BuildSearchRow(QGridLayout* grid, int row) {
    auto* searchRow = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Išči:"), this);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("searchEdit"));
    search_->setPlaceholderText(QStringLiteral("Ctrl+F"));
    label->setBuddy(search_);
    auto* previous = new QPushButton(QStringLiteral("Nazaj"), this);
    previous->setObjectName(QStringLiteral("findPreviousButton"));
    auto* next = new QPushButton(QStringLiteral("Naprej"), this);
    next->setObjectName(QStringLiteral("findNextButton"));
    for (QPushButton* b : {previous, next})
        b->setAutoDefault(false);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLabel"));
    searchRow->addWidget(label);
    searchRow->addWidget(search_, 1);
    searchRow->addWidget(previous);
    searchRow->addWidget(next);
    searchRow->addWidget(status_);
    grid->addLayout(searchRow, row, 0, 1, 5);
    connect(previous, &QPushButton::clicked, this, [this] { Find(true); });
    connect(next, &QPushButton::clicked, this, [this] { Find(false); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        search_->setFocus(Qt::ShortcutFocusReason);
        search_->selectAll();
    });
    connect(new QShortcut(QKeySequence::FindNext, this), &QShortcut::activated, this,
            [this] { Find(false); });
    connect(new QShortcut(QKeySequence::FindPrevious, this), &QShortcut::activated, this,
            [this] { Find(true); });
}

CDlgLoconetMonitor::~CDlgLoconetMonitor() {
    TellClosed();
}

void CDlgLoconetMonitor::TellClosed() {
    if (told_)
        return;
    if (log_)
        std::fflush(log_);
    told_ = true;
    emit Closed();
}

void CDlgLoconetMonitor::closeEvent(QCloseEvent* event) {
    // The frame forgets the window now; it is deleted on the next pass of the event loop.
    TellClosed();
    event->accept();
}

void CDlgLoconetMonitor::reject() {
    // Escape closes the monitor for good; a hidden monitor would go on logging unseen.
    close();
}

namespace {
bool IsEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
} // namespace

bool CDlgLoconetMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == comment_ && IsEnter(event)) {
        PutComment();
        return true;
    }
    // The filter applies as it is typed; Enter there must not close the window and lose its
    // lines.
    if (watched == address_ && IsEnter(event))
        return true;
    if (watched == search_ && IsEnter(event)) {
        Find((static_cast<QKeyEvent*>(event)->modifiers() & Qt::ShiftModifier) != 0);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgLoconetMonitor::keyPressEvent(QKeyEvent* event) {
    // Enter is the window's "Close" (the comment, filter and search boxes keep their own Enter).
    if (IsEnter(event)) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

MonitorFilter CDlgLoconetMonitor::CurrentFilter() const {
    MonitorFilter filter;
    filter.families = 0;
    for (std::size_t i = 0; i < kFamilies.size(); ++i)
        if (families_[i]->isChecked())
            filter.families |= kFamilies[i].family;
    bool ok = false;
    const int address = address_->text().toInt(&ok);
    filter.address = ok ? address : -1;
    return filter;
}

MonitorStamp CDlgLoconetMonitor::CurrentStamp() const {
    switch (stamps_->currentIndex()) {
    case 1:
        return MonitorStamp::SinceOpen;
    case 2:
        return MonitorStamp::WallClock;
    default:
        return MonitorStamp::None;
    }
}

QString CDlgLoconetMonitor::Shown(const MonitorHistory::Entry& entry) const {
    QString shown = QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size()));
    // One line stays one line of the display.
    shown.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    const MonitorStamp kind = CurrentStamp();
    if (kind == MonitorStamp::None)
        return shown;
    const QString stamp =
        QString::fromStdString(FormatMonitorStamp(kind, entry.msSinceOpen, entry.msOfDay));
    return stamp.rightJustified(kind == MonitorStamp::SinceOpen ? 9 : 12) + QLatin1Char(' ') +
           shown;
}

void CDlgLoconetMonitor::AddLine(const std::string& line, bool force) {
    if (told_ || (!record_->isChecked() && !force))
        return;
    const std::int64_t sinceOpen = opened_.elapsed();
    const std::int64_t ofDay = MsOfDay();
    if (log_ && settings_ && settings_->DebugMode) {
        if (logStamps_->isChecked())
            std::fprintf(log_, "%s %s\n",
                         FormatMonitorStamp(MonitorStamp::WallClock, sinceOpen, ofDay).c_str(),
                         line.c_str());
        else
            std::fprintf(log_, "%s\n", line.c_str());
    }
    history_.SetDebugMode(settings_ && settings_->DebugMode);
    history_.Add(line, force, sinceOpen, ofDay);
    if (!showTimer_.isActive())
        showTimer_.start();
}

void CDlgLoconetMonitor::ScrollToEnd() {
    const QScopedValueRollback<bool> ours(scrolling_, true);
    QScrollBar* bar = display_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

bool CDlgLoconetMonitor::SelectionInView() const {
    const QTextCursor cursor = display_->textCursor();
    return cursor.hasSelection() &&
           display_->viewport()->rect().intersects(display_->cursorRect(cursor));
}

bool CDlgLoconetMonitor::EndInView() const {
    // A found line at the end is shown whole, which may leave the scroll bar a line short.
    QScrollBar* bar = display_->verticalScrollBar();
    QTextCursor end(display_->document());
    end.movePosition(QTextCursor::End);
    return bar->value() >= bar->maximum() ||
           display_->viewport()->rect().intersects(display_->cursorRect(end));
}

void CDlgLoconetMonitor::UpdateFollow() {
    if (scrolling_)
        return;
    // A found line, or text the operator marked, holds the display while it is in view:
    // new lines would push it up and, a hundred lines on, out of the display altogether.
    follow_ = EndInView() && !SelectionInView();
    // Back at the end, the lines that waited follow.
    if (follow_ && holding_)
        ShowPending();
}

void CDlgLoconetMonitor::ShowPending() {
    showTimer_.stop();
    if (log_)
        std::fflush(log_);
    if (shownUpTo_ == history_.LastNumber())
        return;
    // The operator reads: the display holds still until the end is in view again and
    // nothing is marked there.
    holding_ = !follow_;
    if (holding_) {
        status_->setText(SelectionInView()
                             ? QStringLiteral("Ustavljeno ob izbranem: klik v izpis nadaljuje")
                             : QStringLiteral("Ustavljeno: na koncu se nadaljuje"));
        return;
    }
    QStringList lines;
    history_.ForEachShown(CurrentFilter(), kMaxLines, shownUpTo_,
                          [&](const MonitorHistory::Entry& e) { lines << Shown(e); });
    shownUpTo_ = history_.LastNumber();
    if (status_->text().startsWith(QStringLiteral("Ustavljeno")))
        status_->clear();
    if (lines.isEmpty())
        return;
    // One paragraph of several lines; the document keeps the newest kMaxLines blocks.
    {
        const QScopedValueRollback<bool> ours(scrolling_, true);
        display_->appendPlainText(lines.join(QLatin1Char('\n')));
    }
    ScrollToEnd();
}

void CDlgLoconetMonitor::Rebuild() {
    {
        const QScopedValueRollback<bool> ours(scrolling_, true);
        display_->clear();
    }
    shownUpTo_ = 0;
    holding_ = false;
    follow_ = true;
    ShowPending();
}

void CDlgLoconetMonitor::PutMarker() {
    AddLine(kMarker, true);
}

void CDlgLoconetMonitor::PutComment() {
    AddLine(">>>>>" + comment_->text().toStdString(), true);
}

QStringList CDlgLoconetMonitor::Lines() {
    ShowPending();
    QStringList lines;
    if (display_->document()->isEmpty())
        return lines;
    for (QTextBlock b = display_->document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

bool CDlgLoconetMonitor::Find(bool backward) {
    const QString text = search_->text();
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = display_->find(text, flags);
    if (!found) {
        // Round from the other end.
        QTextCursor cursor = display_->textCursor();
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        display_->setTextCursor(cursor);
        found = display_->find(text, flags);
    }
    status_->setText(found ? QString() : QStringLiteral("Ni najdeno"));
    return found;
}

QString CDlgLoconetMonitor::SaveLinesTo(const QString& path) {
    const QStringList lines = Lines();
    std::string content;
    for (const QString& line : lines)
        content += line.toStdString() + '\n';
    return QString::fromStdString(files::WriteAtomically(path.toStdString(), content));
}

void CDlgLoconetMonitor::OnSave() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Shrani vrstice monitorja"), QStringLiteral("LoconetMonitor.txt"),
        QStringLiteral("Besedilo (*.txt);;Vse datoteke (*)"));
    if (path.isEmpty())
        return;
    const QString error = SaveLinesTo(path);
    if (!error.isEmpty() && prompts_)
        prompts_->Inform(
            QStringLiteral("Datoteke %1 ni mogoče shraniti: %2").arg(path, error).toStdString(),
            PromptIcon::Error);
}
