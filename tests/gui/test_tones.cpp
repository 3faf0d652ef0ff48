// Without the tone module the program beeps with the bell and names the missing package until
// the notice says it has been told (in Debug Mode only).

#include "gui/common/QtPlatform.h"
#include "support/TempDir.h"

#include <QTest>

class TestTones : public QObject {
    Q_OBJECT
private slots:
    void missingModuleIsNamedUntilTold() {
        TempDir empty;
        QtBeeper beeper({QString::fromStdString(empty.Path())});
        QVERIFY(!beeper.HasModule());
        // The first two tones come outside Debug Mode, the next in it, the last after that.
        QStringList heard;
        bool debugMode = false;
        beeper.SetMissingNotice([&](const std::string& line) {
            heard << QString::fromStdString(line);
            return debugMode;
        });
        beeper.Tone(1000, 100);
        beeper.Tone(500, 100);
        debugMode = true;
        beeper.Tone(1000, 100);
        beeper.Tone(1000, 100);
        QCOMPARE(heard.size(), 3);
        QVERIFY(heard.last().contains("vlakomat-zvok"));
    }
};

QTEST_MAIN(TestTones)
#include "test_tones.moc"
