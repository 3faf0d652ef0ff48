// The program on a LocoNet-over-TCP server (vlakomat-cs --tcp) that is stopped and started
// again on the same port, with a simple throttle driving: the status bar and the throttles'
// titles say that the link is down, nothing is sent meanwhile, and once the link is back by
// itself the throttle shows what the command station holds and drives on.

#include "support/AppRig.h"
#include "support/CsProcess.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

namespace {

QLineEdit* Edit(QWidget* w, const char* name) {
    return w->findChild<QLineEdit*>(QString::fromLatin1(name));
}

// Types into an edit of the throttle and presses Enter (or the set/release button).
void Enter(CDlgSThrottle* w, const char* edit, int value, bool withButton = false) {
    Edit(w, edit)->setText(QString::number(value));
    if (withButton)
        w->findChild<QPushButton*>(QStringLiteral("setReleaseButton"))->click();
    else
        QTest::keyClick(Edit(w, edit), Qt::Key_Return);
}

// The station received the message (checksum added), with the link stepped meanwhile.
bool Received(AppRig& rig, CsProcess& cs, std::vector<std::uint8_t> bytes) {
    bytes.push_back(Checksum(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    const std::string line = "RX " + FormatHexBytes(bytes);
    return QTest::qWaitFor([&] { return rig.Pump(), cs.WaitForLine(line, 10); }, 10000);
}

} // namespace

class TestLinkRecovery : public QObject {
    Q_OBJECT
private slots:
    void serverRestartedOnTheSamePort() {
        auto cs = std::make_unique<CsProcess>();
        const std::string name = cs->Start({"--tcp", "0"});
        QVERIFY2(name.rfind("tcp://127.0.0.1:", 0) == 0, name.c_str());
        AppRig rig(AppRig::Ini{"[LOCONET]\nCOM Port=" + name + "\n[PREFERENCES]\nFirst Run=0\n"});
        QVERIFY(rig.started && rig.Link().IsActive());
        CDlgSThrottle* w = rig.NewThrottle();
        Enter(w, "addressEdit", 1234, true);
        QTRY_VERIFY_WITH_TIMEOUT((rig.Pump(), w->Simple().Driving()), 10000);
        const int slot = w->Simple().iSlot;
        Enter(w, "speedEdit", 50);
        QVERIFY(Received(rig, *cs, {0xA0, std::uint8_t(slot), 65}));

        cs->Kill();
        QTRY_VERIFY_WITH_TIMEOUT((rig.Pump(), rig.Link().IsPortDown()), 10000);
        auto* state = rig.Frame().findChild<QLabel*>(QStringLiteral("linkStateLabel"));
        QVERIFY(state && state->isVisible());
        QCOMPARE(state->text(),
                 QString::fromStdString(name + ": prekinjena, ponovno povezovanje ..."));
        QCOMPARE(w->windowTitle(), QStringLiteral("Upravljalnik 1234 – ni povezave"));
        CDlgRThrottle* realistic = rig.NewRealisticThrottle(); // opened while the link is down
        QCOMPARE(realistic->windowTitle(), QStringLiteral("Upravljalnik – ni povezave"));
        Enter(w, "speedEdit", 70); // not kept for later
        QVERIFY(rig.Link().Queue().Empty());
        QCOMPARE(rig.Messages(), QString());

        // The server comes back on its port; meanwhile a hand-held has taken the locomotive
        // to speed 20. The next attempt, 2 s on, gets through.
        CsProcess again;
        QCOMPARE(again.Start({"--tcp", QString::fromStdString(name.substr(name.rfind(':') + 1))}),
                 name);
        QCOMPARE(again.Command("throttle 1234 acquire"), std::string("OK slot 1"));
        QCOMPARE(again.Command("throttle 1234 speed 20"), std::string("OK"));
        rig.clock.Advance(CLoconet::kReopenIntervalMs);
        QTRY_VERIFY_WITH_TIMEOUT((rig.Pump(), w->Simple().Speed() == CLoconet::SpeedToPercent(20)),
                                 10000);
        QVERIFY(!rig.Link().IsPortDown());
        QVERIFY(Received(rig, again, {0xBB, std::uint8_t(slot), 0x00}));
        QCOMPARE(state->text(), QString::fromStdString(name));
        QCOMPARE(rig.Frame().statusBar()->currentMessage(),
                 QString::fromStdString("Povezava " + name +
                                        " je ponovno vzpostavljena; kretnice uskladite z "
                                        "Maketa > Sinhroniziraj"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Upravljalnik 1234"));
        QCOMPARE(realistic->windowTitle(), QStringLiteral("Upravljalnik"));
        QCOMPARE(Edit(w, "speedEdit")->text(), QString::number(CLoconet::SpeedToPercent(20)));
        QCOMPARE(w->Simple().iSlot, slot);

        Enter(w, "speedEdit", 30);
        QVERIFY(Received(rig, again, {0xA0, std::uint8_t(slot), 39}));
        QCOMPARE(rig.Messages(), QString());
    }
};

QTEST_MAIN(TestLinkRecovery)
#include "test_link_recovery.moc"
