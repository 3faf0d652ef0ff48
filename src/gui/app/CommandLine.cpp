#include "app/CommandLine.h"

#include "app/MainFrm.h"
#include "app/QtPlatform.h"
#include "app/SignalWatcher.h"
#include "app/Vlakomat.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstring>
#include <memory>

namespace {

// Check mode shows no message boxes: it prints each message on a line of its own.
class PrintingPrompts : public Prompts {
public:
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, PromptIcon) override {
        std::string line = text;
        for (char& c : line)
            if (c == '\n' || c == '\r')
                c = ' ';
        std::printf("%s\n", line.c_str());
        ++count;
        return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }
    int count = 0;
};

bool WantsCheck(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--check") == 0)
            return true;
    return false;
}

int RunCheck(const QString& programPath) {
    PrintingPrompts prompts;
    QtClock clock;
    QtBeeper beeper;
    CVlakomatApp app(prompts, clock, beeper);
    app.SetProgramPath(programPath);
    app.ReadStartupFiles();
    std::fflush(stdout);
    return prompts.count == 0 ? 0 : 1;
}

int RunProgram(const QString& programPath, const QString& layoutFile) {
    QtPrompts prompts;
    QtClock clock;
    QtBeeper beeper;
    CVlakomatApp app(prompts, clock, beeper);
    app.SetProgramPath(programPath);
    if (!app.InitInstance(layoutFile))
        return app.ExitInstance(1);
    prompts.SetParent(app.MainFrame());
    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::Terminate, qApp, [] { QApplication::quit(); });
    int code = QApplication::exec();
    return app.ExitInstance(code);
}

} // namespace

int RunVlakomat(int argc, char** argv) {
    const bool check = WantsCheck(argc, argv);
    // Check mode opens no window, so it needs no display either.
    std::unique_ptr<QCoreApplication> qtApp = check
                                                  ? std::make_unique<QCoreApplication>(argc, argv)
                                                  : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vlakomat"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VLAKOMAT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Vlakomat - upravljanje digitalne železnice na vodilu LocoNet."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("check"),
                      QStringLiteral("Prebere nastavitve in tabele, izpiše vsa sporočila, ki bi "
                                     "jih pokazal zagon, in konča (izhodna koda 1 ob sporočilih).")});
    parser.addPositionalArgument(QStringLiteral("datoteka"),
                                 QStringLiteral("Načrt makete (.vlk), ki naj se odpre."),
                                 QStringLiteral("[datoteka]"));
    parser.process(*qtApp);
    const QString programPath = QString::fromLocal8Bit(argv[0]);
    if (parser.isSet(QStringLiteral("check")))
        return RunCheck(programPath);
    const QStringList positional = parser.positionalArguments();
    return RunProgram(programPath, positional.isEmpty() ? QString() : positional.first());
}
