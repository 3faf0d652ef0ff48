#pragma once
// Asked with VLAKOMAT_READY_LINE in its environment, the program says "vlakomat: ready" on
// standard error from its first event loop (the main window's or a start-up message box's):
// from then on a termination signal is handled in order. Tests wait for it instead of
// sleeping.

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

inline void AskForReadyLine(QProcessEnvironment& env) {
    env.insert(QStringLiteral("VLAKOMAT_READY_LINE"), QStringLiteral("1"));
}

// Waits for the line (generously: the sanitizer build starts slowly); `err` keeps what the
// program wrote on standard error so far.
inline bool WaitUntilReady(QProcess& program, QByteArray& err, int timeoutMs = 60000) {
    const QByteArray line = "vlakomat: ready\n";
    (void)QTest::qWaitFor(
        [&] {
            err += program.readAllStandardError();
            return err.contains(line) || program.state() == QProcess::NotRunning;
        },
        timeoutMs);
    return err.contains(line);
}
