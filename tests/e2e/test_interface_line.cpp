// The program opens its serial interface with the rate and flow control of its settings
// file: read back from the terminal's side of a pseudo-terminal.

#include "gui/app/Vlakomat.h"

#include "support/BuiltModules.h"
#include "support/Fakes.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <QDir>
#include <QTest>

#include <filesystem>

class TestInterfaceLine : public QObject {
    Q_OBJECT
private slots:
    void settingsFileChoosesRateAndFlowControl_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("rtsCts");
        QTest::newRow("LocoBuffer-USB") << "Baud Rate=57600\nFlow Control=1\n"
                                        << int(B57600) << true;
        QTest::newRow("other rate") << "Baud Rate=19200\n" << int(B19200) << false;
    }

    void settingsFileChoosesRateAndFlowControl() {
        QFETCH(QString, keys);
        QFETCH(int, speed);
        QFETCH(bool, rtsCts);
        PtyPair pty;
        QVERIFY(!pty.path.empty());
        TempDir dir;
        for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab"})
            std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" / name,
                                       dir.File(name));
        dir.Write("vlakomat.ini", "[LOCONET]\nCOM Port=" + pty.path + "\n" + keys.toStdString() +
                                      "[PREFERENCES]\nFirst Run=0\n");
        const QString oldDir = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.Path()));
        ScriptedPrompts prompts;
        FakeClock clock;
        RecordingBeeper beeper;
        {
            CVlakomatApp app(prompts, clock, beeper);
            QVERIFY(app.InitInstance(QString()));
            QVERIFY(app.Link().IsActive());
            termios tio{};
            QCOMPARE(::tcgetattr(pty.slave, &tio), 0);
            QCOMPARE(int(::cfgetospeed(&tio)), speed);
            QCOMPARE(int(::cfgetispeed(&tio)), speed);
            QCOMPARE((tio.c_cflag & CRTSCTS) != 0, rtsCts);
            QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
            QCOMPARE(tio.c_cflag & (PARENB | CSTOPB), tcflag_t(0));
            app.ExitInstance(0);
        }
        QDir::setCurrent(oldDir);
        QVERIFY(prompts.texts.empty());
        // The keys are kept as they were.
        QVERIFY(dir.Read("vlakomat.ini").find(keys.toStdString()) != std::string::npos);
    }
};

QTEST_MAIN(TestInterfaceLine)
#include "test_interface_line.moc"
