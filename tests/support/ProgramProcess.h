#pragma once
// The program itself for end-to-end tests: started under the offscreen platform in its own
// folder with the sample tables and the given [LOCONET] keys, and a client of one of its TCP
// servers once it has come up.

#include "support/LbClient.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>
#include <memory>

inline const QString kProgram = QStringLiteral(VLAKOMAT_BINARY_DIR "/src/gui/vlakomat");

// The program in its own folder with the sample tables and the given [LOCONET] keys.
class Program {
public:
    Program(const std::string& loconet, const QStringList& args = {}) {
        for (const char* name : {"Decoders.tab", "Functions.tab", "Roster.tab"})
            std::filesystem::copy_file(std::filesystem::path(VLAKOMAT_SOURCE_DIR) / "data" / name,
                                       dir_.File(name));
        dir_.Write("vlakomat.ini", "[LOCONET]\n" + loconet + "[PREFERENCES]\nFirst Run=0\n");
        process_.setWorkingDirectory(QString::fromStdString(dir_.Path()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(env);
        process_.start(kProgram, args);
    }
    ~Program() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    // Ends it as a session end does; true when it ended well.
    bool Terminate() {
        process_.terminate();
        return process_.waitForFinished(30000) && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == 0;
    }

private:
    TempDir dir_;
    QProcess process_;
};

// A client of the server, once the program has come up (the sanitizer build starts slowly).
template <class Client = LbClient> std::unique_ptr<Client> ConnectWhenUp(int port) {
    auto client = std::make_unique<Client>();
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (client->Connect(port, 1000))
            return client;
        client = std::make_unique<Client>();
        QTest::qWait(200);
    }
    return nullptr;
}
