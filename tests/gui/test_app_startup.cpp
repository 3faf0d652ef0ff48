// Start-up and exit of the application object on real files in a temporary folder, with
// the message boxes answered through the prompts seam.

#include "gui/app/Heartbeat.h"
#include "gui/app/MainFrm.h"
#include "gui/app/Vlakomat.h"

#include "support/AppRig.h"
#include "support/Fakes.h"
#include "support/LinkBench.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <vector>

class TestAppStartup : public QObject {
    Q_OBJECT

    struct InDir {
        explicit InDir(const TempDir& dir) : old(QDir::currentPath()) {
            QDir::setCurrent(QString::fromStdString(dir.Path()));
        }
        ~InDir() { QDir::setCurrent(old); }
        QString old;
    };

    static void CopyData(const TempDir& dir, const char* name) {
        std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" / name,
                                   dir.File(name));
    }

private slots:
    // Qt's own texts follow the program's language while the program runs.
    void qtTextsAreSlovenian() {
        ScriptedPrompts prompts;
        FakeClock clock;
        RecordingBeeper beeper;
        QStringList texts;
        {
            CVlakomatApp app(prompts, clock, beeper);
            QLineEdit edit;
            std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
            for (const QAction* action : menu->actions())
                texts << action->text();
            QCOMPARE(QCoreApplication::translate("QNativeSocketEngine",
                                                 "The remote host closed the connection"),
                     QStringLiteral("Oddaljen gostitelj je prekinil povezavo"));
        }
        const QString menu = texts.join(u',');
        QVERIFY2(menu.contains(QStringLiteral("S&kopiraj")), qPrintable(menu));
        QVERIFY2(menu.contains(QStringLiteral("Izberi vse")), qPrintable(menu));
        QCOMPARE(QCoreApplication::translate("QLineEdit", "&Copy"), QStringLiteral("&Copy"));
    }

    void missingDecodersStopsStartupButWritesSettings() {
        TempDir dir;
        InDir in(dir);
        ScriptedPrompts prompts;
        FakeClock clock;
        RecordingBeeper beeper;
        CVlakomatApp app(prompts, clock, beeper);
        app.SetProgramPath(QStringLiteral("/usr/bin/vlakomat"));
        QVERIFY(!app.InitInstance(QString()));
        QCOMPARE(prompts.texts.size(), size_t(1));
        QCOMPARE(QString::fromStdString(prompts.texts[0]),
                 QStringLiteral("Napaka! Manjka datoteka 'decoders.tab', ko mora biti v istem "
                                "imeniku kot program!"));
        QVERIFY(app.MainFrame() == nullptr);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        QCOMPARE(app.ExitInstance(1), 1);
        const std::string ini = dir.Read("vlakomat.ini");
        QVERIFY(ini.find("First Run=1\n") != std::string::npos);
        QVERIFY(ini.find("Loco Cross-Section=120.0000\n") != std::string::npos);
        QVERIFY(!std::filesystem::exists(dir.File("Functions.tab"))); // nothing else written
    }

    void otherProgramNameUsesItsOwnSettingsFile() {
        TempDir dir;
        InDir in(dir);
        dir.Write("Postaja.ini", "[LOCONET]\nCOM Port=/dev/ttyUSB1\n");
        ScriptedPrompts prompts;
        FakeClock clock;
        RecordingBeeper beeper;
        CVlakomatApp app(prompts, clock, beeper);
        app.SetProgramPath(QStringLiteral("/opt/x/Postaja"));
        app.ReadStartupFiles();
        QCOMPARE(QString::fromStdString(app.Settings().settings.ComPort),
                 QStringLiteral("/dev/ttyUSB1"));
        app.ExitInstance(0);
        QVERIFY(dir.Read("Postaja.ini").find("Offline=0\n") != std::string::npos);
        QVERIFY(!std::filesystem::exists(dir.File("vlakomat.ini")));
    }

    void sampleDataStartsWithMainWindowAndMenus() {
        TempDir dir;
        InDir in(dir);
        for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab"})
            CopyData(dir, name);
        dir.Write("vlakomat.ini",
                  "[LOCONET]\nCOM Port=sim\nDebug Mode=1\n[PREFERENCES]\nFirst Run=0\n");
        ScriptedPrompts prompts;
        FakeClock clock;
        RecordingBeeper beeper;
        CVlakomatApp app(prompts, clock, beeper);
        QVERIFY(app.InitInstance(QString()));
        QVERIFY(prompts.texts.empty());
        CMainFrame* frame = app.MainFrame();
        QVERIFY(frame && frame->isVisible());
        QCOMPARE(app.Data().roster.count, 3);
        // The link is open on the simulated command station; with nothing to do the
        // heartbeat sleeps.
        QVERIFY(app.Link().IsActive());
        QVERIFY(!app.GetHeartbeat()->Running());

        // Every menu text of the main window, and which of them are disabled.
        struct Item {
            const char* name;
            const char* text;
            bool enabled;
        } items[] = {{"actionExit", "I&zhod", true},
                     {"actionUndo", "&Prekliči", false},
                     {"actionCut", "&Izreži", false},
                     {"actionCopy", "&Kopiraj", false},
                     {"actionPaste", "&Prilepi", false},
                     {"actionSynchronize", "Sinhroniziraj", true},
                     {"actionToolBar", "&Orodna vrstica", true},
                     {"actionStatusBar", "&Statusna vrstica", true},
                     {"actionAbout", "&O programu Vlakomat...", true},
                     {"actionNewSimpleThrottle", "Nov enostaven upravljalnik", true},
                     {"actionNewRealisticThrottle", "Nov realističen upravljalnik", true},
                     {"actionRoster", "&Seznam lokomotiv in funkcionalnosti", true},
                     {"actionSettings", "Splošne &Nastavitve", true},
                     {"actionMonitor", "Loconet Monitor", true}};
        for (const Item& item : items) {
            QAction* action = frame->Action(QString::fromLatin1(item.name));
            QVERIFY2(action, item.name);
            QCOMPARE(action->text(), QString::fromUtf8(item.text));
            QCOMPARE(action->isEnabled(), item.enabled);
        }
        QCOMPARE(frame->Action("actionSynchronize")->statusTip(),
                 QStringLiteral("Sinhroniziraj digitalne izhode na maketi s trenutnim stanjem "
                                "programa"));

        frame->Action("actionStatusBar")->trigger();
        QVERIFY(!frame->statusBar()->isVisible());

        // Debug mode starts a session in the log file.
        QVERIFY(app.LogFile() != nullptr);
        std::fflush(app.LogFile());
        QCOMPARE(QString::fromStdString(dir.Read("LoconetLog.txt")),
                 QStringLiteral(">>>>>>>>>>>>> New session started <<<<<<<<<<<<<<<<\n"));

        // Closing with nothing modified asks nothing and ends the window.
        frame->close();
        QVERIFY(!frame->isVisible());
        QVERIFY(frame->ClosingRequested());
        QVERIFY(prompts.texts.empty());
        app.ExitInstance(0);
        QVERIFY(dir.Read("vlakomat.ini").find("First Run=0\n") != std::string::npos);
    }

    // Opening a throttle gives its window; a window is found from its logic while it is open
    // and is off the list once it has gone; with every registry entry taken none opens.
    void throttleWindowsFollowTheirRegistryEntries() {
        AppRig rig;
        QVERIFY(rig.started);
        ThrottleWindows& windows = rig.app->Throttles();
        CDlgSThrottle* simple = rig.NewThrottle();
        CDlgRThrottle* realistic = rig.NewRealisticThrottle();
        QVERIFY(simple && realistic);
        QCOMPARE(windows.Of(&simple->Logic()), simple);
        QCOMPARE(windows.Of(&realistic->Logic()), realistic);
        QCOMPARE(windows.All().size(), std::size_t{2});

        const Throttle* gone = &simple->Logic();
        simple->close();
        rig.Pump();
        QVERIFY(windows.Of(gone) == nullptr);
        QCOMPARE(windows.All().size(), std::size_t{1});
        QCOMPARE(windows.All().front().data(), realistic);

        // The other entries held by throttles without windows.
        std::vector<std::unique_ptr<TestThrottle>> others;
        for (int i = 0; i < CLoconet::kRegistrySize; ++i)
            if (rig.Link().GetThrottle(i) == nullptr) {
                others.push_back(std::make_unique<TestThrottle>());
                QVERIFY(rig.Link().RegisterThrottle(i, others.back().get()));
            }
        QVERIFY(rig.NewThrottle() == nullptr);
        QVERIFY(rig.Messages().contains(
            QStringLiteral("Doseženo je maksimalno število upravljalnikov!")));
        QVERIFY(windows.Of(others.front().get()) == nullptr);
        QCOMPARE(windows.All().size(), std::size_t{1});
        for (const auto& t : others)
            rig.Link().RemoveThrottle(t->registryIndex);
    }

    void aboutBoxShowsTheVersionLine() {
        TempDir dir;
        InDir in(dir);
        CopyData(dir, "Decoders.tab");
        dir.Write("vlakomat.ini", "[LOCONET]\nOffline=1\n[PREFERENCES]\nFirst Run=0\n");
        ScriptedPrompts prompts;
        FakeClock clock;
        RecordingBeeper beeper;
        CVlakomatApp app(prompts, clock, beeper);
        QVERIFY(app.InitInstance(QString()));
        QTimer::singleShot(0, [] {
            QWidget* about = QApplication::activeModalWidget();
            QVERIFY(about);
            auto* label = about->findChild<QLabel*>(QStringLiteral("versionLabel"));
            QVERIFY(label);
            QCOMPARE(label->text(), QStringLiteral("Vlakomat Verzija S 1.2 B04 (8.11.2007)"));
            QTest::keyClick(about, Qt::Key_Return);
        });
        app.MainFrame()->Action("actionAbout")->trigger();
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

QTEST_MAIN(TestAppStartup)
#include "test_app_startup.moc"
