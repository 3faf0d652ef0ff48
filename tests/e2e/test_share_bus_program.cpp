// The program itself serving its bus: started in a temporary folder on the simulated station,
// a second program started as its client, raw LbServer clients up to the limit and past it,
// and a client that sends a corrupt message.

#include "support/LbClient.h"
#include "support/ProgramProcess.h"
#include "support/TempDir.h"

#include <memory>

class TestShareBusProgram : public QObject {
    Q_OBJECT
private slots:
    void servesClientsUpToTheLimitAndAnswersEachSend() {
        const int port = FreeTcpPort();
        Program server("COM Port=sim\nShare Port=" + std::to_string(port) + "\n");
        std::unique_ptr<LbClient> watcher = ConnectWhenUp(port);
        QVERIFY(watcher);
        QCOMPARE(watcher->WaitFor("VERSION"), "VERSION Vlakomat " VLAKOMAT_VERSION);

        // A second program drives addresses 3 and 4 through the first; the command line's
        // throttles take their locomotives one after the other.
        Program second("COM Port=tcp://127.0.0.1:" + std::to_string(port) + "\n",
                       {"--throttle", "3", "--throttle", "4"});
        QVERIFY(!watcher->WaitFor("RECEIVE BF 00 03 43", 30000).empty());
        const std::string nullMove = watcher->WaitFor("RECEIVE BA ");
        QVERIFY(!nullMove.empty());
        QCOMPARE(nullMove.substr(11, 2), nullMove.substr(14, 2)); // the slot moved onto itself
        QVERIFY(!watcher->WaitFor("RECEIVE BF 00 04 44", 30000).empty());
        const std::string secondMove = watcher->WaitFor("RECEIVE BA ");
        QVERIFY(!secondMove.empty());
        QVERIFY(secondMove != nullMove);

        // Sixteen clients in all: the 17th is told why and let go.
        std::vector<std::unique_ptr<LbClient>> clients;
        for (int i = 2; i < 16; ++i) {
            clients.push_back(std::make_unique<LbClient>());
            QVERIFY(clients.back()->Connect(port));
            QVERIFY(!clients.back()->WaitFor("VERSION").empty());
        }
        LbClient refused;
        QVERIFY(refused.Connect(port));
        QCOMPARE(refused.WaitFor("VERSION"),
                 "VERSION Vlakomat " VLAKOMAT_VERSION ": 16 clients connected, no room for more");
        QVERIFY(refused.WaitForClose());

        // A corrupt message is refused and the bus goes on.
        LbClient& sender = *clients.front();
        sender.Send("SEND A0 03 20 7D");
        QCOMPARE(sender.WaitFor("SENT"), "SENT ERROR bad checksum");
        sender.Send("SEND B2 05 50 18");
        QCOMPARE(sender.WaitFor("SENT"), "SENT OK");
        QVERIFY(!clients.back()->WaitFor("RECEIVE B2 05 50 18").empty());
        QVERIFY(!watcher->WaitFor("RECEIVE B2 05 50 18").empty());

        // A client that goes makes room for the next, once the server has heard of it.
        clients.pop_back();
        std::string greeting;
        for (int attempt = 0; attempt < 20; ++attempt) {
            LbClient next;
            QVERIFY(next.Connect(port));
            greeting = next.WaitFor("VERSION");
            if (greeting.find("no room") == std::string::npos)
                break;
        }
        QCOMPARE(greeting, "VERSION Vlakomat " VLAKOMAT_VERSION);

        QVERIFY(second.Terminate());
        QVERIFY(server.Terminate());
    }
};

QTEST_GUILESS_MAIN(TestShareBusProgram)
#include "test_share_bus_program.moc"
