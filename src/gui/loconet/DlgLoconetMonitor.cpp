#include "gui/loconet/DlgLoconetMonitor.h"

#include "settings/Settings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>

CDlgLoconetMonitor::CDlgLoconetMonitor(QWidget* parent, std::FILE* log,
                                       const ProgramSettings* settings)
    : QDialog(parent), log_(log), settings_(settings) {
    setObjectName(QStringLiteral("LoconetMonitor"));
    setWindowTitle(QStringLiteral("Loconet Monitor"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

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

    comment_ = new QLineEdit(this);
    comment_->setObjectName(QStringLiteral("commentEdit"));
    auto* commentButton = new QPushButton(QStringLiteral("Put Comment"), this);
    commentButton->setObjectName(QStringLiteral("commentButton"));
    auto* markerButton = new QPushButton(QStringLiteral("Put Marker"), this);
    markerButton->setObjectName(QStringLiteral("markerButton"));
    record_ = new QCheckBox(QStringLiteral("Record"), this);
    record_->setObjectName(QStringLiteral("recordCheck"));
    record_->setChecked(true);
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    for (QPushButton* b : {commentButton, markerButton, closeButton})
        b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(display_, 0, 0, 1, 4);
    grid->addWidget(commentButton, 1, 0);
    grid->addWidget(comment_, 1, 1, 1, 3);
    grid->addWidget(markerButton, 2, 0);
    grid->addWidget(record_, 2, 1);
    grid->setColumnStretch(2, 1);
    grid->addWidget(closeButton, 2, 3);

    setTabOrder(comment_, commentButton);
    setTabOrder(commentButton, markerButton);
    setTabOrder(markerButton, record_);
    setTabOrder(record_, closeButton);
    setTabOrder(closeButton, display_);

    connect(commentButton, &QPushButton::clicked, this, &CDlgLoconetMonitor::PutComment);
    // Enter in the comment box puts the comment rather than closing the window.
    comment_->installEventFilter(this);
    connect(markerButton, &QPushButton::clicked, this, &CDlgLoconetMonitor::PutMarker);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    resize(480, 560);
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
    return QDialog::eventFilter(watched, event);
}

void CDlgLoconetMonitor::keyPressEvent(QKeyEvent* event) {
    // Enter is the window's "Close" (the comment box keeps its own Enter).
    if (IsEnter(event)) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CDlgLoconetMonitor::AddLine(const std::string& line, bool force) {
    if (told_ || (!record_->isChecked() && !force))
        return;
    if (log_ && settings_ && settings_->DebugMode)
        std::fprintf(log_, "%s\n", line.c_str());
    QString shown = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    // One line stays one line of the display.
    shown.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    pending_.append(shown);
    if (pending_.size() > kMaxLines)
        pending_.removeFirst();
    if (!showTimer_.isActive())
        showTimer_.start();
}

void CDlgLoconetMonitor::ShowPending() {
    showTimer_.stop();
    if (log_)
        std::fflush(log_);
    if (pending_.isEmpty())
        return;
    // One paragraph of several lines; the document keeps the newest kMaxLines blocks.
    display_->appendPlainText(pending_.join(QLatin1Char('\n')));
    pending_.clear();
    QScrollBar* bar = display_->verticalScrollBar();
    bar->setValue(bar->maximum());
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
