// The program itself serving phones: on the simulated station with its simple throttle on
// the phone's locomotive, and over LocoNet over TCP to vlakomat-cs. What reaches the bus is
// watched through the shared bus, or through the station's own server.

#include "support/CsProcess.h"
#include "support/PhoneClient.h"
#include "support/ProgramProcess.h"

#include <memory>

class TestPhoneProgram : public QObject {
    Q_OBJECT
private slots:
    void aPhoneDrivesBesideTheProgramsThrottle() {
        const int phonePort = FreeTcpPort();
        const int sharePort = FreeTcpPort();
        Program program("COM Port=sim\nShare Port=" + std::to_string(sharePort) +
                            "\nWiThrottle Port=" + std::to_string(phonePort) + "\n",
                        {"--throttle", "3"});
        std::unique_ptr<LbClient> bus = ConnectWhenUp(sharePort);
        QVERIFY(bus);
        std::unique_ptr<PhoneClient> phone = ConnectWhenUp<PhoneClient>(phonePort);
        QVERIFY(phone && phone->Greet("Jurin telefon"));
        // The window selected address 3 at the start: the phone shares its slot.
        QCOMPARE(phone->Acquire(3), "M0+S3<;>");
        phone->Drive(3, "V50");
        const std::string speed = bus->WaitFor("RECEIVE A0 ");
        QCOMPARE(speed.substr(0, 11) + speed.substr(14, 2), "RECEIVE A0 33");
        // Power off from the phone; every phone hears it from the bus.
        phone->Send("PPA0");
        QVERIFY(!bus->WaitFor("RECEIVE 82").empty());
        QCOMPARE(phone->WaitFor("PPA"), "PPA0");
        QVERIFY(program.Terminate());
    }

    void aPhoneIsToldItsFunctionsAndDispatchesToAHandHeld() {
        const int phonePort = FreeTcpPort();
        const int sharePort = FreeTcpPort();
        Program program("COM Port=sim\nShare Port=" + std::to_string(sharePort) +
                        "\nWiThrottle Port=" + std::to_string(phonePort) + "\n");
        std::unique_ptr<LbClient> bus = ConnectWhenUp(sharePort);
        QVERIFY(bus);
        std::unique_ptr<PhoneClient> phone = ConnectWhenUp<PhoneClient>(phonePort);
        QVERIFY(phone && phone->Greet("Jurin telefon"));
        QCOMPARE(phone->Acquire(3), "M0+S3<;>");
        QVERIFY(!phone->WaitFor("M0AS3<;>s1").empty()); // the end of what it is told at first
        // Presses and releases; the light latches, the horn (F2) does not.
        struct Key {
            const char* sent;
            const char* told; // "": nothing
        };
        for (const Key& k :
             {Key{"F10", "F10"}, Key{"F00", ""}, Key{"F12", "F12"}, Key{"F02", "F02"},
              Key{"F110", "F110"}, Key{"F010", ""}, Key{"F10", "F00"}}) {
            phone->Drive(3, k.sent);
            if (*k.told != '\0')
                QCOMPARE(phone->Told(3, "F"), std::string(k.told));
        }
        // Dispatched, the locomotive waits in slot 0 for a hand-held, which gets it stopped.
        phone->Drive(3, "V50");
        phone->Send("M0-S3<;>d");
        QVERIFY(!phone->WaitFor("M0-S3<;>").empty());
        // After the selection's null move (BA s s), the move to slot 0.
        std::string put = bus->WaitFor("RECEIVE BA ");
        while (!put.empty() && put.substr(14, 2) != "00")
            put = bus->WaitFor("RECEIVE BA ");
        QVERIFY(!put.empty());
        bus->Send("SEND BA 00 00 45");
        const std::string got = bus->WaitFor("RECEIVE E7 0E ");
        QCOMPARE(got.substr(14, 2), put.substr(11, 2));     // the dispatched slot
        QCOMPARE(got.substr(20, 6), std::string("03 00 ")); // address 3, stopped
        QVERIFY(program.Terminate());
    }

    void aPhoneDrivesOverLocoNetOverTcp() {
        CsProcess cs;
        const std::string station = cs.Start({"--tcp", "0"});
        QVERIFY(station.rfind("tcp://127.0.0.1:", 0) == 0);
        const int phonePort = FreeTcpPort();
        Program program("COM Port=" + station + "\nWiThrottle Port=" + std::to_string(phonePort) +
                        "\n");
        std::unique_ptr<PhoneClient> phone = ConnectWhenUp<PhoneClient>(phonePort);
        QVERIFY(phone && phone->Greet("Strojevodja"));
        LbClient bus;
        QVERIFY(bus.Connect(std::stoi(station.substr(station.rfind(':') + 1))));
        QCOMPARE(phone->Acquire(3, 30000), "M0+S3<;>");
        QVERIFY(!phone->WaitFor("M0AS3<;>s1").empty());
        phone->Drive(3, "F110");
        QCOMPARE(phone->Told(3, "F"), std::string("F110"));
        phone->Drive(3, "V100");
        const std::string speed = bus.WaitFor("RECEIVE A0 ");
        QCOMPARE(speed.substr(0, 11) + speed.substr(14, 2), "RECEIVE A0 65");
        // The phone quits: its locomotive goes back to the command station.
        phone->Send("Q");
        QVERIFY(!bus.WaitFor("RECEIVE B5 ").empty());
        QVERIFY(program.Terminate());
    }
};

QTEST_GUILESS_MAIN(TestPhoneProgram)
#include "test_phone_program.moc"
