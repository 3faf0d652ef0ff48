#include "gui/help/HelpWindow.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* Button(const char* name, const QString& text, QStyle::StandardPixmap icon,
                    QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(text);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

} // namespace

CHelpWindow::CHelpWindow(std::vector<HelpTopic> contents, QWidget* parent)
    : QWidget(parent, Qt::Window), contents_(std::move(contents)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Vlakomat - Pomoč"));
    resize(980, 700);

    QToolButton* back = Button("backButton", QStringLiteral("Nazaj"), QStyle::SP_ArrowBack, this);
    QToolButton* forward =
        Button("forwardButton", QStringLiteral("Naprej"), QStyle::SP_ArrowForward, this);
    QToolButton* home =
        Button("contentsButton", QStringLiteral("Vsebina"), QStyle::SP_DirHomeIcon, this);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("searchEdit"));
    search_->setPlaceholderText(QStringLiteral("Išči na strani (Ctrl+F)"));
    search_->setClearButtonEnabled(true);
    search_->setMinimumWidth(220);
    QToolButton* previous =
        Button("findPreviousButton", QStringLiteral("Prejšnje"), QStyle::SP_ArrowUp, this);
    QToolButton* next =
        Button("findNextButton", QStringLiteral("Naslednje"), QStyle::SP_ArrowDown, this);
    notFound_ = new QLabel(QStringLiteral("Ni najdeno."), this);
    notFound_->setObjectName(QStringLiteral("notFoundLabel"));
    notFound_->hide();

    auto* bar = new QHBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(back), static_cast<QWidget*>(forward), static_cast<QWidget*>(home)})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(notFound_);
    bar->addWidget(search_);
    bar->addWidget(previous);
    bar->addWidget(next);

    chapters_ = new QListWidget(this);
    chapters_->setObjectName(QStringLiteral("contentsList"));
    for (const HelpTopic& topic : contents_)
        chapters_->addItem(QString::fromStdString(topic.title));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);
    auto* split = new QSplitter(this);
    split->addWidget(chapters_);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    split->setSizes({270, 710});

    auto* close = new QPushButton(QStringLiteral("Zapri"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    layout->addLayout(bottom);

    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connect(back, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(home, &QToolButton::clicked, this, [this] { ShowPage(QStringLiteral("index.md")); });
    connect(chapters_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < static_cast<int>(contents_.size()))
            ShowPage(QString::fromStdString(contents_[static_cast<std::size_t>(row)].page));
    });
    connect(browser_, &QTextBrowser::sourceChanged, this, &CHelpWindow::OnSourceChanged);
    connect(search_, &QLineEdit::returnPressed, this, [this] { Find(false); });
    connect(search_, &QLineEdit::textEdited, this, [this] { notFound_->hide(); });
    connect(next, &QToolButton::clicked, this, [this] { Find(false); });
    connect(previous, &QToolButton::clicked, this, [this] { Find(true); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        search_->setFocus();
        search_->selectAll();
    });
    auto* findNext = new QShortcut(QKeySequence::FindNext, this);
    connect(findNext, &QShortcut::activated, this, [this] { Find(false); });
    auto* findPrevious = new QShortcut(QKeySequence::FindPrevious, this);
    connect(findPrevious, &QShortcut::activated, this, [this] { Find(true); });
}

void CHelpWindow::ShowPage(const QString& page) {
    const QUrl url(QString::fromLatin1(kRoot) + page);
    if (browser_->source() != url)
        browser_->setSource(url, QTextDocument::MarkdownResource);
    else
        browser_->reload();
}

QString CHelpWindow::CurrentPage() const {
    return browser_->source().fileName();
}

void CHelpWindow::OnSourceChanged(const QUrl& url) {
    // Told before source() has the new page.
    const std::string page = url.fileName().toStdString();
    QString title = QStringLiteral("Vlakomat - Pomoč");
    int row = -1;
    for (std::size_t i = 0; i < contents_.size(); ++i)
        if (contents_[i].page == page) {
            row = static_cast<int>(i);
            title += QStringLiteral(": ") + QString::fromStdString(contents_[i].title);
        }
    const QSignalBlocker quiet(chapters_);
    chapters_->setCurrentRow(row);
    setWindowTitle(title);
    notFound_->hide();
}

void CHelpWindow::Find(bool backward) {
    const QString text = search_->text();
    if (text.isEmpty())
        return;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = browser_->find(text, flags);
    if (!found) {
        QTextCursor cursor(browser_->document());
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        browser_->setTextCursor(cursor);
        found = browser_->find(text, flags);
    }
    notFound_->setVisible(!found);
}
