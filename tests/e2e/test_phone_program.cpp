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
