// The LocoNet monitor window: opened and closed by the main frame's command, the 100-line
// bound, Record, marker and comment lines, and the debug log file.

#include "AppRig.h"
#include "gui/loconet/DlgLoconetMonitor.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {
const QString kMarker = QStringLiteral("------------------------------------------------------");
const std::string kSession = ">>>>>>>>>>>>> New session started <<<<<<<<<<<<<<<<\n";

template <typename T> T* Child(QWidget* w, const char* name) {
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no widget %s", name);
    return child;
}

CDlgLoconetMonitor* Toggle(AppRig& rig) {
    rig.Frame().Action(QStringLiteral("actionMonitor"))->trigger();
    return rig.Frame().Monitor();
}
} // namespace

class TestLoconetMonitorWindow : public QObject {
    Q_OBJECT

private slots:
    void commandTogglesTheOneMonitor() {
        AppRig rig;
        QAction* action = rig.Frame().Action(QStringLiteral("actionMonitor"));
        rig.Frame().LogToMonitor("lost: no monitor is open");
        CDlgLoconetMonitor* monitor = Toggle(rig);
        QVERIFY(monitor && monitor->isVisible());
        QCOMPARE(monitor->windowTitle(), QStringLiteral("Loconet Monitor"));
        QVERIFY(action->isChecked());
        QVERIFY(Child<QCheckBox>(monitor, "recordCheck")->isChecked());
        QCOMPARE(monitor->Lines(), QStringList());
        rig.Frame().LogToMonitor("one");
        QCOMPARE(monitor->Lines(), QStringList{QStringLiteral("one")});

        QPointer<CDlgLoconetMonitor> guard(monitor);
        QVERIFY(Toggle(rig) == nullptr);
        QVERIFY(guard.isNull());
        QVERIFY(!action->isChecked());
        // Opened again: empty and recording.
        monitor = Toggle(rig);
        QVERIFY(monitor);
        QCOMPARE(monitor->Lines(), QStringList());
        QVERIFY(Child<QCheckBox>(monitor, "recordCheck")->isChecked());

        // "Close" and Escape close it for good; the frame forgets it at once.
        for (int way = 0; way < 2; ++way) {
            guard = monitor;
            if (way == 0)
                QTest::mouseClick(Child<QPushButton>(monitor, "closeButton"), Qt::LeftButton);
            else
                QTest::keyClick(monitor, Qt::Key_Escape);
            QVERIFY(rig.Frame().Monitor() == nullptr);
            QVERIFY(!action->isChecked());
            rig.Frame().LogToMonitor("after close");
            rig.Pump();
            QVERIFY(guard.isNull());
            monitor = Toggle(rig);
        }
    }

    void keepsTheNewest100LinesInView() {
        AppRig rig;
        CDlgLoconetMonitor* monitor = Toggle(rig);
        for (int i = 1; i <= 250; ++i)
            rig.Frame().LogToMonitor("line " + std::to_string(i));
        const QStringList lines = monitor->Lines();
        QCOMPARE(lines.size(), 100);
        QCOMPARE(lines.front(), QStringLiteral("line 151"));
        QCOMPARE(lines.back(), QStringLiteral("line 250"));
        QScrollBar* bar = Child<QPlainTextEdit>(monitor, "lineDisplay")->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void recordMarkerCommentAndLogFile() {
        AppRig rig(true);
        CDlgLoconetMonitor* monitor = Toggle(rig);
        QVERIFY(rig.app->LogFile());
        rig.Frame().LogToMonitor("first");
        QTest::mouseClick(Child<QCheckBox>(monitor, "recordCheck"), Qt::LeftButton);
        QVERIFY(!Child<QCheckBox>(monitor, "recordCheck")->isChecked());
        rig.Frame().LogToMonitor("dropped while paused");
        QTest::mouseClick(Child<QPushButton>(monitor, "markerButton"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(monitor, "commentButton"), Qt::LeftButton);
        auto* comment = Child<QLineEdit>(monitor, "commentEdit");
        QTest::keyClicks(comment, QStringLiteral("vlak 3 "));
        comment->insert(QStringLiteral("čaka"));
        QTest::keyClick(comment, Qt::Key_Return); // Enter puts the comment
        QVERIFY(monitor->isVisible());
        QCOMPARE(comment->text(), QStringLiteral("vlak 3 čaka"));
        QTest::mouseClick(Child<QCheckBox>(monitor, "recordCheck"), Qt::LeftButton);
        rig.Frame().LogToMonitor("last");

        const QStringList expected{QStringLiteral("first"), kMarker, QStringLiteral(">>>>>"),
                                   QStringLiteral(">>>>>vlak 3 čaka"), QStringLiteral("last")};
        QCOMPARE(monitor->Lines(), expected);
        QCOMPARE(QString::fromStdString(rig.dir.Read("LoconetLog.txt")),
                 QString::fromStdString(kSession) + expected.join(QLatin1Char('\n')) +
                     QLatin1Char('\n'));

        // Elsewhere Enter is the window's "Close".
        auto* record = Child<QCheckBox>(monitor, "recordCheck");
        record->setFocus();
        QTest::keyClick(record, Qt::Key_Return);
        QVERIFY(!monitor->isVisible());
        QVERIFY(!rig.Frame().Action(QStringLiteral("actionMonitor"))->isChecked());
    }

    void busTrafficReachesMonitorAndLogOnlyWhileOpen() {
        AppRig rig(true);
        rig.station->SensorReport(5, true);
        rig.Pump();
        CDlgLoconetMonitor* monitor = Toggle(rig);
        rig.station->SensorReport(5, false);
        rig.Pump();
        const QStringList lines = monitor->Lines();
        QVERIFY(!lines.isEmpty());
        const std::string log = rig.dir.Read("LoconetLog.txt");
        QVERIFY(log.size() > kSession.size());
        QCOMPARE(QString::fromStdString(log), QString::fromStdString(kSession) +
                                                  lines.join(QLatin1Char('\n')) +
                                                  QLatin1Char('\n'));
    }

    void withoutDebugModeNothingIsLogged() {
        AppRig rig(false);
        CDlgLoconetMonitor* monitor = Toggle(rig);
        rig.Frame().LogToMonitor("shown only");
        QCOMPARE(monitor->Lines(), QStringList{QStringLiteral("shown only")});
        QVERIFY(rig.app->LogFile() == nullptr);
        QVERIFY(!std::filesystem::exists(rig.dir.File("LoconetLog.txt")));
    }
};

QTEST_MAIN(TestLoconetMonitorWindow)
#include "test_loconet_monitor_window.moc"
