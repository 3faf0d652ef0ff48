#pragma once
// A LocoNet-over-TCP (LbServer) client for tests: connects to a server on this machine,
// sends lines and waits for the server's lines, letting the event loop run meanwhile.

#include "core/loconet/LbServerProtocol.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

// Texts of the protocol in QCOMPARE's messages.
namespace QTest {
template <> inline char* toString(const std::string& text) {
    return qstrdup(text.c_str());
}
} // namespace QTest

// A port that nothing listens on at the moment.
inline int FreeTcpPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Runs the event loop until `done` or the time is up. It sleeps in the loop as the program
// does, so the heartbeat plans its steps as it would there.
template <class Done> bool RunUntil(Done done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class LbClient {
public:
    bool Connect(int port, int timeoutMs = 5000,
                 const QHostAddress& host = QHostAddress(QHostAddress::LocalHost)) {
        socket_.connectToHost(host, static_cast<quint16>(port));
        return socket_.waitForConnected(timeoutMs);
    }
    void Send(const std::string& line) {
        socket_.write((line + "\r\n").c_str());
        socket_.flush();
    }
    // Waits for a line that starts with `prefix`, after the one found last; returns it, or
    // "" when none came in time.
    std::string WaitFor(const std::string& prefix, int timeoutMs = 5000) {
        return WaitForAny({prefix}, timeoutMs);
    }
    // The same for a line that starts with any of the prefixes.
    std::string WaitForAny(const std::vector<std::string>& prefixes, int timeoutMs = 5000) {
        std::string found;
        (void)RunUntil(
            [&] {
                Collect();
                for (; next_ < lines_.size(); ++next_)
                    for (const std::string& prefix : prefixes)
                        if (lines_[next_].rfind(prefix, 0) == 0) {
                            found = lines_[next_++];
                            return true;
                        }
                return false;
            },
            timeoutMs);
        return found;
    }
    bool WaitForClose(int timeoutMs = 5000) {
        return RunUntil([&] { return socket_.state() == QAbstractSocket::UnconnectedState; },
                        timeoutMs);
    }
    const std::vector<std::string>& Lines() {
        Collect();
        return lines_;
    }

private:
    void Collect() {
        const QByteArray data = socket_.readAll();
        splitter_.Append(data.constData(), static_cast<std::size_t>(data.size()));
        for (std::string line; splitter_.Next(line);)
            lines_.push_back(line);
    }

    QTcpSocket socket_;
    LbLineSplitter splitter_;
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
};
