// The "sim" port as the program gets it from the port factory, on the system clock.

#include "core/sim/SimPort.h"
#include "core/util/SystemClock.h"
#include "io/PortFactory.h"
#include "io/SerialDevicePort.h"
#include "io/TcpPort.h"
#include "support/CsProcess.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

SystemClock clock;

TEST(PortFactory, ChoosesTheImplementationByName) {
    EXPECT_NE(dynamic_cast<SimPort*>(CreatePort("sim", clock).get()), nullptr);
    EXPECT_NE(dynamic_cast<SimPort*>(CreatePort("SIM", clock).get()), nullptr);
    EXPECT_NE(dynamic_cast<TcpPort*>(CreatePort("tcp://127.0.0.1", clock).get()), nullptr);
    EXPECT_NE(dynamic_cast<SerialDevicePort*>(CreatePort("/dev/ttyUSB0", clock).get()), nullptr);
    EXPECT_NE(dynamic_cast<SerialDevicePort*>(CreatePort("COM3", clock).get()), nullptr);
    EXPECT_NE(dynamic_cast<SerialDevicePort*>(CreatePort("simulator", clock).get()), nullptr);
}

TEST(SimPortInProcess, AnswersAndDelaysOnTheSystemClock) {
    auto port = CreatePort("sim", clock);
    auto* sim = dynamic_cast<SimPort*>(port.get());
    ASSERT_NE(sim, nullptr);
    int readyReads = 0;
    port->SetReadyReadHandler([&] { ++readyReads; });
    ASSERT_EQ(port->Open("sim"), "");

    EXPECT_EQ(WriteHex(*port, "BF 09 52 1B"), 4u);
    EXPECT_EQ(readyReads, 0); // never from inside Write
    EXPECT_EQ(ReadFromPort(*port, 18), "BF 09 52 1B E7 0E 01 13 52 00 00 07 00 09 00 00 00 58");

    // With a delay the answer comes by itself after it, and the poll announces it.
    sim->Station().SetAnswerDelay(60);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] { sim->Poll(); });
    poll.start(5);
    EXPECT_EQ(WriteHex(*port, "BA 01 01 45"), 4u);
    std::uint8_t buf[32];
    ASSERT_EQ(port->Read(buf, sizeof buf), 4u); // the echo at once
    const int before = readyReads;
    EXPECT_TRUE(QTest::qWaitFor([&] { return readyReads > before; }, 3000));
    EXPECT_EQ(ReadFromPort(*port, 14), "E7 0E 01 33 52 00 00 07 00 09 00 00 00 78");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
