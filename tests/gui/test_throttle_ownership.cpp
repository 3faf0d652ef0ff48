// Throttles that know what the bus holds: a command station restarted under a driving
// throttle (a LocoNet-over-TCP server stopped and started on its port, where a hand-held
// takes another address first, so that the throttle's old slot holds another locomotive),
// two realistic windows naming the same hand-helds, and the end of the program with a
// locomotive running.

#include "gui/settings/DlgSave.h"
#include "support/AppRig.h"
#include "support/CsProcess.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

// Steps the link with the fake clock moving 10 ms a step, until `done` or 10 s real time.
template <typename F> bool RunUntil(AppRig& rig, F done) {
    return QTest::qWaitFor(
        [&] {
            rig.clock.Advance(10);
            rig.Pump();
            return done();
        },
        10000);
}

std::string Hex(std::vector<std::uint8_t> bytes) {
    bytes.push_back(Checksum(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    return FormatHexBytes(bytes);
}

// The station received the message, with the link stepped meanwhile.
bool Received(AppRig& rig, CsProcess& cs, const std::vector<std::uint8_t>& bytes) {
    const std::string line = "RX " + Hex(bytes);
    return RunUntil(rig, [&] { return cs.WaitForLine(line, 5); });
}

// Lines of what the station received for a slot with any of the slot commands.
QStringList CommandsTo(CsProcess& cs, int slot) {
    QStringList out;
    for (const std::string& line : cs.Lines())
        for (const char* op : {"A0", "A1", "A2", "B5"})
            if (line.rfind(std::string("RX ") + op + QString::asprintf(" %02X", slot).toStdString(),
                           0) == 0)
                out << QString::fromStdString(line);
    return out;
}

void DriveAtHalfSpeedWithTheLightOn(CDlgSThrottle* w) {
    auto* speed = w->findChild<QLineEdit*>(QStringLiteral("speedEdit"));
    speed->setText(QStringLiteral("50"));
    QTest::keyClick(speed, Qt::Key_Return);
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("f0Button")), Qt::LeftButton);
}

std::string PortOf(const std::string& name) {
    return name.substr(name.rfind(':') + 1);
}

AppRig::Ini OnTcp(const std::string& name) {
    return AppRig::Ini{"[LOCONET]\nCOM Port=" + name + "\n[PREFERENCES]\nFirst Run=0\n"};
}

// The station stops; once the link has noticed, it starts again on the same port, where the
// hand-held commands run before the link comes back.
std::unique_ptr<CsProcess> Restart(AppRig& rig, std::unique_ptr<CsProcess> cs,
                                   const std::string& name, const QStringList& handHeld) {
    cs->Kill();
    if (!QTest::qWaitFor([&] { return rig.Pump(), rig.Link().IsPortDown(); }, 10000))
        return nullptr;
    auto again = std::make_unique<CsProcess>();
    if (again->Start({"--tcp", QString::fromStdString(PortOf(name))}) != name)
        return nullptr;
    for (const QString& command : handHeld)
        if (again->Command(command.toStdString()).rfind("OK", 0) != 0)
            return nullptr;
    rig.clock.Advance(CLoconet::kReopenIntervalMs);
    return again;
}

} // namespace

class TestThrottleOwnership : public QObject {
    Q_OBJECT
private slots:
    void simpleThrottleUnderARestartedStation_data() {
        QTest::addColumn<QStringList>("handHeld");
        QTest::addColumn<bool>("selectedAgain");
        QTest::newRow("old slot holds another locomotive")
            << QStringList{"throttle 9 acquire"} << true;
        QTest::newRow("a hand-held has taken the address")
            << QStringList{"throttle 9 acquire", "throttle 1234 acquire"} << false;
    }
    void simpleThrottleUnderARestartedStation() {
        QFETCH(QStringList, handHeld);
        QFETCH(bool, selectedAgain);
        auto cs = std::make_unique<CsProcess>();
        const std::string name = cs->Start({"--tcp", "0"});
        QVERIFY2(name.rfind("tcp://127.0.0.1:", 0) == 0, name.c_str());
        AppRig rig(OnTcp(name));
        QVERIFY(rig.started && rig.Link().IsActive());
        CDlgSThrottle* w = rig.NewThrottle();
        w->Acquire(1234);
        QVERIFY(RunUntil(rig, [&] { return w->Simple().Driving(); }));
        const int slot = w->Simple().iSlot;
        DriveAtHalfSpeedWithTheLightOn(w);
        w->findChild<QRadioButton*>(QStringLiteral("reverseRadio"))->click();
        QVERIFY(Received(rig, *cs, {0xA0, std::uint8_t(slot), 65}));
        QVERIFY(Received(rig, *cs, {0xA1, std::uint8_t(slot), 0x30}));

        cs = Restart(rig, std::move(cs), name, handHeld);
        QVERIFY(cs);
        QVERIFY(
            RunUntil(rig, [&] { return w->Simple().Reselected() || !rig.Messages().isEmpty(); }));
        QVERIFY(RunUntil(
            rig, [&] { return rig.Link().Queue().Empty() && !rig.Link().IsWaitingForEcho(); }));
        // Whatever happened, nothing went to the slot that now holds address 9.
        QCOMPARE(CommandsTo(*cs, slot), QStringList{});
        if (selectedAgain) {
            QVERIFY(w->Simple().Driving());
            const auto again = static_cast<std::uint8_t>(w->Simple().iSlot);
            QVERIFY(again != slot);
            QCOMPARE(w->windowTitle(), QStringLiteral("Upravljalnik 1234 – ponovno izbrana"));
            QVERIFY(Received(rig, *cs, {0xA0, again, 0}));
            QVERIFY(Received(rig, *cs, {0xA1, again, 0x30})); // backward, light on
            QCOMPARE(w->Simple().Speed(), 0);
            QCOMPARE(rig.Messages(), QString());
        } else {
            QVERIFY(!w->Simple().Driving());
            QCOMPARE(w->windowTitle(), QStringLiteral("Upravljalnik"));
            QCOMPARE(rig.Messages(),
                     QStringLiteral("Motorski naslov 1234 je medtem prevzel drug upravljalnik na "
                                    "vodilu, zato ni bil ponovno izbran. Upravljalnik ga ne "
                                    "upravlja več."));
            QCOMPARE(QString::fromStdString(cs->Command("slot 2")).contains(" in use"), true);
        }
    }

    // The four addresses are selected again; the train goes on from a standstill.
    void realisticThrottleUnderARestartedStation() {
        auto cs = std::make_unique<CsProcess>();
        const std::string name = cs->Start({"--tcp", "0"});
        AppRig rig(OnTcp(name));
        QVERIFY(rig.started && rig.Link().IsActive());
        CDlgRThrottle* w = rig.NewRealisticThrottle();
        w->Acquire(1, 2);
        QVERIFY(RunUntil(rig, [&] { return w->Realistic().Running(); }));
        const int slot = w->Realistic().iSlot;

        cs = Restart(rig, std::move(cs), name, {"throttle 9 acquire"});
        QVERIFY(cs);
        QVERIFY(RunUntil(rig, [&] { return w->Realistic().Reselected(); }));
        QVERIFY(w->Realistic().Running());
        QVERIFY(w->Realistic().iSlot != slot);
        QCOMPARE(w->windowTitle(), QStringLiteral("Upravljalnik 664 – ponovno izbrana"));
        QCOMPARE(w->Realistic().AddressOf(kWhichPower), 1);
        QCOMPARE(w->Realistic().AddressOf(kWhichBrake), 2);
        QVERIFY(RunUntil(rig, [&] { return rig.Link().Queue().Empty(); }));
        QCOMPARE(CommandsTo(*cs, slot), QStringList{});
        QCOMPARE(rig.Messages(), QString());
    }

    // A second realistic window cannot work the first one's hand-helds.
    void twoRealisticWindowsWithTheSameHandHelds() {
        AppRig rig;
        CDlgRThrottle* a = rig.NewRealisticThrottle();
        a->Acquire(1, 2);
        QVERIFY(RunUntil(rig, [&] { return a->Realistic().Running(); }));
        const int powerSlot = a->Realistic().iPowerSlot;
        CDlgRThrottle* b = rig.NewRealisticThrottle();
        b->Realistic().OnLocoChosen(2); // 732
        rig.received.clear();
        b->Acquire(1, 2);
        rig.Pump();
        QVERIFY(!b->Realistic().Acquired());
        QCOMPARE(rig.Messages(),
                 QStringLiteral("Naslov upravljalnika moči 1 že uporablja okno »Upravljalnik "
                                "664«. Izberite drug naslov ali tisto okno najprej sprostite."));
        for (const Bytes& m : rig.received)
            QVERIFY2(m[1] != powerSlot, qPrintable(QString::number(m[0], 16)));
        const int stat1 =
            rig.station->Slot(rig.station->FindSlot(732)).bytes[std::size_t(SimSlotByte::STAT1)];
        QCOMPARE(stat1 & SimStat1::kStateMask, SimStat1::kCommon); // given back
        QVERIFY(a->Realistic().Running());
        QCOMPARE(a->Realistic().iPowerSlot, powerSlot);
    }

    // At the end a driving simple throttle stops its locomotive before the release, and the
    // save question comes once the releases are on the bus.
    void exitStopsThenReleasesBeforeTheSaveQuestion() {
        AppRig rig;
        CDlgSThrottle* w = rig.NewThrottle();
        w->Acquire(3);
        rig.Pump();
        const auto slot = static_cast<std::uint8_t>(w->Simple().iSlot);
        DriveAtHalfSpeedWithTheLightOn(w);
        rig.Pump();
        rig.received.clear();
        rig.app->Data().RosterModified = true;
        std::vector<Bytes> atQuestion;
        // Answered whenever it opens, however long the close takes to get there.
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<CDlgSave*>(QApplication::activeModalWidget())) {
                answer.stop();
                atQuestion = rig.received;
                d->findChild<QPushButton*>(QStringLiteral("noButton"))->click();
            }
        });
        answer.start();
        QVERIFY(!rig.Frame().close());
        QVERIFY(QTest::qWaitFor([&] { return rig.Pump(), !rig.Frame().isVisible(); }, 10000));
        QCOMPARE(atQuestion, (std::vector<Bytes>{{0xA0, slot, 0}, {0xB5, slot, 0x13}}));
    }
};

QTEST_MAIN(TestThrottleOwnership)
#include "test_throttle_ownership.moc"
