// The bus shared over TCP, on real sockets on this machine: a second program drives through
// the first, and the server serves whatever the first program's link runs on.

#include "io/BusServer.h"
#include "support/AppRig.h"
#include "support/CsProcess.h"
#include "support/LbClient.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

std::string Ini(const std::string& port, int sharePort, const std::string& more = "") {
    return "[LOCONET]\nCOM Port=" + port + "\nShare Port=" + std::to_string(sharePort) + "\n" +
           more + "[PREFERENCES]\nFirst Run=0\n";
}

// Types the speed into the throttle and presses Enter, as the operator would.
void SetSpeed(CDlgSThrottle* w, int percent) {
    auto* edit = w->findChild<QLineEdit*>(QStringLiteral("speedEdit"));
    edit->setFocus();
    edit->setText(QString::number(percent));
    QTest::keyClick(edit, Qt::Key_Return);
}

CDlgSThrottle* Acquired(AppRig& rig, int address) {
    CDlgSThrottle* w = rig.NewThrottle();
    w->Acquire(address);
    return RunUntil([w] { return w->Simple().Driving(); }) ? w : nullptr;
}

} // namespace

class TestShareBus : public QObject {
    Q_OBJECT
private slots:
    void aSecondProgramDrivesThroughTheFirst() {
        const int port = FreeTcpPort();
        AppRig a(AppRig::Ini{Ini("sim", port)});
        QVERIFY(a.started && a.app->Server().IsListening());
        auto* clients = a.Frame().findChild<QLabel*>(QStringLiteral("busClientsLabel"));
        QCOMPARE(clients->text(), QStringLiteral("Odjemalci na vodilu: 0"));
        AppRig b(AppRig::Ini{Ini("tcp://127.0.0.1:" + std::to_string(port), 0)});
        QVERIFY(b.started && b.Link().IsActive());
        QVERIFY(
            RunUntil([&] { return clients->text() == QStringLiteral("Odjemalci na vodilu: 1"); }));

        // Each drives a locomotive of its own and sees the other's slot.
        CDlgSThrottle* a4 = Acquired(a, 4);
        CDlgSThrottle* b3 = Acquired(b, 3);
        QVERIFY(a4 && b3);
        const int slot4 = a4->Simple().iSlot, slot3 = b3->Simple().iSlot;
        QVERIFY(RunUntil([&] { return a.Link().GetSlotLocoAddress(slot3) == 3; }));
        QCOMPARE(b.Link().GetSlotLocoAddress(slot4), 4);
        SetSpeed(a4, 40);
        SetSpeed(b3, 70);
        QVERIFY(RunUntil([&] { return a.station->Slot(slot3).bytes[SimSlotByte::SPD] == 90; }));
        QVERIFY(RunUntil([&] { return a.station->Slot(slot4).bytes[SimSlotByte::SPD] == 52; }));

        // The second program takes address 4 as well: each throttle follows the other's
        // speed changes.
        CDlgSThrottle* b4 = Acquired(b, 4);
        QVERIFY(b4);
        QCOMPARE(b.Messages(), QStringLiteral("Naslov je že v uporabi, možne so motnje v "
                                              "delovanju!"));
        QCOMPARE(b4->Simple().Speed(), 40);
        SetSpeed(b4, 60);
        QVERIFY(RunUntil([&] { return a4->Simple().Speed() == 60; }));
        SetSpeed(a4, 20);
        QVERIFY(RunUntil([&] { return b4->Simple().Speed() == 20; }));
        QCOMPARE(b3->Simple().Speed(), 70);
        QCOMPARE(a.Messages(), QString());
    }

    void sixtyFourClientsOnBothFamiliesAndABurstFromOne() {
        const int port = FreeTcpPort();
        AppRig rig(AppRig::Ini{Ini("sim", port, "Share Max Clients=64\n")});
        QVERIFY(rig.started && rig.app->Server().IsListening());
        std::vector<std::unique_ptr<LbClient>> clients;
        for (int i = 0; i < 64; ++i) {
            clients.push_back(std::make_unique<LbClient>());
            // Every other one over IPv6: the bus is served on ::1 as well.
            QVERIFY(clients.back()->Connect(
                port, 5000, i % 2 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost));
            QCOMPARE(clients.back()->WaitFor("VERSION"), "VERSION Vlakomat " VLAKOMAT_VERSION);
        }
        LbClient extra;
        QVERIFY(extra.Connect(port));
        QCOMPARE(extra.WaitFor("VERSION"),
                 "VERSION Vlakomat " VLAKOMAT_VERSION ": 64 clients connected, no room for more");
        QVERIFY(extra.WaitForClose());

        // A burst of slot reads from one client: every one on the bus, every one taken.
        std::string burst;
        for (int i = 0; i < 120; ++i)
            burst += "SEND BB 01 00 45\r\n";
        clients[1]->Send(burst.substr(0, burst.size() - 2));
        const auto count = [](LbClient& c, const std::string& line) {
            const auto& lines = c.Lines();
            return std::count(lines.begin(), lines.end(), line);
        };
        QVERIFY(RunUntil([&] { return count(*clients[1], "SENT OK") == 120; }, 20000));
        QCOMPARE(count(*clients[1], "RECEIVE BB 01 00 45"), 120);
        QVERIFY(RunUntil([&] { return count(*clients[63], "RECEIVE BB 01 00 45") == 120; }));
        QCOMPARE(count(*clients[1], "SENT ERROR queue full"), 0);
    }

    void servesWhateverTheLinkRunsOn_data() {
        QTest::addColumn<QString>("link");
        QTest::newRow("sim") << "sim";
        QTest::newRow("serial interface") << "pty";
        QTest::newRow("LocoNet over TCP") << "tcp";
    }

    void servesWhateverTheLinkRunsOn() {
        QFETCH(QString, link);
        // The station on a pseudo-terminal or as a LocoNet-over-TCP server of its own.
        CsProcess cs;
        std::string linkPort = "sim";
        if (link != "sim") {
            linkPort = cs.Start(link == "tcp" ? QStringList{"--tcp", "0"} : QStringList{});
            QVERIFY(!linkPort.empty());
        }
        const int port = FreeTcpPort();
        AppRig rig(AppRig::Ini{Ini(linkPort, port)});
        QVERIFY(rig.started && rig.Link().IsActive());
        LbClient client;
        QVERIFY(client.Connect(port));
        QCOMPARE(client.WaitFor("VERSION"), "VERSION Vlakomat " VLAKOMAT_VERSION);

        client.Send("SEND BF 00 03 43");
        QVERIFY(!client.WaitFor("RECEIVE BF 00 03 43").empty());
        QCOMPARE(client.WaitFor("SENT"), "SENT OK");
        const std::string slotData = client.WaitFor("RECEIVE E7 0E ");
        QVERIFY(!slotData.empty());
        // The program's own messages reach the client as well.
        QVERIFY(Acquired(rig, 5));
        QVERIFY(!client.WaitFor("RECEIVE BF 00 05 45").empty());
        QCOMPARE(rig.Messages(), QString());
    }

    // A modal dialog stays open for some 3 s while a station on a pseudo-terminal floods the bus
    // with 400 messages a second and five clients send through the program: every message
    // reaches the monitor in order, and every client's SEND is answered at once.
    void theBusRunsUnderAModalDialog() {
        CsProcess cs;
        const std::string pty = cs.Start({});
        QVERIFY(!pty.empty());
        const int port = FreeTcpPort();
        AppRig rig(AppRig::Ini{"[LOCONET]\nCOM Port=" + pty + "\nDebug Mode=1\nShare Port=" +
                               std::to_string(port) + "\n[PREFERENCES]\nFirst Run=0\n"});
        QVERIFY(rig.started && rig.Link().IsActive());
        std::vector<int> sensors; // the flood's sensor numbers, counting up one by one
        rig.Link().SetMonitorSink([&](const std::string& line) {
            unsigned in1 = 0, in2 = 0;
            if (std::sscanf(line.c_str(), "Rec: B2 %x %x", &in1, &in2) == 2)
                sensors.push_back(
                    static_cast<int>((in1 | (in2 & 0x0F) << 7) << 1 | (in2 >> 5 & 1)));
        });
        std::vector<std::unique_ptr<LbClient>> clients;
        for (int i = 0; i < 5; ++i) {
            clients.push_back(std::make_unique<LbClient>());
            QVERIFY(clients.back()->Connect(port));
        }
        QCOMPARE(cs.Command("flood 400").substr(0, 2), std::string("OK"));

        qint64 slowest = 0;
        int answered = 0;
        QDialog box;
        QTimer::singleShot(0, &box, [&] {
            // Until the bus has carried some 3 s of the flood and the clients many sends.
            QElapsedTimer open;
            open.start();
            while ((answered < 100 || sensors.size() < 250) && open.elapsed() < 60000) {
                for (auto& client : clients) {
                    QElapsedTimer sent;
                    sent.start();
                    client->Send("SEND BF 00 03 43");
                    if (client->WaitFor("SENT", 1000) == "SENT OK")
                        ++answered;
                    slowest = std::max(slowest, sent.elapsed());
                }
            }
            box.accept();
        });
        box.exec();
        QCOMPARE(cs.Command("flood 0").substr(0, 2), std::string("OK"));
        RunUntil([] { return false; }, 300);

        QVERIFY2(slowest < 100, qPrintable(QString::number(slowest)));
        QVERIFY(answered >= 100);
        for (auto& client : clients)
            for (const std::string& line : client->Lines())
                QVERIFY2(line.rfind("SENT", 0) != 0 || line == "SENT OK", line.c_str());
        QVERIFY(sensors.size() >= 250); // 80 a second
        for (std::size_t i = 1; i < sensors.size(); ++i)
            QVERIFY2(sensors[i] == (sensors[i - 1] + 1) % 4096,
                     qPrintable(QString("%1 after %2").arg(sensors[i]).arg(sensors[i - 1])));
    }
};

QTEST_MAIN(TestShareBus)
#include "test_share_bus.moc"
