#pragma once
// Runs vlakomat-cs for a link test: starts it, learns the device path or server address from
// its first line, collects its trace lines and sends it commands as other stations.

#include <QProcess>
#include <QStringList>
#include <QTest>

#include "core/loconet/LbServerProtocol.h"
#include "core/loconet/SerialPort.h"

#include <string>
#include <vector>

// Reads from the port, letting the event loop run, until `count` bytes came or the time is up;
// returns them as hex text ("BF 09 52 1B ...").
inline std::string ReadFromPort(SerialPort& port, std::size_t count, int timeoutMs = 5000) {
    std::vector<std::uint8_t> got;
    (void)QTest::qWaitFor(
        [&] {
            std::uint8_t buf[256];
            for (std::size_t n = port.Read(buf, sizeof buf); n > 0; n = port.Read(buf, sizeof buf))
                got.insert(got.end(), buf, buf + n);
            return got.size() >= count;
        },
        timeoutMs);
    return FormatHexBytes(got);
}

inline std::size_t WriteHex(SerialPort& port, const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    ParseHexBytes(hex, bytes);
    return port.Write(bytes.data(), bytes.size());
}

class CsProcess {
public:
    static QString Binary() {
        return QStringLiteral(VLAKOMAT_BINARY_DIR "/src/tools/cs/vlakomat-cs");
    }

    ~CsProcess() { Stop(); }

    // Starts the tool with the arguments; returns its first line ("" when it did not start).
    std::string Start(const QStringList& args, int timeoutMs = 10000) {
        process_.setProgram(Binary());
        process_.setArguments(args);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(timeoutMs))
            return "";
        (void)QTest::qWaitFor([this] { return Collect(), !lines_.empty(); }, timeoutMs);
        return lines_.empty() ? "" : lines_.front();
    }

    // Sends one command line; waits for its "OK"/"ERROR" reply and returns it.
    std::string Command(const std::string& line, int timeoutMs = 5000) {
        const std::size_t from = lines_.size();
        process_.write((line + "\n").c_str());
        std::string reply;
        (void)QTest::qWaitFor(
            [&] {
                Collect();
                for (std::size_t i = from; i < lines_.size(); ++i)
                    if (lines_[i].rfind("OK", 0) == 0 || lines_[i].rfind("ERROR", 0) == 0) {
                        reply = lines_[i];
                        return true;
                    }
                return false;
            },
            timeoutMs);
        return reply;
    }

    // Every line printed so far.
    const std::vector<std::string>& Lines() {
        Collect();
        return lines_;
    }

    bool WaitForLine(const std::string& line, int timeoutMs = 5000) {
        return QTest::qWaitFor(
            [&] {
                Collect();
                for (const auto& l : lines_)
                    if (l == line)
                        return true;
                return false;
            },
            timeoutMs);
    }

    void Kill() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    void Stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.write("quit\n");
        if (!process_.waitForFinished(5000))
            Kill();
    }

private:
    void Collect() {
        partial_ += process_.readAllStandardOutput().toStdString();
        for (std::size_t nl = partial_.find('\n'); nl != std::string::npos;
             nl = partial_.find('\n')) {
            lines_.push_back(partial_.substr(0, nl));
            partial_.erase(0, nl + 1);
        }
    }

    QProcess process_;
    std::string partial_;
    std::vector<std::string> lines_;
};
