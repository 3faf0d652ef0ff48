#pragma once
// A started program in a temporary folder: the sample decoder table, the link on the
// simulated command station, a fake clock, and message boxes answered by script. The
// station records every message the program writes to it.

#include "core/sim/SimPort.h"
#include "gui/app/MainFrm.h"
#include "gui/app/Vlakomat.h"
#include "gui/throttles/DlgRThrottle.h"
#include "gui/throttles/DlgSThrottle.h"

#include "support/BuiltModules.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <filesystem>
#include <memory>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct AppRig {
    // The settings file the program starts with.
    struct Ini {
        std::string text;
    };

    explicit AppRig(bool debugMode = false)
        : AppRig(Ini{std::string("[LOCONET]\nCOM Port=sim\nDebug Mode=") + (debugMode ? "1" : "0") +
                     "\n[PREFERENCES]\nFirst Run=0\n"}) {}
    explicit AppRig(const Ini& ini) : oldDir(QDir::currentPath()) {
        QDir::setCurrent(QString::fromStdString(dir.Path()));
        for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab"})
            std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" / name,
                                       dir.File(name));
        dir.Write("vlakomat.ini", ini.text);
        app = std::make_unique<CVlakomatApp>(prompts, clock, beeper);
        started = app->InitInstance(QString());
        WatchStation();
    }

    // Records what the simulated command station of the open link receives.
    void WatchStation() {
        if (auto* port = dynamic_cast<SimPort*>(app->Link().Port())) {
            station = &port->Station();
            station->SetTrace([this](char direction, const Bytes& bytes) {
                if (direction == 'R' && bytes.size() > 1)
                    received.emplace_back(bytes.begin(), bytes.end() - 1); // no checksum
            });
        }
    }
    ~AppRig() {
        app.reset();
        QDir::setCurrent(oldDir);
    }

    CMainFrame& Frame() const { return *app->MainFrame(); }
    CLoconet& Link() const { return app->Link(); }

    // Runs the link until the bus is quiet, lets windows that were closed go, and lets the
    // close procedure hear of it.
    void Pump() {
        for (int i = 0; i < 40; ++i) {
            Link().Process();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        }
    }

    // The fake clock moves on by `ms` with a processing step every 10 ms; then the bus
    // settles and the windows paint.
    void Run(int ms) {
        for (int t = 0; t < ms; t += 10) {
            clock.Advance(10);
            Link().Process();
        }
        Pump();
        QCoreApplication::processEvents();
    }

    // A byte of the station's slot that holds `address` (SimSlotByte), -1 when none does.
    int SlotByte(int address, int byte) const {
        const int slot = station->FindSlot(address);
        return slot < 0 ? -1 : station->Slot(slot).bytes[static_cast<std::size_t>(byte)];
    }

    CDlgSThrottle* NewThrottle() {
        return qobject_cast<CDlgSThrottle*>(OpenThrottle("actionNewSimpleThrottle"));
    }
    CDlgRThrottle* NewRealisticThrottle() {
        return qobject_cast<CDlgRThrottle*>(OpenThrottle("actionNewRealisticThrottle"));
    }
    // The window that a menu command opened.
    CDlgThrottle* OpenThrottle(const char* action) {
        Frame().Action(QString::fromLatin1(action))->trigger();
        return app->Throttles().Latest();
    }

    // The messages of one opcode the station received since the last Take.
    // The message box texts joined, for comparisons that print what was shown.
    QString Messages() const {
        QStringList out;
        for (const std::string& t : prompts.texts)
            out << QString::fromStdString(t);
        return out.join(QLatin1Char('|'));
    }

    std::vector<Bytes> Take(std::uint8_t opcode) {
        std::vector<Bytes> out;
        for (const Bytes& b : received)
            if (b[0] == opcode)
                out.push_back(b);
        received.clear();
        return out;
    }

    TempDir dir;
    QString oldDir;
    ScriptedPrompts prompts;
    FakeClock clock{1000};
    RecordingBeeper beeper;
    std::unique_ptr<CVlakomatApp> app;
    bool started = false;
    SimCommandStation* station = nullptr;
    std::vector<Bytes> received;
};
