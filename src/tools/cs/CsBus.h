#pragma once
// The two ways vlakomat-cs reaches other programs: a pseudo-terminal that looks like a
// LocoNet interface, or an LbServer that speaks LocoNet over TCP.

#include "core/loconet/LbServerProtocol.h"
#include "core/sim/SimCommandStation.h"

#include <QHostAddress>
#include <QList>

#include <memory>
#include <string>

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

class CsBus {
public:
    virtual ~CsBus() = default;
    // Sets the bus up; returns the first line to print (the device path or the server's
    // address) or an error text starting with "error: ".
    virtual std::string Start() = 0;
    // Puts the station's due output on the bus.
    virtual void Deliver() = 0;
};

class PtyBus : public CsBus {
public:
    explicit PtyBus(SimCommandStation& cs) : cs_(cs) {}
    ~PtyBus() override;
    std::string Start() override;
    void Deliver() override;

private:
    void OnReadable();

    SimCommandStation& cs_;
    int master_ = -1;
    int slave_ = -1; // kept open, so that the master never sees a hang-up between clients
    std::unique_ptr<QSocketNotifier> notifier_;
};

class TcpBus : public CsBus {
public:
    TcpBus(SimCommandStation& cs, int port, bool listenAny)
        : cs_(cs), port_(port), listenAny_(listenAny) {}
    ~TcpBus() override;
    std::string Start() override;
    void Deliver() override;

private:
    struct Client {
        QTcpSocket* socket;
        LbLineSplitter lines;
    };
    void OnConnection();
    void OnReadable(Client& client);

    SimCommandStation& cs_;
    int port_;
    bool listenAny_;
    std::unique_ptr<QTcpServer> server_;
    QList<std::shared_ptr<Client>> clients_;
};
