#pragma once
// The guide's window: the chapters on the left, the page on the right (Markdown with
// pictures of the windows and links between pages), back, forward, contents, and a search
// in the page.

#include "core/help/HelpIndex.h"

#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QTextBrowser;
class QToolButton;

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    // Where the guide lives: its pages are under this folder, the contents on "index.md".
    static constexpr const char* kRoot = "qrc:/vodnik/";

    explicit CHelpWindow(std::vector<HelpTopic> contents, QWidget* parent = nullptr);

    // Shows a page of the guide by its file name ("nastavitve.md").
    void ShowPage(const QString& page);
    // The file name of the page shown.
    QString CurrentPage() const;
    QTextBrowser* Browser() const { return browser_; }

private:
    void OnSourceChanged(const QUrl& url);
    // Finds the search text from the cursor on; at the end it starts over from the other end.
    void Find(bool backward);

    std::vector<HelpTopic> contents_;
    QListWidget* chapters_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QLineEdit* search_ = nullptr;
    QLabel* notFound_ = nullptr;
};
