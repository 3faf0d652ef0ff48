// `vlakomat --init` in a temporary home, and a start in a folder without the decoder table,
// which names it.

#include "support/ReadyLine.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QTest>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
const QString kProgram = QStringLiteral(VLAKOMAT_BINARY_DIR "/src/gui/vlakomat");
const fs::path kSamples = fs::path(VLAKOMAT_SOURCE_DIR) / "data";

struct Result {
    int code;
    QString out;
    QString err;
};

Result Run(const TempDir& home, const QStringList& args, const fs::path& samples = kSamples) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(home.Path()));
    env.insert("VLAKOMAT_SAMPLES", QString::fromStdString(samples.string()));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(home.Path()));
    p.start(kProgram, args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class TestInit : public QObject {
    Q_OBJECT
private slots:
    void initMakesTheLayoutFolder_data() {
        QTest::addColumn<QString>("folder");  // the argument, relative to the home
        QTest::addColumn<QString>("prepare"); // "", "edited-roster", "file", "no-samples"
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("default ~/Vlakomat") << ""
                                            << "" << 0 << "(iz vzorcev: 5, ohranjenih: 0)";
        QTest::newRow("named folder, made with its parents")
            << "a/b/maketa"
            << "" << 0 << "a/b/maketa je pripravljena";
        QTest::newRow("an edited file is kept")
            << "Vlakomat"
            << "edited-roster" << 0 << "(iz vzorcev: 4, ohranjenih: 1)";
        QTest::newRow("folder is a file") << "Vlakomat"
                                          << "file" << 1 << "ni mogoče narediti";
        QTest::newRow("no samples") << ""
                                    << "no-samples" << 1 << "ni vzorcev (Decoders.tab)";
    }
    void initMakesTheLayoutFolder() {
        QFETCH(QString, folder);
        QFETCH(QString, prepare);
        QFETCH(int, code);
        QFETCH(QString, said);
        TempDir home;
        const fs::path target =
            fs::path(home.Path()) / (folder.isEmpty() ? "Vlakomat" : folder.toStdString());
        if (prepare == "edited-roster") {
            fs::create_directories(target);
            std::ofstream(target / "Roster.tab") << "edited\n";
        } else if (prepare == "file") {
            std::ofstream(target) << "not a folder\n";
        }
        const fs::path samples = prepare == "no-samples" ? fs::path(home.Path()) : kSamples;
        QStringList args{"--init"};
        if (!folder.isEmpty())
            args << folder;
        const Result r = Run(home, args, samples);
        QCOMPARE(r.code, code);
        QVERIFY2((code == 0 ? r.out : r.err).contains(said), qPrintable(r.out + r.err));
        if (code != 0) {
            QVERIFY(!fs::is_directory(target));
            return;
        }
        for (const char* name : {"Decoders.tab", "Functions.tab", "Postaja.vlk", "vlakomat.ini"})
            QVERIFY2(fs::file_size(target / name) == fs::file_size(kSamples / name), name);
        const std::uintmax_t roster = fs::file_size(target / "Roster.tab");
        QCOMPARE(roster, prepare == "edited-roster" ? std::uintmax_t{7}
                                                    : fs::file_size(kSamples / "Roster.tab"));
    }

    // A start without Decoders.tab shows its message box and then names --init on standard
    // error; in the folder --init made, the program starts without a message.
    void startWithoutDecodersNamesInitThenInitMakesItStart() {
        TempDir home;
        QProcess program;
        program.setWorkingDirectory(QString::fromStdString(home.Path()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", QString::fromStdString(home.Path()));
        AskForReadyLine(env);
        program.setProcessEnvironment(env);
        program.start(kProgram, {});
        QVERIFY(program.waitForStarted());
        QByteArray err;
        QVERIFY2(WaitUntilReady(program, err), err.constData()); // the message box is up
        program.terminate();
        QVERIFY(program.waitForFinished(30000));
        const QStringList lines =
            QString::fromUtf8(err + program.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        QVERIFY2(lines.last().contains("vlakomat --init"), qPrintable(lines.join('\n')));

        QCOMPARE(Run(home, {"--init"}).code, 0);
        QProcess check;
        check.setWorkingDirectory(QString::fromStdString(home.Path() + "/Vlakomat"));
        check.start(kProgram, {"--check"});
        QVERIFY(check.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(check.readAllStandardOutput()), QString());
        QCOMPARE(check.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestInit)
#include "test_init.moc"
