// scripts/install into a temporary home: a valid desktop entry, the MIME type of .vlk
// files, the icons, a launcher that starts the program in the layout's folder, and a clean
// uninstall.

#include "support/ReadyLine.h"
#include "support/TempDir.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <filesystem>

namespace {

const QString kScript = QStringLiteral(VLAKOMAT_SOURCE_DIR "/scripts/install");
const QString kProgram = QStringLiteral(VLAKOMAT_BINARY_DIR "/src/gui/vlakomat");

QProcessEnvironment Home(const TempDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(home.Path()));
    env.remove("XDG_DATA_HOME");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

int Run(const TempDir& home, const QString& program, const QStringList& args,
        QString* out = nullptr) {
    QProcess p;
    p.setProcessEnvironment(Home(home));
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(120000);
    if (out)
        *out = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void installsAValidEntryThatOpensLayoutsInTheirFolder() {
        TempDir home;
        const std::filesystem::path data = std::filesystem::path(home.Path()) / ".local/share";
        QString out;
        QCOMPARE(Run(home, kScript, {"--program", kProgram}, &out), 0);

        const QString entry =
            QString::fromStdString((data / "applications/vlakomat.desktop").string());
        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate is missing: run scripts/setup");
        QCOMPARE(Run(home, validator, {entry}, &out), 0);
        QCOMPARE(out, QString());

        const std::string globs = ReadText(data / "mime/globs2");
        QVERIFY(globs.find("application/x-vlakomat-layout:*.vlk") != std::string::npos);
        for (int size : {16, 48, 256}) {
            const auto icon =
                data /
                QStringLiteral("icons/hicolor/%1x%1/apps/vlakomat.png").arg(size).toStdString();
            QCOMPARE(QImage(QString::fromStdString(icon.string())).size(), QSize(size, size));
        }

        // The entry's command, started from elsewhere on a layout in a folder of its own,
        // runs the program there: the settings it writes at the end land in that folder.
        const std::string text = ReadText(entry.toStdString());
        const QRegularExpressionMatch exec =
            QRegularExpression("\nExec=\"([^\"]+)\" %f\n").match(QString::fromStdString(text));
        QVERIFY(exec.hasMatch());
        const auto folder = std::filesystem::path(home.Path()) / "maketa";
        std::filesystem::create_directories(folder);
        for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab", "Postaja.vlk"})
            std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" / name,
                                       folder / name);
        std::ofstream(folder / "vlakomat.ini")
            << "[LOCONET]\nOffline=1\n[PREFERENCES]\nFirst Run=0\n";
        QProcess program;
        QProcessEnvironment env = Home(home);
        AskForReadyLine(env);
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QString::fromStdString(home.Path()));
        program.start(exec.captured(1), {"maketa/Postaja.vlk"});
        QVERIFY(program.waitForStarted());
        QByteArray err;
        QVERIFY2(WaitUntilReady(program, err), err.constData());
        program.terminate();
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(ReadText(folder / "vlakomat.ini").find("Loco Cross-Section=") != std::string::npos);
        QVERIFY(!std::filesystem::exists(std::filesystem::path(home.Path()) / "vlakomat.ini"));

        QCOMPARE(Run(home, kScript, {"--uninstall"}), 0);
        QVERIFY(!std::filesystem::exists(entry.toStdString()));
        QVERIFY(!std::filesystem::exists(data / "mime/packages/vlakomat.xml"));
        QVERIFY(!std::filesystem::exists(data / "icons/hicolor/48x48/apps/vlakomat.png"));
        QVERIFY(!std::filesystem::exists(data / "vlakomat"));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
