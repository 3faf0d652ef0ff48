#include "io/BusServer.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include "io/TcpPort.h"

#include <sys/socket.h>

#include <algorithm>

namespace {

// While Stop waits, each client is given this long in turn.
constexpr qint64 kStopSliceMs = 20;
// Reads of a leaving client's bytes at a time, so that one that never stops sending does not
// hold up Stop either.
constexpr int kDiscardReads = 64;

// "192.168.1.20:51234", also for a client that came over IPv6 with an IPv4 address.
std::string PeerName(const QTcpSocket& socket) {
    QHostAddress address = socket.peerAddress();
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    if (isIPv4)
        address = QHostAddress(ipv4);
    return address.toString().toStdString() + ":" + std::to_string(socket.peerPort());
}

} // namespace

BusServer::BusServer(TcpService& service) : share_(service) {
    share_.SetOutput([this](int client, const std::string& text) { Write(client, text); });
}

BusServer::~BusServer() {
    Stop();
    share_.SetOutput(nullptr);
}

std::string BusServer::Listen(int port, bool anyInterface) {
    if (IsListening() && port != 0 && port == Port() && anyInterface == anyInterface_)
        return "";
    Stop();
    // Any is both families in one socket where the system can; else IPv4 and IPv6 apart.
    const std::vector<QHostAddress> addresses =
        anyInterface
            ? std::vector<QHostAddress>{QHostAddress::Any, QHostAddress::AnyIPv6}
            : std::vector<QHostAddress>{QHostAddress::LocalHost, QHostAddress::LocalHostIPv6};
    for (const QHostAddress& address : addresses) {
        auto server = std::make_unique<QTcpServer>();
        const quint16 at =
            servers_.empty() ? static_cast<quint16>(port) : servers_[0]->serverPort();
        if (!server->listen(address, at)) {
            if (servers_.empty())
                return server->errorString().toStdString();
            continue; // Any covered IPv6 already, or the system has none
        }
        QTcpServer* s = server.get();
        QObject::connect(s, &QTcpServer::newConnection, s, [this, s] { OnNewConnection(*s); });
        servers_.push_back(std::move(server));
    }
    anyInterface_ = anyInterface;
    ClientsChanged();
    return "";
}

void BusServer::Stop() {
    if (servers_.empty())
        return;
    std::vector<QTcpSocket*> leaving;
    for (int i = 0; i < TcpService::kMaxClients; ++i)
        if (QTcpSocket* socket = Forget(i))
            leaving.push_back(socket);
    LetGo(leaving);
    servers_.clear(); // deletes the sockets, their children
    ClientsChanged();
}

void BusServer::LetGo(const std::vector<QTcpSocket*>& sockets) {
    // What was written goes out, the last answers included; a client that does not take
    // it within the time is cut off, so that none can hold up the program's end.
    const QDeadlineTimer deadline(kStopWaitMs);
    for (bool waiting = true; waiting && !deadline.hasExpired();) {
        waiting = false;
        for (QTcpSocket* socket : sockets) {
            if (socket->state() != QAbstractSocket::ConnectedState)
                continue;
            DiscardInput(*socket);
            if (socket->bytesToWrite() > 0) {
                waiting = true;
                socket->waitForBytesWritten(
                    static_cast<int>(std::min<qint64>(deadline.remainingTime(), kStopSliceMs)));
            }
        }
    }
    for (QTcpSocket* socket : sockets) {
        if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() == 0) {
            // A socket closed over unread bytes resets the connection, and the answers on
            // their way with it.
            DiscardInput(*socket);
            socket->disconnectFromHost();
        }
        if (socket->state() != QAbstractSocket::UnconnectedState)
            socket->abort();
    }
}

void BusServer::DiscardInput(QTcpSocket& socket) {
    socket.readAll();
    // Also what the socket has not taken in yet (its read buffer is bounded).
    char buffer[4096];
    const auto fd = static_cast<int>(socket.socketDescriptor());
    for (int i = 0; fd >= 0 && i < kDiscardReads; ++i)
        if (::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) <= 0)
            break;
}

bool BusServer::IsListening() const {
    return !servers_.empty() && servers_[0]->isListening();
}

int BusServer::Port() const {
    return IsListening() ? servers_[0]->serverPort() : 0;
}

void BusServer::OnNewConnection(QTcpServer& server) {
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        const TcpService::Admission admission = share_.Connect(PeerName(*socket));
        socket->write(admission.reply.data(), static_cast<qint64>(admission.reply.size()));
        if (admission.client < 0) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromHost();
            continue;
        }
        const int client = admission.client;
        sockets_[static_cast<std::size_t>(client)] = socket;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // A client whose computer vanished without a word is found out by the system.
        TcpPort::KeepAlive(*socket);
        socket->setReadBufferSize(kReadBuffer);
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, client] { OnReadable(client); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket,
                         [this, client] { Drop(client); });
        QObject::connect(socket, &QTcpSocket::errorOccurred, socket,
                         [this, client](QAbstractSocket::SocketError) { Drop(client); });
        ClientsChanged();
        // Lines that came with the connection itself.
        if (socket->bytesAvailable() > 0)
            OnReadable(client);
    }
}

void BusServer::OnReadable(int client) {
    QTcpSocket* socket = sockets_[static_cast<std::size_t>(client)];
    if (socket == nullptr)
        return;
    const QByteArray data = socket->readAll();
    share_.Receive(client, data.constData(), static_cast<std::size_t>(data.size()));
    if (activity_)
        activity_();
}

void BusServer::Write(int client, const std::string& text) {
    QTcpSocket* socket = client >= 0 && client < TcpService::kMaxClients
                             ? sockets_[static_cast<std::size_t>(client)]
                             : nullptr;
    if (socket == nullptr)
        return;
    socket->write(text.data(), static_cast<qint64>(text.size()));
    // Let go later, never inside the link's step or the share's loop over its clients.
    if (socket->bytesToWrite() > kMaxUnsent)
        QMetaObject::invokeMethod(
            socket,
            [this, client, socket] {
                if (sockets_[static_cast<std::size_t>(client)] == socket)
                    Drop(client);
            },
            Qt::QueuedConnection);
}

QTcpSocket* BusServer::Forget(int client) {
    QTcpSocket* socket = sockets_[static_cast<std::size_t>(client)];
    if (socket == nullptr)
        return nullptr;
    sockets_[static_cast<std::size_t>(client)] = nullptr;
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    share_.Disconnect(client);
    return socket;
}

void BusServer::Drop(int client) {
    QTcpSocket* socket = Forget(client);
    if (socket == nullptr)
        return;
    socket->abort();
    socket->deleteLater();
    ClientsChanged();
}

void BusServer::ClientsChanged() {
    if (clients_)
        clients_(IsListening() ? share_.ClientCount() : -1);
}
