// Phones on the program itself, over real sockets: a phone and a window drive one
// locomotive and each sees what the other does, ten phones at once, and a phone as the power
// and brake hand-helds of a realistic throttle.

#include "core/throttles/RealisticThrottle.h"
#include "io/BusServer.h"
#include "support/AppRig.h"
#include "support/PhoneClient.h"

#include <QLabel>
#include <QLineEdit>

#include <cstdlib>
#include <memory>

namespace {

std::string Ini(int phonePort) {
    return "[LOCONET]\nCOM Port=sim\nWiThrottle Port=" + std::to_string(phonePort) +
           "\n[PREFERENCES]\nFirst Run=0\n";
}

int SlotByte(AppRig& rig, int address, int byte) {
    const int slot = rig.station->FindSlot(address);
    return slot < 0 ? -1 : rig.station->Slot(slot).bytes[static_cast<std::size_t>(byte)];
}

// The fake clock moves on by `ms` with a processing step every 10 ms; the sockets are served.
void Run(AppRig& rig, int ms) {
    for (int t = 0; t < ms; t += 10) {
        rig.clock.Advance(10);
        rig.Link().Process();
        if (t % 100 == 0)
            QCoreApplication::processEvents();
    }
    rig.Pump();
}

} // namespace

class TestPhones : public QObject {
    Q_OBJECT
private slots:
    void aPhoneAndAWindowDriveOneLocomotive() {
        const int port = FreeTcpPort();
        AppRig rig(AppRig::Ini{Ini(port)});
        QVERIFY(rig.started && rig.app->PhoneListener().IsListening());
        auto* phones = rig.Frame().findChild<QLabel*>(QStringLiteral("phoneClientsLabel"));
        QCOMPARE(phones->text(), QStringLiteral("Telefoni: 0"));
        CDlgSThrottle* w = rig.NewThrottle();
        w->Acquire(3);
        QVERIFY(RunUntil([w] { return w->Simple().Driving(); }));

        PhoneClient phone;
        QVERIFY(phone.Start(port, "Jurin telefon"));
        QVERIFY(RunUntil([&] { return phones->text() == QStringLiteral("Telefoni: 1"); }));
        QCOMPARE(phone.Acquire(3), "M0+S3<;>");
        QCOMPARE(phone.Told(3, "V"), "V0");

        // The phone drives: the locomotive and the window follow.
        phone.Drive(3, "V64");
        QVERIFY(RunUntil([&] { return SlotByte(rig, 3, SimSlotByte::SPD) == 65; }));
        QVERIFY(RunUntil([&] { return w->Simple().Speed() == CLoconet::SpeedToPercent(65); }));
        phone.Drive(3, "R0");
        QVERIFY(RunUntil([&] { return !w->Simple().Forward(); }));

        // The window drives: the phone's slider follows.
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("speedEdit"));
        edit->setFocus();
        edit->setText(QStringLiteral("20"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(phone.Told(3, "V"), "V" + std::to_string(CLoconet::PercentToSpeed(20) - 1));

        // The window lets the locomotive go: the phone still drives it, in the slot that
        // stays in use until the phone lets it go too.
        w->Simple().OnSetRelease();
        phone.Drive(3, "V10");
        QVERIFY(RunUntil([&] { return SlotByte(rig, 3, SimSlotByte::SPD) == 11; }));
        const auto inUse = [&] {
            return (SlotByte(rig, 3, SimSlotByte::STAT1) & slotbits::kStat1StateMask) ==
                   slotbits::kStat1InUse;
        };
        QVERIFY(inUse());
        phone.Send("M0-S3<;>r");
        QVERIFY(!phone.WaitFor("M0-S3<;>").empty());
        QVERIFY(RunUntil([&] { return !inUse(); }));
        QCOMPARE(rig.Messages(), QString());
    }

    void tenPhonesAtOnce() {
        const int port = FreeTcpPort();
        AppRig rig(AppRig::Ini{Ini(port)});
        QVERIFY(rig.started);
        std::vector<std::unique_ptr<PhoneClient>> phones;
        for (int i = 0; i < 10; ++i) {
            phones.push_back(std::make_unique<PhoneClient>());
            QVERIFY(phones.back()->Start(port, "telefon " + std::to_string(i)));
        }
        // All ask at the same moment; the link selects one address after the other.
        for (int i = 0; i < 10; ++i)
            phones[static_cast<std::size_t>(i)]->Send("M0+S" + std::to_string(10 + i) + "<;>S" +
                                                      std::to_string(10 + i));
        for (int i = 0; i < 10; ++i) {
            PhoneClient& p = *phones[static_cast<std::size_t>(i)];
            QCOMPARE(p.WaitForAny({"M0+", "HM"}, 20000), "M0+S" + std::to_string(10 + i) + "<;>");
            p.Drive(10 + i, "V" + std::to_string(20 + i));
        }
        for (int i = 0; i < 10; ++i)
            QVERIFY(RunUntil([&] { return SlotByte(rig, 10 + i, SimSlotByte::SPD) == 21 + i; }));
        auto* label = rig.Frame().findChild<QLabel*>(QStringLiteral("phoneClientsLabel"));
        QCOMPARE(label->text(), QStringLiteral("Telefoni: 10"));

        // A second phone on an address another phone holds shares it; a window does not.
        QCOMPARE(phones[0]->Acquire(11), "M0+S11<;>");
        CDlgSThrottle* w = rig.NewThrottle();
        w->Acquire(12);
        QVERIFY(RunUntil([&] { return !rig.prompts.texts.empty(); }));
        QCOMPARE(rig.Messages(), QStringLiteral("Motorski naslov 12 že uporablja okno »Telefon "
                                                "telefon 2«. Izberite drug naslov ali tisto okno "
                                                "najprej sprostite."));
        phones.clear();
        QVERIFY(RunUntil([&] { return label->text() == QStringLiteral("Telefoni: 0"); }));
        // Gone without a word: their locomotives stop and go back to the command station.
        QVERIFY(RunUntil([&] { return SlotByte(rig, 15, SimSlotByte::SPD) <= 1; }));
    }

    void aSeventhThrottleOnAPhoneIsRefusedAndAWindowStillOpens() {
        const int port = FreeTcpPort();
        AppRig rig(AppRig::Ini{Ini(port)});
        QVERIFY(rig.started);
        PhoneClient phone;
        QVERIFY(phone.Start(port, "Polna roka"));
        const auto ask = [&phone](int k) {
            const std::string key = "S" + std::to_string(20 + k);
            phone.Send("M" + std::to_string(k) + "+" + key + "<;>" + key);
            return phone.WaitForAny({"M" + std::to_string(k) + "+", "HM"}, 20000);
        };
        for (int k = 0; k < 6; ++k)
            QCOMPARE(ask(k), "M" + std::to_string(k) + "+S" + std::to_string(20 + k) + "<;>");
        QCOMPARE(ask(6), "HMTelefon ima lahko največ 6 upravljalnikov; tega ni odprl.");
        CDlgSThrottle* w = rig.NewThrottle();
        QVERIFY(w);
        w->Acquire(3);
        QVERIFY(RunUntil([w] { return w->Simple().Driving(); }));
        QCOMPARE(rig.Messages(), QString());
    }

    void aPhoneIsThePowerAndBrakeHandHeldsOfARealisticTrain() {
        const int port = FreeTcpPort();
        AppRig rig(AppRig::Ini{Ini(port)});
        QVERIFY(rig.started);
        CDlgRThrottle* w = rig.NewRealisticThrottle();
        QVERIFY(w);
        w->Acquire(1, 2);
        Run(rig, 200);
        QCOMPARE(SlotByte(rig, 664, SimSlotByte::STAT1) & SimStat1::kStateMask, SimStat1::kInUse);

        PhoneClient phone;
        QVERIFY(phone.Start(port, "Strojevodja"));
        // The fake clock runs ahead of the phone's heartbeats, whose silence would stop the
        // train (as it should).
        phone.Send("*-");
        QCOMPARE(phone.Acquire(1), "M0+S1<;>");
        QCOMPARE(phone.Acquire(2), "M0+S2<;>");
        const RealisticThrottle& train = w->Realistic();
        // F1 on the power throttle starts the engine, as on a hand-held.
        phone.Drive(1, "F11");
        phone.Drive(1, "F01");
        QVERIFY(RunUntil([&] {
            Run(rig, 10);
            return SlotByte(rig, 1, SimSlotByte::DIRF) & 0x01;
        }));
        // The phone lights its key from what it is told.
        QCOMPARE(phone.Told(1, "F1"), "F11");
        Run(rig, 500);
        // The brake released fully, the power handle to notch 5.
        const auto sent = [&rig](int address, int speed) {
            return RunUntil([&] {
                Run(rig, 10);
                const Bytes wanted{0xA0, static_cast<std::uint8_t>(rig.station->FindSlot(address)),
                                   static_cast<std::uint8_t>(speed)};
                const std::vector<Bytes> speeds = rig.Take(0xA0);
                return std::find(speeds.begin(), speeds.end(), wanted) != speeds.end();
            });
        };
        rig.received.clear();
        phone.Drive(2, "V126");
        QVERIFY(sent(2, 127));
        phone.Drive(1, "V6");
        QVERIFY(sent(1, 7));
        Run(rig, 20000);
        const TrainModel& model = train.Model();
        QVERIFY(model.iSpeedStep > 70);
        // The locomotive's speed follows the model's.
        QVERIFY(std::abs(SlotByte(rig, 664, SimSlotByte::SPD) - (model.iSpeedStep + 1)) <= 2);

        // Between two notches the power handle snaps to one, and the phone's slider with it.
        phone.Drive(1, "V4");
        const std::string echoed = phone.Told(1, "V");
        QVERIFY(!echoed.empty() && echoed != "V4");
        // The hand-held's slot on the bus comes to the same notch.
        QVERIFY(RunUntil([&] {
            Run(rig, 10);
            return echoed == "V" + std::to_string(SlotByte(rig, 1, SimSlotByte::SPD) - 1);
        }));

        // The phone's emergency stop on the brake throttle stops the train.
        phone.Drive(2, "X");
        QVERIFY(RunUntil(
            [&] {
                Run(rig, 100);
                return SlotByte(rig, 664, SimSlotByte::SPD) <= 1;
            },
            30000));
        QCOMPARE(rig.Messages(), QString());
    }
};

QTEST_MAIN(TestPhones)
#include "test_phones.moc"
