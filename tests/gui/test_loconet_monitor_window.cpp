// The LocoNet monitor window: opened and closed by the main frame's command, the 100-line
// bound, Record, marker and comment lines, and the debug log file.

#include "core/sim/SimCommands.h"
#include "gui/loconet/DlgLoconetMonitor.h"
#include "support/AppRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>

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

    // A recorded session played back through the station: the filter by family and by
    // address, search, time stamps in the display and (only when chosen) in the log,
    // saving what is shown, and a display that holds still while the operator reads back.
    void filterSearchStampsSaveAndReadingBack() {
        AppRig rig(true);
        CDlgLoconetMonitor* monitor = Toggle(rig);
        const char* capture[] = {"BF 00 03", "BA 01 01", "A0 01 20", "B0 0A 30",
                                 "B2 0C 50", "82",       "83"};
        for (const char* hex : capture)
            QCOMPARE(RunSimCommand(*rig.station, std::string("send ") + hex).substr(0, 2),
                     std::string("OK"));
        rig.Pump();
        const QStringList all = monitor->Lines();

        auto only = [&](const char* family) {
            for (QCheckBox* c : monitor->findChildren<QCheckBox*>(
                     QRegularExpression(QStringLiteral("^family.*Check$"))))
                c->setChecked(c->objectName() == QLatin1String(family));
        };
        only("familySwitchesCheck");
        QCOMPARE(monitor->Lines(), (QStringList{QStringLiteral("Rec: B0 0A 30 75 "),
                                                QStringLiteral(" - Req.Switch: 10 Dir: 1 On: 1"),
                                                QStringLiteral("-----")}));
        only("familyPowerCheck");
        QCOMPARE(monitor->Lines(),
                 (QStringList{QStringLiteral("Rec: 82 7D "), QStringLiteral("-----"),
                              QStringLiteral("Rec: 83 7C "), QStringLiteral("-----")}));
        only("familySlotsCheck");
        auto* address = Child<QLineEdit>(monitor, "addressFilterEdit");
        QTest::keyClicks(address, QStringLiteral("3"));
        QTest::keyClick(address, Qt::Key_Return); // applies, and the window stays
        QVERIFY(monitor->isVisible());
        const QStringList slotLines = monitor->Lines();
        QVERIFY(slotLines.contains(QStringLiteral(" - Loco Speed: Slt=1,Loc=3,Sp=32")));
        QVERIFY(slotLines.contains(QStringLiteral("Rec: A0 01 20 7E ")));
        QVERIFY(!slotLines.join(QLatin1Char('|')).contains(QStringLiteral("Req.Switch")));
        address->clear();
        only("");
        QVERIFY(monitor->Lines().isEmpty());
        for (QCheckBox* c : monitor->findChildren<QCheckBox*>(
                 QRegularExpression(QStringLiteral("^family.*Check$"))))
            c->setChecked(true);
        QCOMPARE(monitor->Lines(), all);

        // Ctrl+F goes to the search box; Enter finds, round the end too.
        monitor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(monitor));
        QTest::keyClick(monitor, Qt::Key_F, Qt::ControlModifier);
        auto* search = Child<QLineEdit>(monitor, "searchEdit");
        QVERIFY(search->hasFocus());
        QTest::keyClicks(search, QStringLiteral("sensor rep"));
        QTest::keyClick(search, Qt::Key_Return);
        auto* display = Child<QPlainTextEdit>(monitor, "lineDisplay");
        QCOMPARE(display->textCursor().selectedText(), QStringLiteral("Sensor Rep"));
        QVERIFY(monitor->Find(false)); // the only one, found again from the top
        QVERIFY(monitor->isVisible());
        search->setText(QStringLiteral("Req.Switch"));
        QVERIFY(monitor->Find(true));
        search->setText(QStringLiteral("nowhere"));
        QVERIFY(!monitor->Find(false));
        QCOMPARE(Child<QLabel>(monitor, "statusLabel")->text(), QStringLiteral("Ni najdeno"));

        // Time stamps: the wall clock in the display; in the log only once chosen.
        const QRegularExpression clock(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} "));
        Child<QComboBox>(monitor, "stampCombo")->setCurrentIndex(2);
        QVERIFY(monitor->Lines().front().contains(clock));
        QVERIFY(monitor->Lines().front().endsWith(all.front()));
        rig.Frame().LogToMonitor("plain in the log");
        Child<QCheckBox>(monitor, "logStampsCheck")->setChecked(true);
        rig.Frame().LogToMonitor("stamped in the log");
        monitor->ShowPending();
        const QStringList log = QString::fromStdString(rig.dir.Read("LoconetLog.txt"))
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(log.size(), all.size() + 3); // the session line first
        QCOMPARE(log.at(log.size() - 2), QStringLiteral("plain in the log"));
        QVERIFY(log.back().contains(clock) &&
                log.back().endsWith(QStringLiteral(" stamped in the log")));

        // "Shrani kot..." writes what is shown, stamps and all.
        const QString saved = QString::fromStdString(rig.dir.File("shown.txt"));
        QCOMPARE(monitor->SaveLinesTo(saved), QString());
        QCOMPARE(QString::fromStdString(rig.dir.Read("shown.txt")),
                 monitor->Lines().join(QLatin1Char('\n')) + QLatin1Char('\n'));

        // Reading back holds the display; at the end it goes on. A resized window does not.
        Child<QComboBox>(monitor, "stampCombo")->setCurrentIndex(0);
        monitor->show();
        for (int i = 0; i < 149; ++i)
            rig.Frame().LogToMonitor("line " + std::to_string(i));
        monitor->ShowPending();
        monitor->resize(monitor->width(), monitor->height() - 100);
        QVERIFY(display->verticalScrollBar()->value() == display->verticalScrollBar()->maximum());
        rig.Frame().LogToMonitor("line 149");
        QCOMPARE(monitor->Lines().back(), QStringLiteral("line 149"));
        QScrollBar* bar = display->verticalScrollBar();
        bar->setValue(0);
        rig.Frame().LogToMonitor("while reading back");
        QCOMPARE(monitor->Lines().back(), QStringLiteral("line 149"));
        QVERIFY(monitor->Holding());
        bar->setValue(bar->maximum());
        QCOMPARE(monitor->Lines().back(), QStringLiteral("while reading back"));
        QVERIFY(!monitor->Holding());
    }

    // In Debug Mode what the link writes while it handles a message is the message's: an
    // unticked family hides its traces with it, and what the program writes outside of any
    // message stays.
    void aHiddenMessageTakesItsTracesAlong() {
        AppRig rig(true);
        CDlgLoconetMonitor* monitor = Toggle(rig);
        CDlgSThrottle* w = rig.NewThrottle();
        w->Acquire(3);
        rig.Run(100);
        QVERIFY(w->Simple().Driving());
        // A hand-held throttle on the same address turns its knob.
        QCOMPARE(RunSimCommand(*rig.station, "throttle 3 acquire").substr(0, 2), std::string("OK"));
        QCOMPARE(RunSimCommand(*rig.station, "throttle 3 speed 50").substr(0, 2),
                 std::string("OK"));
        rig.Run(100);
        const QStringList all = monitor->Lines();
        const auto traces = [](const QStringList& lines) {
            return lines.filter(QStringLiteral("Update Throttles")).size();
        };
        QVERIFY(traces(all) >= 6);
        QVERIFY(all.contains(QStringLiteral(" - Loco Speed: Slt=1,Loc=3,Sp=50")));

        Child<QCheckBox>(monitor, "familySlotsCheck")->setChecked(false);
        QCOMPARE(monitor->Lines(),
                 (QStringList{QStringLiteral("!!Starting Loco 3 selection at 1000"),
                              QStringLiteral("!!Message queued: BF 00 03 43 ")}));
        // The traces have the address of their message.
        Child<QCheckBox>(monitor, "familySlotsCheck")->setChecked(true);
        QTest::keyClicks(Child<QLineEdit>(monitor, "addressFilterEdit"), QStringLiteral("3"));
        QCOMPARE(traces(monitor->Lines()), traces(all));
    }

    // Under a flood a found line stays where the operator sees it, also the last line of a
    // display that follows the end; a click in the display lets the lines follow again.
    void aFoundLineStaysInViewUnderAFlood() {
        AppRig rig;
        CDlgLoconetMonitor* monitor = Toggle(rig);
        for (int i = 0; i < 150; ++i)
            rig.Frame().LogToMonitor("Rec: Loco Speed: Slt=1,Loc=3,Sp=" + std::to_string(i));
        rig.Frame().LogToMonitor("Rec: Sensor Rep.: 11 Inp: 1 State: 1");
        rig.Frame().LogToMonitor("Rec: Sensor Rep.: 12 Inp: 1 State: 1");
        monitor->ShowPending();
        QCoreApplication::processEvents(); // the display lays out and follows the end
        auto* display = Child<QPlainTextEdit>(monitor, "lineDisplay");
        QScrollBar* bar = display->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        // "Naprej" twice: the second match is the newest line.
        Child<QLineEdit>(monitor, "searchEdit")->setText(QStringLiteral("Sensor Rep.: 1"));
        QVERIFY(monitor->Find(false));
        QVERIFY(monitor->Find(false));
        QCoreApplication::processEvents();
        const auto matchInView = [display] {
            const QTextCursor c = display->textCursor();
            return c.selectedText() == QStringLiteral("Sensor Rep.: 1") &&
                   c.block().text() == QStringLiteral("Rec: Sensor Rep.: 12 Inp: 1 State: 1") &&
                   display->viewport()->rect().contains(display->cursorRect());
        };
        QVERIFY(matchInView());

        for (int i = 0; i < 300; ++i)
            rig.Frame().LogToMonitor("Rec: Loco Speed: Slt=2,Loc=4,Sp=" + std::to_string(i));
        monitor->ShowPending(); // as the window's timer does
        QCoreApplication::processEvents();
        QVERIFY(monitor->Holding());
        QVERIFY(matchInView());
        QCOMPARE(monitor->Lines().back(), QStringLiteral("Rec: Sensor Rep.: 12 Inp: 1 State: 1"));
        QCOMPARE(Child<QLabel>(monitor, "statusLabel")->text(),
                 QStringLiteral("Ustavljeno ob izbranem: klik v izpis nadaljuje"));

        QTest::mouseClick(display->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!monitor->Holding());
        QCOMPARE(monitor->Lines().back(), QStringLiteral("Rec: Loco Speed: Slt=2,Loc=4,Sp=299"));
        QCOMPARE(Child<QLabel>(monitor, "statusLabel")->text(), QString());
        QCOMPARE(bar->value(), bar->maximum());
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
