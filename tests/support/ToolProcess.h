#pragma once
// Runs a command-line companion to its end and collects what it printed.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <string>

struct ToolRun {
    int exitCode = -1; // -1: it did not start, did not end in time, or crashed
    std::string out;
    std::string err;
};

inline ToolRun RunTool(const QString& binary, const QStringList& args,
                       const std::string& input = "", const QString& workingDirectory = {},
                       int timeoutMs = 20000) {
    QProcess p;
    if (!workingDirectory.isEmpty())
        p.setWorkingDirectory(workingDirectory);
    p.start(binary, args);
    ToolRun r;
    if (!p.waitForStarted(10000))
        return r;
    p.write(input.data(), static_cast<qint64>(input.size()));
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    return r;
}
