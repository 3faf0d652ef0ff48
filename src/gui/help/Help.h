#pragma once
// Help in every window of the program. Watches the whole application:
//  - every control gets its "What's this?" sentence when its window is shown, from one table
//    keyed by the window's and the control's objectName, so no window has to set its own;
//  - F1 opens the guide at the page of the window it is pressed in, Shift+F1 starts the
//    "What's this?" mode (the main window has menu commands with the same keys).

#include "core/help/HelpIndex.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <string>

class CHelpWindow;
class QWidget;

class CHelp : public QObject {
    Q_OBJECT
public:
    explicit CHelp(QObject* parent = nullptr);
    ~CHelp() override;

    // The guide's contents page.
    void ShowContents();
    // The page that explains `window` (the contents when the guide has none for it).
    void ShowPageFor(const QWidget* window);
    void ShowPage(const QString& page);

    // The help window, once it has been shown.
    CHelpWindow* Window() const;
    const HelpIndex& Index() const { return index_; }
    // Faults in the tables that came with the guide (for the tests; the program goes on
    // with the good rows).
    const QStringList& Faults() const { return faults_; }

    // Gives `widget` its sentence; a window also gets them for its controls and actions.
    void ApplyWhatsThis(QWidget* widget) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    template <typename Target> void Apply(const std::string& window, Target* target) const;

    HelpIndex index_;
    QStringList faults_;
    QPointer<CHelpWindow> window_;
};
