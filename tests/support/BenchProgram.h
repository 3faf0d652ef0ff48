#pragma once
// What the benchmarks of the whole program share: the program's objects started in a
// temporary folder with the sample tables, message boxes printed instead of shown, and the
// measures of time and processor use.

#include "core/util/SystemClock.h"
#include "gui/app/Vlakomat.h"
#include "gui/throttles/DlgRThrottle.h"
#include "gui/throttles/DlgSThrottle.h"

#include "support/BuiltModules.h"

#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

// Message boxes are not answered by anyone here: they are printed, and the run counts them.
class PrintingPrompts : public Prompts {
public:
    PromptAnswer Ask(const std::string& text, PromptButtons, PromptIcon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++count;
        return PromptAnswer::Ok;
    }
    int count = 0;
};

class SilentBeeper : public Beeper {
public:
    void Tone(int, int) override {}
};

inline double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto i =
        static_cast<std::size_t>(std::lround(p / 100.0 * static_cast<double>(v.size() - 1)));
    return v[std::min(i, v.size() - 1)];
}

// Processor time of the calling thread (the program's one thread), in seconds.
inline double ThreadCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The resident memory of the process, in kB.
inline long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

inline void RunLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The number after option `name` on the command line, or `fallback`.
inline int IntOption(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

// The sample tables and a settings file in `dir`; `loconetKeys` are further lines of its
// [LOCONET] section.
inline void FillProgramFolder(const QTemporaryDir& dir, const std::string& port, bool debugMode,
                              const std::string& loconetKeys = "") {
    const std::filesystem::path data = std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data";
    for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab"})
        std::filesystem::copy_file(data / name, dir.filePath(name).toStdString());
    std::ofstream(dir.filePath("vlakomat.ini").toStdString())
        << "[LOCONET]\nCOM Port=" << port << "\nOffline=0\nDebug Mode=" << (debugMode ? 1 : 0)
        << "\n"
        << loconetKeys << "[PREFERENCES]\nFirst Run=0\n";
}

// A program in a temporary folder with the sample tables.
struct Program {
    Program(const std::string& port, bool debugMode, const std::string& loconetKeys = "") {
        QDir::setCurrent(dir.path());
        FillProgramFolder(dir, port, debugMode, loconetKeys);
        app.SetProgramPath(QStringLiteral("vlakomat")); // files of the folder just made
        started = app.InitInstance(QString());
    }
    // Open a throttle window, as from the menu; nullptr when none opened.
    CDlgSThrottle* NewSimpleThrottle() {
        return qobject_cast<CDlgSThrottle*>(app.Throttles().Open(ThrottleType::Simple));
    }
    CDlgRThrottle* NewRealisticThrottle() {
        return qobject_cast<CDlgRThrottle*>(app.Throttles().Open(ThrottleType::Realistic));
    }
    QTemporaryDir dir;
    PrintingPrompts prompts;
    SystemClock clock;
    SilentBeeper beeper;
    CVlakomatApp app{prompts, clock, beeper};
    bool started = false;
};
