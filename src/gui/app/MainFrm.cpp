#include "app/MainFrm.h"

#include "app/AboutDialog.h"
#include "app/Vlakomat.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QWhatsThis>

CMainFrame::CMainFrame(CVlakomatApp& app) : app_(app) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Brez naslova - Vlakomat"));
    setWindowIcon(VlakomatIcon());
    resize(900, 600);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
}

QAction* CMainFrame::AddAction(QMenu* menu, const QString& objectName, const QString& text,
                               const QKeySequence& shortcut, const QString& statusTip) {
    auto* action = new QAction(text, this);
    action->setObjectName(objectName);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (!statusTip.isEmpty())
        action->setStatusTip(statusTip);
    if (menu)
        menu->addAction(action);
    return action;
}

QAction* CMainFrame::Action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Datoteka"));
    // Layout documents come with the layout panel; until then these stay disabled.
    AddAction(file, "actionNew", "&Nova", QKeySequence::New, "Ustvari nov dokument")
        ->setEnabled(false);
    AddAction(file, "actionOpen", "&Odpri...", QKeySequence::Open, "Odpri obstoječ dokument")
        ->setEnabled(false);
    AddAction(file, "actionSave", "&Shrani", QKeySequence::Save, "Shrani aktivni dokument")
        ->setEnabled(false);
    AddAction(file, "actionSaveAs", "Shrani &kot...", {},
              "Shrani aktivni dokument pod novim imenom")
        ->setEnabled(false);
    file->addSeparator();
    recentMenu_ = file->addMenu(QStringLiteral("Zadnje datoteke"));
    recentMenu_->setObjectName(QStringLiteral("menuRecent"));
    UpdateRecentFiles();
    file->addSeparator();
    QAction* exit = AddAction(file, "actionExit", "I&zhod", {}, "Zapri program");
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Urejanje"));
    AddAction(edit, "actionUndo", "&Prekliči", QKeySequence::Undo)->setEnabled(false);
    edit->addSeparator();
    AddAction(edit, "actionCut", "&Izreži", QKeySequence::Cut)->setEnabled(false);
    AddAction(edit, "actionCopy", "&Kopiraj", QKeySequence::Copy)->setEnabled(false);
    AddAction(edit, "actionPaste", "&Prilepi", QKeySequence::Paste)->setEnabled(false);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Pogled"));
    AddAction(view, "actionToolBar", "&Orodna vrstica", {}, "Pokaži ali skrij orodno vrstico");
    AddAction(view, "actionStatusBar", "&Statusna vrstica", {},
              "Pokaži ali skrij statusno vrstico");
    view->addSeparator();
    QAction* monitor = AddAction(view, "actionMonitor", "Loconet Monitor", {},
                                 "Odpri ali zapri okno z dogajanjem na vodilu Loconet");
    monitor->setCheckable(true);
    monitor->setEnabled(false); // enabled when a monitor window can be made
    connect(monitor, &QAction::triggered, this, &CMainFrame::OnToggleMonitor);

    QMenu* trains = menuBar()->addMenu(QStringLiteral("&Vlaki"));
    AddAction(trains, "actionNewSimpleThrottle", "Nov enostaven upravljalnik", {},
              "Odpri nov enostaven upravljalnik lokomotive")
        ->setEnabled(false);
    AddAction(trains, "actionNewRealisticThrottle", "Nov realističen upravljalnik", {},
              "Odpri nov realističen upravljalnik vlaka")
        ->setEnabled(false);
    trains->addSeparator();
    AddAction(trains, "actionRoster", "&Seznam lokomotiv in funkcionalnosti", {},
              "Uredi seznam lokomotiv in funkcionalnosti")
        ->setEnabled(false);

    QMenu* layout = menuBar()->addMenu(QStringLiteral("&Maketa"));
    AddAction(layout, "actionSynchronize", "Sinhroniziraj", {},
              "Sinhroniziraj digitalne izhode na maketi s trenutnim stanjem programa")
        ->setEnabled(false);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Orodja"));
    AddAction(tools, "actionSettings", "Splošne &Nastavitve", {}, "Uredi splošne nastavitve")
        ->setEnabled(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Pomoč"));
    AddAction(help, "actionHelp", "&Pomoč po temah", QKeySequence::HelpContents)->setEnabled(false);
    help->addSeparator();
    QAction* about = AddAction(help, "actionAbout", "&O programu Vlakomat...", {},
                               "Podatki o programu, različici in avtorskih pravicah");
    connect(about, &QAction::triggered, this, &CMainFrame::OnAbout);
}

void CMainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Orodna vrstica"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(true);
    auto add = [&](const char* name, QStyle::StandardPixmap pixmap, const char* theme) {
        QAction* action = Action(QString::fromLatin1(name));
        action->setIcon(
            QIcon::fromTheme(QString::fromLatin1(theme), style()->standardIcon(pixmap)));
        bar->addAction(action);
    };
    add("actionNew", QStyle::SP_FileIcon, "document-new");
    add("actionOpen", QStyle::SP_DialogOpenButton, "document-open");
    add("actionSave", QStyle::SP_DialogSaveButton, "document-save");
    bar->addSeparator();
    for (const char* kind : {"cut", "copy", "paste"}) {
        const QString name = QString::fromLatin1(kind);
        QAction* action = Action("action" + name.left(1).toUpper() + name.mid(1));
        action->setIcon(QIcon::fromTheme("edit-" + name, EditIcon(kind)));
        bar->addAction(action);
    }
    bar->addSeparator();
    auto* print = AddAction(nullptr, "actionPrint", "&Natisni...", QKeySequence::Print,
                            "Natisni aktivni dokument");
    print->setEnabled(false);
    print->setIcon(
        QIcon::fromTheme("document-print", style()->standardIcon(QStyle::SP_DriveFDIcon)));
    bar->addAction(print);
    add("actionAbout", QStyle::SP_MessageBoxInformation, "help-about");
    QAction* whatsThis = QWhatsThis::createAction(this);
    whatsThis->setObjectName(QStringLiteral("actionContextHelp"));
    bar->addAction(whatsThis);

    QAction* toggle = Action("actionToolBar");
    toggle->setCheckable(true);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
}

void CMainFrame::CreateStatusBar() {
    statusBar()->showMessage(QStringLiteral("Pripravljen"));
    QAction* toggle = Action("actionStatusBar");
    toggle->setCheckable(true);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

void CMainFrame::UpdateRecentFiles() {
    recentMenu_->clear();
    int shown = 0;
    for (const std::string& path : app_.Settings().RecentFiles) {
        if (path.empty())
            continue;
        ++shown;
        QString name = QFileInfo(QString::fromStdString(path)).fileName();
        QAction* entry = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(shown).arg(name));
        entry->setStatusTip(QString::fromStdString(path));
        entry->setEnabled(false); // opened once layout documents exist
    }
    if (shown == 0)
        recentMenu_->addAction(QStringLiteral("Zadnja datoteka"))->setEnabled(false);
}

void CMainFrame::SetStatusText(const QString& text) {
    statusBar()->showMessage(text);
    statusBar()->repaint();
}

void CMainFrame::LogToMonitor(const std::string& text) {
    if (monitor_ && monitorSink_)
        monitorSink_(text);
}

void CMainFrame::SetMonitorFactory(MonitorFactory factory) {
    monitorFactory_ = std::move(factory);
    Action("actionMonitor")->setEnabled(static_cast<bool>(monitorFactory_));
}

void CMainFrame::OnToggleMonitor() {
    if (monitor_) {
        delete monitor_.data();
        MonitorClosed();
        return;
    }
    if (!monitorFactory_)
        return;
    monitor_ = monitorFactory_(*this);
    Action("actionMonitor")->setChecked(monitor_ != nullptr);
}

void CMainFrame::MonitorClosed() {
    monitor_.clear();
    Action("actionMonitor")->setChecked(false);
}

void CMainFrame::OnAbout() {
    CAboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (finished_) {
        event->accept();
        return;
    }
    closingRequested_ = true;
    inCloseEvent_ = true;
    TryClose();
    inCloseEvent_ = false;
    // Throttles that still release their locomotives finish the close later.
    if (finished_)
        event->accept();
    else
        event->ignore();
}

void CMainFrame::TryClose() {
    // Throttles are asked to close here once they exist; the last one to go calls again.
    FinishClose();
}

void CMainFrame::FinishClose() {
    finished_ = true;
    if (monitor_)
        delete monitor_.data();
    if (!inCloseEvent_)
        close();
}
