// The program without its ports and printing modules (the program copied alone): `sim` works,
// and every port, server and print names the missing module in the message it already had.

#include "gui/settings/DlgSettings.h"
#include "support/AppRig.h"

#include <QAction>

class TestMissingModules : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetModuleFolders({QString::fromStdString(empty_.Path())}); }

    // A module that is there but will not load is told apart from one not installed.
    void aModuleIsFoundOrTheReasonGiven_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("why");
        QTest::newRow("not installed") << QString() << "ni modula vlakomat-ports";
        QTest::newRow("broken") << "vlakomat-ports.so"
                                << "modula vlakomat-ports ni mogoče naložiti: ";
        QTest::newRow("another module only") << "vlakomat-print.so"
                                             << "ni modula vlakomat-ports";
    }
    void aModuleIsFoundOrTheReasonGiven() {
        QFETCH(QString, file);
        QFETCH(QString, why);
        TempDir folder;
        if (!file.isEmpty())
            folder.Write(file.toStdString(), "not a library");
        QString reason;
        const QStringList folders{QString::fromStdString(folder.Path()),
                                  QString::fromStdString(empty_.Path())};
        QVERIFY(ResolveModule(folders, "vlakomat-ports", "vlakomat_ports_module", &reason) ==
                nullptr);
        QVERIFY2(reason.startsWith(why), qPrintable(reason));
        // Where the build put it, it is found.
        QVERIFY(ResolveModule(folders + QStringList{VLAKOMAT_BINARY_DIR "/src/gui"},
                              "vlakomat-ports", "vlakomat_ports_module") != nullptr);
    }

    void simRunsAndTheServersSayWhyTheyCannotListen() {
        AppRig rig(AppRig::Ini{"[LOCONET]\nCOM Port=sim\nShare Port=21570\nWiThrottle "
                               "Port=21571\n[PREFERENCES]\nFirst Run=0\n"});
        QVERIFY(rig.started && rig.Link().IsActive());
        QVERIFY(!rig.app->Server().IsListening() && !rig.app->PhoneListener().IsListening());
        QCOMPARE(rig.Messages(),
                 QStringLiteral("Napaka! Telefoni se ne morejo povezati na TCP port "
                                "21571! (ni modula vlakomat-ports)|"
                                "Napaka! Vodila ni mogoče deliti na TCP portu "
                                "21570! (ni modula vlakomat-ports)"));
        // A throttle drives on the simulated station as ever.
        CDlgSThrottle* throttle = rig.NewThrottle();
        throttle->Acquire(3);
        rig.Pump();
        QVERIFY(throttle->Simple().Driving());
    }

    void portsSayTheModuleIsMissing_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("tcp") << "tcp://127.0.0.1:21572"
                             << "Napaka! Povezave tcp://127.0.0.1:21572 ni mogoče vzpostaviti! "
                                "(ni modula vlakomat-ports)";
        QTest::newRow("serial device") << "/dev/ttyS0"
                                       << "Napaka! Comm porta /dev/ttyS0 ni mogoče odpreti! (ni "
                                          "modula vlakomat-ports)";
    }
    void portsSayTheModuleIsMissing() {
        QFETCH(QString, port);
        QFETCH(QString, message);
        AppRig rig;
        rig.app->Settings().settings.ComPort = port.toStdString();
        QVERIFY(!rig.app->OpenLink());
        QVERIFY(!rig.Link().IsActive());
        QCOMPARE(rig.Messages(), message);
    }

    void settingsOfferOnlyThePortsWithoutTheModule() {
        QStringList offered;
        for (const CDlgSettings::PortChoice& choice : CDlgSettings::AvailablePorts({}))
            offered << choice.name;
        QCOMPARE(offered, (QStringList{"sim", "tcp://localhost:1234"}));
    }

    void printingSaysSoAndChangesNothing() {
        AppRig rig;
        for (const char* action : {"actionPrint", "actionPrintPreview"})
            rig.Frame().findChild<QAction*>(QLatin1String(action))->trigger();
        QCOMPARE(rig.Messages(), QStringLiteral("Tiskanje ni mogoče (ni modula vlakomat-print).|"
                                                "Tiskanje ni mogoče (ni modula vlakomat-print)."));
        QVERIFY(rig.Link().IsActive());
    }

private:
    TempDir empty_;
};

QTEST_MAIN(TestMissingModules)
#include "test_missing_modules.moc"
