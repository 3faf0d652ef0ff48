#include "gui/app/MainFrm.h"

#include "core/phone/PhoneServer.h"
#include "core/settings/SettingsProcedure.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/LinkStateField.h"
#include "gui/app/PowerControls.h"
#include "gui/common/PaintedIcon.h"
#include "gui/help/Help.h"
#include "gui/layout/LayoutFiles.h"
#include "gui/layout/LayoutIcons.h"
#include "gui/layout/VlakomatView.h"
#include "gui/loconet/DlgLoconetMonitor.h"
#include "gui/roster/DlgRoster.h"
#include "gui/settings/DlgSave.h"
#include "gui/settings/DlgSettings.h"
#include "gui/throttles/ThrottleWindows.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>

CMainFrame::CMainFrame(MainFrameParts parts) : parts_(std::move(parts)) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(VlakomatIcon());
    resize(900, 600);
    help_ = new CHelp(this);
    power_ = new CPowerControls(parts_.link, parts_.prompts, this);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateLayout();
}

CMainFrame::~CMainFrame() {
    // The monitor is owned by the frame; it must go while the frame can still hear of it.
    delete monitor_.data();
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
    AddAction(file, "actionNew", "&Nova", QKeySequence::New, "Ustvari nov dokument");
    AddAction(file, "actionOpen", "&Odpri...", QKeySequence::Open, "Odpri obstoječ dokument");
    AddAction(file, "actionSave", "&Shrani", QKeySequence::Save, "Shrani aktivni dokument");
    AddAction(file, "actionSaveAs", "Shrani &kot...", {},
              "Shrani aktivni dokument pod novim imenom");
    file->addSeparator();
    AddAction(file, "actionPrint", "&Natisni...", QKeySequence::Print, "Natisni aktivni dokument");
    AddAction(file, "actionPrintPreview", "Predogled &tiskanja", {},
              "Prikaži celotne strani, kot bodo natisnjene");
    file->addSeparator();
    recentMenu_ = file->addMenu(QStringLiteral("Zadnje datoteke"));
    recentMenu_->setObjectName(QStringLiteral("menuRecent"));
    UpdateRecentFiles();
    file->addSeparator();
    // Ctrl+Q itself: some desktops' themes give the standard quit key no binding. From a
    // throttle window as well: the close procedure stops every train first.
    QAction* exit = AddAction(file, "actionExit", "I&zhod", QKeySequence(Qt::CTRL | Qt::Key_Q),
                              "Zapri program");
    exit->setShortcutContext(Qt::ApplicationShortcut);
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
    AddAction(view, "actionShowAddresses", "&Naslovi kretnic", {},
              "Pokaži naslove kretnic in detektorjev na maketi")
        ->setCheckable(true);
    QAction* monitor = AddAction(view, "actionMonitor", "Loconet Monitor", {},
                                 "Prikaži ali skrij Loconet Monitor");
    monitor->setCheckable(true);
    connect(monitor, &QAction::triggered, this, &CMainFrame::OnToggleMonitor);

    QMenu* trains = menuBar()->addMenu(QStringLiteral("&Vlaki"));
    QAction* simple = AddAction(trains, "actionNewSimpleThrottle", "Nov enostaven upravljalnik", {},
                                "Odpri nov enostaven upravljalnik lokomotive");
    connect(simple, &QAction::triggered, this, &CMainFrame::OnNewSimpleThrottle);
    QAction* realistic =
        AddAction(trains, "actionNewRealisticThrottle", "Nov realističen upravljalnik", {},
                  "Odpri nov realističen upravljalnik vlaka");
    connect(realistic, &QAction::triggered, this,
            [this] { parts_.throttles.Open(ThrottleType::Realistic); });
    trains->addSeparator();
    QAction* roster = AddAction(trains, "actionRoster", "&Seznam lokomotiv in funkcionalnosti", {},
                                "Uredi seznam lokomotiv in funkcionalnosti");
    connect(roster, &QAction::triggered, this, &CMainFrame::OnRoster);
    trains->addSeparator();
    power_->AddToMenu(trains);

    QMenu* layout = menuBar()->addMenu(QStringLiteral("&Maketa"));
    AddAction(layout, "actionSynchronize", "Sinhroniziraj", {},
              "Sinhroniziraj digitalne izhode na maketi s trenutnim stanjem programa");

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Orodja"));
    QAction* settings =
        AddAction(tools, "actionSettings", "Splošne &Nastavitve", {}, "Uredi splošne nastavitve");
    connect(settings, &QAction::triggered, this, &CMainFrame::SettingsProcedure);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Pomoč"));
    // No F1 here: F1 opens the page of the window it is pressed in, this one's too.
    QAction* topics =
        AddAction(help, "actionHelp", "&Pomoč po temah", {}, "Odpri vodnik po programu");
    connect(topics, &QAction::triggered, help_, &CHelp::ShowContents);
    help->addSeparator();
    QAction* about = AddAction(help, "actionAbout", "&O programu Vlakomat...", {},
                               "Podatki o programu, različici in avtorskih pravicah");
    connect(about, &QAction::triggered, this, &CMainFrame::OnAbout);
}

void CMainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Orodna vrstica"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(true);
    // The desktop's icon theme first; the program's own drawing where it has none.
    auto add = [&](const char* name, const char* kind, const char* theme) {
        QAction* action = Action(QString::fromLatin1(name));
        action->setIcon(QIcon::fromTheme(QString::fromLatin1(theme), ToolbarIcon(kind)));
        bar->addAction(action);
    };
    add("actionNew", "new", "document-new");
    add("actionOpen", "open", "document-open");
    add("actionSave", "save", "document-save");
    bar->addSeparator();
    add("actionCut", "cut", "edit-cut");
    add("actionCopy", "copy", "edit-copy");
    add("actionPaste", "paste", "edit-paste");
    bar->addSeparator();
    add("actionPrint", "print", "document-print");
    bar->addSeparator();
    power_->AddToToolBar(bar);
    bar->addSeparator();
    add("actionAbout", "about", "help-about");
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
    // Always in view, whatever else the status bar shows.
    linkState_ = new CLinkStateField(this);
    linkState_->Show(parts_.link);
    statusBar()->addPermanentWidget(linkState_);
    // An interface that stops confirming is no event of its own: the field looks again.
    auto* linkLook = new QTimer(this);
    connect(linkLook, &QTimer::timeout, this, &CMainFrame::UpdateLinkState);
    linkLook->start(kLinkLookMs);
    busClients_ = new QLabel(this);
    busClients_->setObjectName(QStringLiteral("busClientsLabel"));
    busClients_->setToolTip(QStringLiteral("Programi, ki so prek TCP povezani na vodilo"));
    busClients_->hide();
    statusBar()->addPermanentWidget(busClients_);
    phoneClients_ = new QLabel(this);
    phoneClients_->setObjectName(QStringLiteral("phoneClientsLabel"));
    phoneClients_->setToolTip(
        QStringLiteral("Telefoni, ki so prek WiThrottle povezani s programom"));
    phoneClients_->hide();
    statusBar()->addPermanentWidget(phoneClients_);
    QAction* toggle = Action("actionStatusBar");
    toggle->setCheckable(true);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

void CMainFrame::UpdateRecentFiles() {
    recentMenu_->clear();
    int shown = 0;
    for (const std::string& path : parts_.settings.RecentFiles) {
        if (path.empty())
            continue;
        ++shown;
        QString name = QFileInfo(QString::fromStdString(path)).fileName();
        QAction* entry = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(shown).arg(name));
        entry->setStatusTip(QString::fromStdString(path));
        connect(entry, &QAction::triggered, this,
                [this, file = QString::fromStdString(path)] { layout_->OpenDocumentFile(file); });
    }
    if (shown == 0)
        recentMenu_->addAction(QStringLiteral("Zadnja datoteka"))->setEnabled(false);
}

void CMainFrame::CreateLayout() {
    layout_ = new CLayoutFiles(parts_.prompts, parts_.settings.RecentFiles, this);
    view_ = new CVlakomatView(layout_->Doc(), parts_.link, parts_.prompts, this);
    setCentralWidget(view_);
    parts_.phones.SetLayout(&layout_->Doc(), &view_->Bus());
    auto* toolBar = findChild<QToolBar*>(QStringLiteral("ToolBar"));
    view_->AddCommandsTo(toolBar);
    QAction* synchronize = Action("actionSynchronize");
    synchronize->setIcon(LayoutCommandIcon(PanelCommand::kSynchronize));
    toolBar->addSeparator();
    toolBar->addAction(synchronize);
    connect(synchronize, &QAction::triggered, view_, &CVlakomatView::Synchronize);
    connect(Action("actionShowAddresses"), &QAction::toggled, view_,
            &CVlakomatView::SetShowAddresses);
    connect(view_, &CVlakomatView::StatusText, this, &CMainFrame::SetStatusText);
    connect(layout_, &CLayoutFiles::DocumentChanged, this, [this] {
        view_->SetDocumentName(layout_->Title());
        view_->OnUpdate();
        UpdateTitle();
        parts_.phones.LayoutChanged();
    });
    connect(layout_, &CLayoutFiles::RecentFilesChanged, this, &CMainFrame::UpdateRecentFiles);
    connect(Action("actionNew"), &QAction::triggered, layout_, &CLayoutFiles::OnFileNew);
    connect(Action("actionOpen"), &QAction::triggered, layout_, &CLayoutFiles::OnFileOpen);
    connect(Action("actionSave"), &QAction::triggered, layout_, &CLayoutFiles::OnFileSave);
    connect(Action("actionSaveAs"), &QAction::triggered, layout_, &CLayoutFiles::OnFileSaveAs);
    connect(Action("actionPrint"), &QAction::triggered, view_, &CVlakomatView::OnFilePrint);
    connect(Action("actionPrintPreview"), &QAction::triggered, view_,
            &CVlakomatView::OnFilePrintPreview);
    UpdateTitle();
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(layout_->Title() + QStringLiteral("[*] - Vlakomat"));
    setWindowModified(layout_->Doc().IsModified());
}

void CMainFrame::SetStatusText(const QString& text) {
    statusBar()->showMessage(text);
    statusBar()->repaint();
}

void CMainFrame::ShowLinkState(bool down) {
    const CLoconet& link = parts_.link;
    const QString name = QString::fromStdString(link.PortName());
    linkState_->Show(link);
    power_->LinkDown(down);
    // What the panel showed of the layout is no longer known.
    if (down)
        View().LinkLost();
    // Back by itself, not closed by the operator.
    if (!down && link.IsActive())
        SetStatusText(QStringLiteral("Povezava %1 je ponovno vzpostavljena; kretnice uskladite z "
                                     "Maketa > Sinhroniziraj")
                          .arg(name));
    for (const QPointer<CDlgThrottle>& window : parts_.throttles.All())
        window->ShowLinkState(down);
}

void CMainFrame::UpdateLinkState() {
    linkState_->Show(parts_.link);
}

void CMainFrame::ShowPhoneClients(int count) {
    phoneClients_->setText(QStringLiteral("Telefoni: %1").arg(count));
    phoneClients_->setVisible(count >= 0);
}

void CMainFrame::ShowBusClients(int count) {
    busClients_->setText(QStringLiteral("Odjemalci na vodilu: %1").arg(count));
    busClients_->setVisible(count >= 0);
}

void CMainFrame::LogToMonitor(const std::string& text) {
    if (monitor_)
        monitor_->AddLine(text, false);
}

CDlgLoconetMonitor* CMainFrame::Monitor() const {
    return monitor_.data();
}

void CMainFrame::OnToggleMonitor() {
    if (monitor_) {
        delete monitor_.data();
        return;
    }
    monitor_ = new CDlgLoconetMonitor(this, parts_.logFile, &parts_.settings, &parts_.prompts);
    connect(monitor_, &CDlgLoconetMonitor::Closed, this, &CMainFrame::MonitorClosed);
    monitor_->show();
    Action("actionMonitor")->setChecked(true);
}

void CMainFrame::MonitorClosed() {
    monitor_.clear();
    Action("actionMonitor")->setChecked(false);
}

void CMainFrame::OnNewSimpleThrottle() {
    parts_.throttles.Open(ThrottleType::Simple);
}

void CMainFrame::OnRoster() {
    // Modal: the link and the throttles pause while the roster changes under them.
    CDlgRoster dialog(this, parts_.data, parts_.prompts);
    dialog.exec();
}

void CMainFrame::OnAbout() {
    CAboutDialog dialog(this);
    dialog.exec();
}

namespace {
bool IsTcpAddress(const std::string& port) {
    return QString::fromStdString(port).startsWith(QStringLiteral("tcp://"), Qt::CaseInsensitive);
}
} // namespace

void CMainFrame::SettingsProcedure() {
    RunSettings(false, false);
}

bool CMainFrame::FirstRunSettings() {
    return RunSettings(true, true);
}

bool CMainFrame::RunSettings(bool firstRun, bool openOnOk) {
    SettingsProcedureSteps steps;
    bool preselect = firstRun;
    steps.showDialog = [this, &preselect](const Settings& current) -> std::optional<Settings> {
        // The first dialog of the first run offers a port that exists; only OK keeps it, and
        // a dialog shown again after a failed open shows what the operator chose.
        Settings values = current;
        const QString intro = preselect ? CDlgSettings::PreselectFirstRunPort(values) : QString();
        preselect = false;
        if (IsTcpAddress(values.ComPort))
            lastTcpAddress_ = QString::fromStdString(values.ComPort);
        CDlgSettings dialog(values, parts_.prompts, CDlgSettings::AvailablePorts(lastTcpAddress_),
                            this);
        dialog.SetIntro(intro);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.Values();
    };
    steps.closeLink = [this] {
        parts_.link.Close();
        power_->LinkDown(true);
        View().LinkLost();
    };
    steps.openLink = [this] { return parts_.openLink(); };
    steps.abandoned = [this] { return sessionEnding_; };
    const bool confirmed = RunSettingsProcedure(parts_.settings.settings, steps, openOnOk);
    UpdateLinkState();
    parts_.shareBus();
    return confirmed;
}

// The close procedure. A close request runs TryClose; so does every throttle that was asked
// to close, once it has gone, until the procedure is through or the operator goes back.
//  1. Every open throttle is asked to close: each first stops its train (a simple one sends
//     speed 0), then releases its slots.
//  2. Once the releases are on the bus (their echoes seen, 2 s at most), the roster and
//     the catalogue are offered for saving, then a changed layout; "Nazaj", "Prekliči", or
//     a file that would not save, ends the request.
//  3. The window closes, which ends the event loop; the program then writes the settings
//     file and closes the link (CVlakomatApp::ExitInstance).
void CMainFrame::closeEvent(QCloseEvent* event) {
    closingRequested_ = true;
    event->setAccepted(TryClose());
}

bool CMainFrame::TryClose() {
    if (finished_)
        return true;
    // Asked again from inside (a throttle's message box, the save dialog): the running
    // pass goes on.
    if (inTryClose_)
        return false;
    inTryClose_ = true;
    const bool done = CloseThrottles() && FinishClose();
    inTryClose_ = false;
    return done;
}

bool CMainFrame::FinishClose() {
    // The locomotives are given back before anything waits on a person.
    parts_.drainLink(kReleaseWaitMs);
    if (!OfferToSaveTables(parts_.data, parts_.prompts, parts_.currentDirectory, this))
        return CancelClose();
    if (!layout_->SaveModified())
        return CancelClose();
    finished_ = true;
    delete monitor_.data();
    return true;
}

bool CMainFrame::CancelClose() {
    // The program stays, and throttles opened from now on close on their own again.
    closingRequested_ = false;
    return false;
}

bool CMainFrame::CloseThrottles() {
    CLoconet& link = parts_.link;
    link.StopThrottlesForExit();
    for (int i = 0; i < CLoconet::kRegistrySize; ++i) {
        Throttle* throttle = link.GetThrottle(i);
        if (throttle == nullptr)
            continue;
        // Queued: the procedure goes on outside the throttle's destruction.
        if (CDlgThrottle* window = parts_.throttles.Of(throttle))
            connect(window, &QObject::destroyed, this, &CMainFrame::ThrottleGone,
                    Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
        throttle->CloseThrottle();
    }
    for (int i = 0; i < CLoconet::kRegistrySize; ++i)
        if (link.GetThrottle(i) != nullptr)
            return false;
    return true;
}

void CMainFrame::ThrottleGone() {
    if (closingRequested_ && TryClose())
        close();
}
