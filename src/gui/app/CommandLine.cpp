#include "gui/app/CommandLine.h"

#include "core/layout/VlakomatDoc.h"
#include "core/layout/VlkFile.h"
#include "core/util/SystemClock.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/LayoutFolder.h"
#include "gui/app/MainFrm.h"
#include "gui/app/SignalWatcher.h"
#include "gui/app/Vlakomat.h"
#include "gui/common/QtPlatform.h"
#include "gui/common/QtTexts.h"
#include "gui/throttles/DlgRThrottle.h"
#include "gui/throttles/DlgSThrottle.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Check mode shows no message boxes: it prints each message on a line of its own, or with
// `keepLines` each line of a message (a layout's list of faults).
class PrintingPrompts : public Prompts {
public:
    explicit PrintingPrompts(bool keepLines = false) : keepLines_(keepLines) {}
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, PromptIcon) override {
        std::string line = text;
        for (char& c : line)
            if ((c == '\n' && !keepLines_) || c == '\r')
                c = ' ';
        std::printf("%s\n", line.c_str());
        ++count;
        return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }
    int count = 0;

private:
    bool keepLines_;
};

// Check mode, help and version open no window, so they need no display either.
bool NeedsNoWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option :
             {"--check", "--init", "--help", "-h", "--help-all", "--version", "-v"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

int RunCheck(const QString& programPath, bool dump) {
    PrintingPrompts prompts;
    SystemClock clock;
    QtBeeper beeper;
    CVlakomatApp app(prompts, clock, beeper);
    app.SetProgramPath(programPath);
    if (app.ReadStartupFiles() && dump) {
        std::printf("==> Functions.tab <==\n%s", FormatFunctionsFile(app.Data()).c_str());
        std::printf("==> Roster.tab <==\n%s", FormatRosterFile(app.Data()).c_str());
    }
    std::fflush(stdout);
    return prompts.count == 0 ? 0 : 1;
}

// Start-up extras for demonstrations and measurements.
struct StartOptions {
    QList<int> throttleAddresses; // a simple throttle acquires each
    int realisticNotch = -1;      // a realistic throttle drives at this power notch
    bool quitWhenShown = false;
};

// One throttle of the command line: `start` opens its window and asks for its locomotive;
// `done` says that its acquisition has ended, taken or refused.
struct Opening {
    std::function<void()> start;
    std::function<bool()> done;
};

// The throttles named on the command line take their locomotives one after another: the link
// selects one address at a time and refuses a request made while another is pending.
void OpenInTurn(CVlakomatApp& app, std::vector<Opening> openings) {
    if (openings.empty())
        return;
    auto* timer = new QTimer(app.MainFrame());
    // One state for the timer's calls and the first call below.
    auto step = std::make_shared<std::function<void()>>(
        [&app, timer, openings = std::move(openings), next = std::size_t{0}, waits = 0]() mutable {
            const bool previousDone = next == 0 || openings[next - 1].done() || --waits <= 0;
            if (!previousDone || app.Link().IsSelectionPending())
                return;
            if (next == openings.size()) {
                timer->stop();
                timer->deleteLater();
                return;
            }
            waits = 500; // 10 s: a station that never answers does not hold the rest for ever
            openings[next++].start();
        });
    QObject::connect(timer, &QTimer::timeout, timer, [step] { (*step)(); });
    (*step)(); // the first at once, as before the event loop runs
    timer->start(20);
}

Opening SimpleThrottleOpening(CVlakomatApp& app, int address) {
    return {[&app, address] {
                if (auto* w =
                        qobject_cast<CDlgSThrottle*>(app.Throttles().Open(ThrottleType::Simple)))
                    w->Acquire(address);
            },
            [&app] { return !app.Link().IsSelectionPending(); }};
}

// A realistic throttle with the first locomotive of the roster on the hand-held addresses it
// offers; once the command station has given it the slots, the train sets off.
Opening RealisticThrottleOpening(CVlakomatApp& app, int notch) {
    auto window = std::make_shared<QPointer<CDlgRThrottle>>();
    auto start = [&app, window, notch] {
        auto* w = qobject_cast<CDlgRThrottle*>(app.Throttles().Open(ThrottleType::Realistic));
        *window = w;
        if (!w)
            return;
        const RealisticThrottle& logic = w->Realistic();
        w->Acquire(logic.PowerAddress(), logic.BrakeAddress());
        auto* wait = new QTimer(w);
        QObject::connect(wait, &QTimer::timeout, w, [w, wait, notch, tries = 100]() mutable {
            if (w->Realistic().Running())
                w->Drive(notch);
            if (w->Realistic().Running() || --tries == 0) {
                wait->stop();
                wait->deleteLater();
            }
        });
        wait->start(100);
    };
    return {start, [window] { return !*window || !(*window)->Realistic().Acquiring(); }};
}

// Check mode for a layout: the messages of loading it, and with `dump` what saving it would
// write; the table files are not read. Only faults make the exit status 1.
int RunLayoutCheck(const QString& path, bool dump) {
    PrintingPrompts prompts(true);
    CVlakomatDoc doc;
    const int faults = doc.OpenFile(path.toStdString(), prompts);
    if (faults >= 0 && dump) {
        const std::string text = FormatVlk(doc.Elements());
        std::printf("==> %s <==\n", QFileInfo(path).fileName().toLocal8Bit().constData());
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fflush(stdout);
    return faults == 0 ? 0 : 1;
}

int RunProgram(const QString& programPath, const QString& layoutFile, const StartOptions& options) {
    QtPrompts prompts;
    SystemClock clock;
    QtBeeper beeper;
    SignalWatcher watcher;
    // A measured start-up has nobody to answer a message box (the layout's "Serialize"):
    // each gets its default answer, as during a session end.
    if (options.quitWhenShown)
        prompts.EndSession();
    // For tests and scripts that signal the program: the first event loop to run, the main
    // window's or a start-up message box's, says that signals are handled from now on.
    if (qEnvironmentVariableIsSet("VLAKOMAT_READY_LINE"))
        QTimer::singleShot(0, qApp, [] { std::fputs("vlakomat: ready\n", stderr); });
    CVlakomatApp app(prompts, clock, beeper);
    app.SetProgramPath(programPath);
    // A session end can come at any time, also during start-up's message boxes.
    bool terminated = false;
    const auto endSession = [&terminated, &prompts, &app] {
        if (terminated)
            return;
        terminated = true;
        app.EndSession();
        prompts.EndSession();
        // exit(), not quit(): quit() would ask every window to close, and the close procedure
        // waits on a person for the save question.
        QApplication::exit(0);
    };
    QObject::connect(&watcher, &SignalWatcher::Terminate, qApp, endSession);
#if QT_CONFIG(sessionmanager)
    // The desktop logs out: the same end as a signal.
    if (auto* gui = qobject_cast<QGuiApplication*>(qApp))
        QObject::connect(gui, &QGuiApplication::commitDataRequest, qApp, endSession);
#endif
    // The monitor may be closed at the first tone, so the missing package is named on standard
    // error as well.
    beeper.SetMissingNotice([&app](const std::string& line) {
        if (!app.Link().DebugMode())
            return false;
        app.Link().LogToMonitor(line);
        std::fprintf(stderr, "vlakomat: %s\n", line.c_str());
        return true;
    });
    if (!app.InitInstance(layoutFile))
        return app.ExitInstance(1);
    prompts.SetParent(app.MainFrame());
    std::vector<Opening> openings;
    for (int address : options.throttleAddresses)
        openings.push_back(SimpleThrottleOpening(app, address));
    if (options.realisticNotch >= 0)
        openings.push_back(RealisticThrottleOpening(app, options.realisticNotch));
    OpenInTurn(app, std::move(openings));
    QApplication::processEvents();
    // The measure of a start-up ends here: neither the settings file nor the teardown of the
    // windows belongs to it, so nothing is written.
    if (options.quitWhenShown)
        std::_Exit(0);
    int code = terminated ? 0 : QApplication::exec();
    return app.ExitInstance(code);
}

} // namespace

int RunVlakomat(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> qtApp = NeedsNoWindow(argc, argv)
                                                  ? std::make_unique<QCoreApplication>(argc, argv)
                                                  : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vlakomat"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VLAKOMAT_VERSION));
    // Before the options are made: their help texts are Qt's, and --help prints them.
    InstallQtTexts();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Vlakomat - upravljanje digitalne železnice na vodilu LocoNet."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("check"),
                      QStringLiteral("Prebere nastavitve in tabele, izpiše vsa sporočila, ki bi "
                                     "jih pokazal zagon, in konča (izhodna koda 1 ob sporočilih). "
                                     "Z datoteko makete prebere samo to datoteko.")});
    parser.addOption({QStringLiteral("dump"),
                      QStringLiteral("Skupaj s --check izpiše še, kaj bi shranjevanje zapisalo v "
                                     "Functions.tab in Roster.tab ali v datoteko makete.")});
    parser.addOption({QStringLiteral("throttle"),
                      QStringLiteral("Odpre enostaven upravljalnik, ki prevzame lokomotivo z "
                                     "naslovom NASLOV (lahko večkrat)."),
                      QStringLiteral("NASLOV")});
    parser.addOption({QStringLiteral("realistic-throttle"),
                      QStringLiteral("Odpre realističen upravljalnik s prvo lokomotivo seznama, "
                                     "ga prevzame z ročnima upravljalnikoma 1 in 2, zažene motor, "
                                     "odpusti zavore in vozi s stopnjo moči STOPNJA (0 do 8)."),
                      QStringLiteral("STOPNJA")});
    parser.addOption({QStringLiteral("quit-when-shown"),
                      QStringLiteral("Konča, ko je glavno okno prikazano (za merjenje zagona).")});
    parser.addOption({QStringLiteral("init"),
                      QStringLiteral("Naredi mapo makete iz vzorcev (privzeto ~/Vlakomat); "
                                     "datoteke, ki so že v njej, ohrani.")});
    parser.addOption({QStringLiteral("write-icons"),
                      QStringLiteral("Zapiše ikono programa v mapo teme ikon (za namestitev)."),
                      QStringLiteral("mapa")});
    parser.addPositionalArgument(QStringLiteral("datoteka"),
                                 QStringLiteral("Načrt makete (.vlk), ki naj se odpre; "
                                                "s --init mapa makete."),
                                 QStringLiteral("[datoteka]"));
    parser.process(*qtApp);
    const QString programPath = QString::fromLocal8Bit(argv[0]);
    const QStringList positional = parser.positionalArguments();
    const QString layoutFile = positional.isEmpty() ? QString() : positional.first();
    const bool dump = parser.isSet(QStringLiteral("dump"));
    if (parser.isSet(QStringLiteral("write-icons")))
        return WriteIconFiles(parser.value(QStringLiteral("write-icons"))) ? 0 : 1;
    if (parser.isSet(QStringLiteral("init")))
        return InitLayoutFolder(
            layoutFile.isEmpty() ? QDir::homePath() + QStringLiteral("/Vlakomat") : layoutFile,
            SamplesFolder());
    if (parser.isSet(QStringLiteral("check")))
        return layoutFile.isEmpty() ? RunCheck(programPath, dump)
                                    : RunLayoutCheck(layoutFile, dump);
    StartOptions options;
    for (const QString& value : parser.values(QStringLiteral("throttle"))) {
        bool ok = false;
        const int address = value.toInt(&ok);
        if (!ok || address < 0 || address > CLoconet::kMaxLocoAddress) {
            std::fprintf(stderr, "vlakomat: --throttle: naslov mora biti celo število od 0 do %d\n",
                         CLoconet::kMaxLocoAddress);
            return 2;
        }
        options.throttleAddresses.append(address);
    }
    if (parser.isSet(QStringLiteral("realistic-throttle"))) {
        bool ok = false;
        const int notch = parser.value(QStringLiteral("realistic-throttle")).toInt(&ok);
        if (!ok || notch < 0 || notch > RealisticThrottle::kMaxPowerStep) {
            std::fprintf(stderr,
                         "vlakomat: --realistic-throttle: stopnja moči mora biti celo število od "
                         "0 do %d\n",
                         RealisticThrottle::kMaxPowerStep);
            return 2;
        }
        options.realisticNotch = notch;
    }
    options.quitWhenShown = parser.isSet(QStringLiteral("quit-when-shown"));
    return RunProgram(programPath, layoutFile, options);
}
