// The Qt serial device port on pseudo-terminals: its line settings, reading and writing, and
// a whole exchange with vlakomat-cs.

#include "io/SerialDevicePort.h"
#include "support/CsProcess.h"
#include "support/PtyPair.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace {

TEST(SerialDevicePort, OpenFailureNamesThePort) {
    SerialDevicePort port;
    EXPECT_EQ(port.Open("/dev/vlakomat-no-such-port"),
              "Napaka! Comm porta /dev/vlakomat-no-such-port ni mogoče odpreti! Izbranega porta "
              "ni v računalniku ali pa ga uporablja drug program");
    EXPECT_FALSE(port.IsOpen());
    std::uint8_t b[4];
    EXPECT_EQ(port.Read(b, 4), 0u);
    EXPECT_EQ(port.Write(b, 4), 0u);
}

TEST(SerialDevicePort, OpensAPseudoTerminalRawEightNOne) {
    PtyPair pty;
    ASSERT_FALSE(pty.path.empty());
    // Bytes that were waiting before the link opened are not the link's.
    pty.Send("B2 05 50 18");
    QTest::qWait(50);

    SerialDevicePort port;
    int readyReads = 0;
    port.SetReadyReadHandler([&] { ++readyReads; });
    ASSERT_EQ(port.Open(pty.path), "");

    termios tio{};
    ASSERT_EQ(::tcgetattr(pty.slave, &tio), 0);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);

    pty.Send("A0 03 20 7C");
    EXPECT_EQ(ReadFromPort(port, 4), "A0 03 20 7C");
    EXPECT_GE(readyReads, 1);

    EXPECT_EQ(WriteHex(port, "BF 09 52 1B"), 4u);
    EXPECT_EQ(pty.Receive(4), "BF 09 52 1B");

    pty.Send("81 7E");
    EXPECT_TRUE(QTest::qWaitFor([&] { return readyReads >= 2; }, 3000));
    port.DiscardInput();
    std::uint8_t b[8];
    EXPECT_EQ(port.Read(b, sizeof b), 0u);

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Write(b, 2), 0u);
}

TEST(SerialDevicePort, TalksToTheSimulatedStationOnAPseudoTerminal) {
    CsProcess cs;
    const std::string path = cs.Start({});
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;

    SerialDevicePort port;
    ASSERT_EQ(port.Open(path), "");
    EXPECT_EQ(WriteHex(port, "BF 09 52 1B"), 4u);
    EXPECT_EQ(ReadFromPort(port, 18), "BF 09 52 1B E7 0E 01 13 52 00 00 07 00 09 00 00 00 58");
    EXPECT_TRUE(cs.WaitForLine("RX BF 09 52 1B"));
    EXPECT_TRUE(cs.WaitForLine("TX E7 0E 01 13 52 00 00 07 00 09 00 00 00 58"));

    // Null move and a hand-held throttle on another address, as bus traffic.
    EXPECT_EQ(WriteHex(port, "BA 01 01 45"), 4u);
    EXPECT_EQ(ReadFromPort(port, 18), "BA 01 01 45 E7 0E 01 33 52 00 00 07 00 09 00 00 00 78");
    // The hand-held throttle first takes the address the program holds, then turns its knob.
    EXPECT_EQ(cs.Command("throttle 1234 speed 50"), "OK");
    EXPECT_EQ(ReadFromPort(port, 40), "BF 09 52 1B E7 0E 01 33 52 00 00 07 00 09 00 00 00 78 "
                                      "BA 01 01 45 E7 0E 01 33 52 00 00 07 00 09 00 00 00 78 "
                                      "A0 01 32 6C");
    EXPECT_EQ(cs.Command("throttle 1234 f 1 on"), "OK");
    EXPECT_EQ(ReadFromPort(port, 4), "A1 01 01 5E");
}

TEST(SerialDevicePort, ReportsALostTerminalOnce) {
    auto cs = std::make_unique<CsProcess>();
    const std::string path = cs->Start({});
    ASSERT_FALSE(path.empty());
    SerialDevicePort port;
    std::vector<std::string> lost;
    port.SetLostHandler([&](const std::string& text) { lost.push_back(text); });
    ASSERT_EQ(port.Open(path), "");
    cs->Kill();
    std::uint8_t b[8];
    (void)QTest::qWaitFor([&] { return port.Read(b, sizeof b), !lost.empty(); }, 3000);
    QTest::qWait(100);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0], "Error! Port " + path + " lost!");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Read(b, sizeof b), 0u);
}

// The descriptor through which the port under test holds the terminal at `path`.
int PortDescriptor(const std::string& path, int besides) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const int fd = std::stoi(entry.path().filename().string());
        if (fd != besides && std::filesystem::read_symlink(entry.path(), ec).string() == path)
            return fd;
    }
    return -1;
}

// A write that fails is the port's loss, told once, as a read that fails is: the write
// says it wrote nothing, and the port is closed.
TEST(SerialDevicePort, AFailedWriteIsTheLossOfThePort) {
    struct Case {
        const char* what;
        std::function<void(PtyPair&)> spoil;
    };
    const Case cases[] = {
        {"the interface hangs up", [](PtyPair& pty) { pty.Hangup(); }},
        {"the device refuses the bytes",
         [](PtyPair& pty) {
             // /dev/full takes the terminal's place: every write fails with "no space".
             const int full = ::open("/dev/full", O_WRONLY);
             ASSERT_GE(full, 0);
             ASSERT_GE(::dup2(full, PortDescriptor(pty.path, pty.slave)), 0);
             ::close(full);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PtyPair pty;
        SerialDevicePort port;
        std::vector<std::string> lost;
        port.SetLostHandler([&](const std::string& text) { lost.push_back(text); });
        ASSERT_EQ(port.Open(pty.path), "");
        EXPECT_EQ(WriteHex(port, "A0 03 20 7C"), 4u);
        EXPECT_EQ(pty.Receive(4), "A0 03 20 7C");
        c.spoil(pty);

        EXPECT_EQ(WriteHex(port, "A0 03 00 5C"), 0u);
        ASSERT_EQ(lost.size(), 1u);
        EXPECT_EQ(lost[0], "Error! Port " + pty.path + " lost!");
        EXPECT_FALSE(port.IsOpen());
        QTest::qWait(50);
        EXPECT_EQ(WriteHex(port, "A0 03 00 5C"), 0u);
        std::uint8_t b[8];
        EXPECT_EQ(port.Read(b, sizeof b), 0u);
        EXPECT_EQ(lost.size(), 1u);
    }
}

// An interface that takes its bytes late (a full output buffer) is still there: what was
// written goes out once it reads again.
TEST(SerialDevicePort, AFullOutputBufferIsNoLoss) {
    PtyPair pty;
    SerialDevicePort port;
    bool lost = false;
    port.SetLostHandler([&](const std::string&) { lost = true; });
    ASSERT_EQ(port.Open(pty.path), "");
    constexpr std::size_t kMessages = 8000; // 32,000 bytes: more than a terminal buffers
    for (std::size_t i = 0; i < kMessages; ++i)
        ASSERT_EQ(WriteHex(port, "A0 03 20 7C"), 4u) << i;
    EXPECT_FALSE(lost);
    const std::string got = pty.Receive(4 * kMessages);
    EXPECT_EQ(got.size(), 12 * kMessages - 1);
    EXPECT_EQ(got.substr(got.size() - 11), "A0 03 20 7C");
    EXPECT_FALSE(lost);
    EXPECT_TRUE(port.IsOpen());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
