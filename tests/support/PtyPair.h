#pragma once
// Both ends of a pseudo-terminal, raw: the test holds the master and plays the LocoNet
// interface there; the port under test opens the slave by its path.

#include "core/loconet/LbServerProtocol.h"

#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

struct PtyPair {
    int master = -1;
    int slave = -1;
    std::string path;

    PtyPair() {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        path = name;
        termios tio{};
        ::tcgetattr(master, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(master, TCSANOW, &tio);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        Hangup();
        if (slave >= 0)
            ::close(slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // Writes hex bytes ("A0 03 20 7C") from the master end.
    void Send(const std::string& hex) const {
        std::vector<std::uint8_t> b;
        ASSERT_TRUE(ParseHexBytes(hex, b)) << hex;
        ASSERT_EQ(::write(master, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    }
    // What arrives at the master end until `count` bytes came or the time is up, as hex.
    std::string Receive(std::size_t count, int timeoutMs = 5000) const {
        std::vector<std::uint8_t> got;
        (void)QTest::qWaitFor(
            [&] {
                std::uint8_t buf[64];
                for (ssize_t n = ::read(master, buf, sizeof buf); n > 0;
                     n = ::read(master, buf, sizeof buf))
                    got.insert(got.end(), buf, buf + n);
                return got.size() >= count;
            },
            timeoutMs);
        return FormatHexBytes(got);
    }
    // The interface goes away: the master end closes.
    void Hangup() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
};
