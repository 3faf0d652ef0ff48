// The vlakomat program itself, started as a process in a temporary folder.

#include "support/ReadyLine.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QTest>

#include <filesystem>
#include <string>

namespace {

const QString kProgram = QStringLiteral(VLAKOMAT_BINARY_DIR "/src/gui/vlakomat");

void CopyData(const TempDir& dir, const char* name) {
    std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" / name,
                               dir.File(name));
}

struct Result {
    int code;
    QString out;
};

Result Run(const TempDir& dir, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.Path()));
    p.start(kProgram, args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void checkReportsMissingDecodersAndWritesNothing() {
        TempDir dir;
        Result r = Run(dir, {"--check"});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QStringLiteral("Napaka! Manjka datoteka 'decoders.tab', ko mora biti v "
                                       "istem imeniku kot program!\n"));
        QVERIFY(std::filesystem::is_empty(dir.Path()));
    }

    void checkPrintsEveryStartupMessageOnItsOwnLine() {
        TempDir dir;
        CopyData(dir, "Decoders.tab");
        // No Functions.tab: every builtin function is added and reported in one message.
        Result r = Run(dir, {"--check"});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out.count('\n'), 1);
        QVERIFY(std::filesystem::exists(dir.File("Decoders.tab")));
        QVERIFY(!std::filesystem::exists(dir.File("Functions.tab")));
        QVERIFY(!std::filesystem::exists(dir.File("vlakomat.ini")));
    }

    void checkDumpOnSampleDataPrintsTheFilesAsStored() {
        TempDir dir;
        for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab"})
            CopyData(dir, name);
        Result r = Run(dir, {"--check", "--dump"});
        QCOMPARE(r.code, 0);
        const QString expected =
            "==> Functions.tab <==\n" + QString::fromStdString(dir.Read("Functions.tab")) +
            "==> Roster.tab <==\n" + QString::fromStdString(dir.Read("Roster.tab"));
        QCOMPARE(r.out, expected);
    }

    void checkLayoutFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("dump");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("code");
        QTest::newRow("faults") << QByteArray("1,1,9|0,0\n1,1,0|8,0\n") << true
                                << "Serialize\nNapaka! Neveljavna smer v vrstici 1!\n"
                                   "Napaka! Neveljaven tip elementa v vrstici 2!\n"
                                   "==> plan.vlk <==\n1,1,9|0,0\r\n"
                                << 1;
        QTest::newRow("sound, no dump") << QByteArray("1,1,0|0,0") << false << "Serialize\n" << 0;
        QTest::newRow("not a layout")
            << QByteArray("Hello, this is not a layout") << true
            << "Napaka! Datoteka 'plan.vlk' ni maketa (.vlk) in ni odprta!\n"
            << 1;
        QTest::newRow("detector") << QByteArray("3,4,0|5,0|S17\r\n") << true
                                  << "Serialize\n==> plan.vlk <==\n3,4,0|5,0|S17\r\n"
                                  << 0;
    }

    void checkLayoutFile() {
        QFETCH(QByteArray, content);
        QFETCH(bool, dump);
        QFETCH(QString, out);
        QFETCH(int, code);
        TempDir dir;
        dir.Write("plan.vlk", content.toStdString());
        Result r = Run(dir, dump ? QStringList{"--check", "--dump", "plan.vlk"}
                                 : QStringList{"--check", "plan.vlk"});
        QCOMPARE(r.out, out);
        QCOMPARE(r.code, code);
        QCOMPARE(dir.Read("plan.vlk"), content.toStdString()); // nothing else is written
        QCOMPARE(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    }

    void checkDumpOfTheSampleLayoutIsTheFileItself() {
        TempDir dir;
        CopyData(dir, "Postaja.vlk");
        Result r = Run(dir, {"--check", "--dump", "Postaja.vlk"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, "Serialize\n==> Postaja.vlk <==\n" +
                            QString::fromStdString(dir.Read("Postaja.vlk")));
        QCOMPARE(Run(dir, {"--check", "Fali.vlk"}).code, 1);
    }

    void versionAndHelp() {
        TempDir dir;
        Result version = Run(dir, {"--version"});
        QCOMPARE(version.code, 0);
        QVERIFY(version.out.startsWith("Vlakomat "));
        Result help = Run(dir, {"--help"});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.contains("--check"));
        // Qt's headings and its own options in the program's language too.
        for (const char* text : {"Uporaba: ", "Možnosti:", "Argumenti:", "Izpiše različico"})
            QVERIFY2(help.out.contains(text), text);
        QVERIFY2(!help.out.contains("Usage") && !help.out.contains("Displays"),
                 qPrintable(help.out));
        QVERIFY(std::filesystem::is_empty(dir.Path()));
    }

    void terminationSignalQuitsInOrderAndWritesSettings_data() {
        QTest::addColumn<bool>("withCatalogue");
        QTest::newRow("running") << true;
        // Without Functions.tab start-up shows the added builtin functions in a message box.
        QTest::newRow("in a message box") << false;
    }

    void terminationSignalQuitsInOrderAndWritesSettings() {
        QFETCH(bool, withCatalogue);
        TempDir dir;
        CopyData(dir, "Decoders.tab");
        if (withCatalogue) {
            CopyData(dir, "Functions.tab");
            CopyData(dir, "Roster.tab");
        }
        dir.Write("vlakomat.ini", "[LOCONET]\nOffline=1\n[PREFERENCES]\nFirst Run=0\n");
        QProcess p;
        p.setWorkingDirectory(QString::fromStdString(dir.Path()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        AskForReadyLine(env);
        p.setProcessEnvironment(env);
        p.start(kProgram, {});
        QVERIFY(p.waitForStarted());
        QByteArray err;
        QVERIFY2(WaitUntilReady(p, err), err.constData());
        p.terminate();
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const std::string ini = dir.Read("vlakomat.ini");
        QVERIFY(ini.find("Offline=1\n") != std::string::npos);
        QVERIFY(ini.find("Loco Cross-Section=120.0000\n") != std::string::npos);
        // A session end offers no saving: the tables stay as they were.
        if (!withCatalogue)
            QVERIFY(!std::filesystem::exists(dir.File("Functions.tab")));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
