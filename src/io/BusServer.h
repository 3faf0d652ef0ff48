#pragma once
// A line-based TCP server of the program (the shared bus's LbServer clients, the phones):
// accepts clients on the loopback interfaces of both families, or on every interface when
// asked, hands each one's bytes to its service and writes what it is told. What is answered,
// and who may connect, the service decides.

#include "core/loconet/PortsModule.h"
#include "core/loconet/TcpService.h"

#include <QtGlobal>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTcpServer;
class QTcpSocket;

class BusServer : public TcpListener {
public:
    // A client that does not read what it is sent is let go once this much waits for it.
    static constexpr qint64 kMaxUnsent = 1 << 20;
    // Bytes of a client read ahead; a client that sends faster waits in its own TCP stream.
    static constexpr qint64 kReadBuffer = 1 << 16;
    // Stop waits this long at most for the clients to take what was written to them.
    static constexpr int kStopWaitMs = 1000;

    explicit BusServer(TcpService& service);
    ~BusServer() override;
    BusServer(const BusServer&) = delete;
    BusServer& operator=(const BusServer&) = delete;

    // Listens on the port (0: any free one), on every address of both families when
    // `anyInterface`, else on 127.0.0.1 and ::1 (where the system has IPv6); already
    // listening so, nothing changes. Returns "" or why it
    // cannot (the system's words).
    std::string Listen(int port, bool anyInterface) override;
    // Stops listening and lets every client go, once it has what was written to it (within
    // kStopWaitMs for all of them).
    void Stop() override;
    bool IsListening() const override;
    int Port() const override;

    // Called after a client's bytes were handed over: its messages wait for the bus.
    void SetActivityHandler(std::function<void()> handler) override {
        activity_ = std::move(handler);
    }
    // Called when a client came or went, with the number connected.
    void SetClientsHandler(std::function<void(int)> handler) override {
        clients_ = std::move(handler);
    }

private:
    void OnNewConnection(QTcpServer& server);
    void OnReadable(int client);
    // Tells the service that the client is gone; returns its socket, now no one's.
    QTcpSocket* Forget(int client);
    void Drop(int client);
    static void LetGo(const std::vector<QTcpSocket*>& sockets);
    static void DiscardInput(QTcpSocket& socket);
    void Write(int client, const std::string& text);
    void ClientsChanged();

    TcpService& share_;
    // The first listens for sure; the others (IPv6) where the system allows.
    std::vector<std::unique_ptr<QTcpServer>> servers_;
    bool anyInterface_ = false;
    std::array<QTcpSocket*, TcpService::kMaxClients> sockets_{};
    std::function<void()> activity_;
    std::function<void(int)> clients_;
};
