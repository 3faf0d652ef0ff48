#include "tools/cs/CsBus.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// ---------------------------------------------------------------------------------------------
// Pseudo-terminal

PtyBus::~PtyBus() {
    notifier_.reset();
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
}

std::string PtyBus::Start() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        return std::string("error: cannot open a pseudo-terminal: ") + std::strerror(errno);
    // Raw bytes both ways: no echo by the line discipline, no line editing, no translation.
    termios tio{};
    for (int fd : {master_, slave_}) {
        if (::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { OnReadable(); });
    return name;
}

void PtyBus::OnReadable() {
    std::uint8_t buf[512];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            break;
        cs_.Write(buf, static_cast<std::size_t>(n));
    }
    Deliver();
}

void PtyBus::Deliver() {
    for (auto chunk = cs_.TakeChunk(); !chunk.empty(); chunk = cs_.TakeChunk()) {
        // With nobody reading, the terminal's buffer fills up; the bus drops what does not fit.
        if (::write(master_, chunk.data(), chunk.size()) < 0 && errno != EAGAIN)
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// LbServer

TcpBus::~TcpBus() {
    clients_.clear();
    server_.reset(); // deletes the client sockets, its children
}

std::string TcpBus::Start() {
    server_ = std::make_unique<QTcpServer>();
    const QHostAddress address = listenAny_ ? QHostAddress::Any : QHostAddress::LocalHost;
    if (!server_->listen(address, static_cast<quint16>(port_)))
        return "error: cannot listen on port " + std::to_string(port_) + ": " +
               server_->errorString().toStdString();
    QObject::connect(server_.get(), &QTcpServer::newConnection, server_.get(),
                     [this] { OnConnection(); });
    return std::string("tcp://") + (listenAny_ ? "0.0.0.0" : "127.0.0.1") + ":" +
           std::to_string(server_->serverPort());
}

void TcpBus::OnConnection() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        auto client = std::make_shared<Client>(Client{socket, {}});
        clients_.append(client);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket->write("VERSION vlakomat-cs simulated command station\r\n");
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, client] { OnReadable(*client); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            for (qsizetype i = 0; i < clients_.size(); ++i)
                if (clients_[i]->socket == socket) {
                    clients_.removeAt(i);
                    break;
                }
            socket->deleteLater();
        });
    }
}

void TcpBus::OnReadable(Client& client) {
    const QByteArray data = client.socket->readAll();
    client.lines.Append(data.constData(), static_cast<std::size_t>(data.size()));
    std::string line;
    while (client.lines.Next(line)) {
        const LbLine l = ParseLbLine(line);
        if (l.kind == LbLineKind::Send) {
            cs_.Write(l.bytes.data(), l.bytes.size());
            client.socket->write("SENT OK\r\n");
        } else if (l.kind == LbLineKind::Malformed) {
            client.socket->write("SENT ERROR invalid message\r\n");
        }
    }
    if (client.lines.TakeOverlongCount() > 0)
        client.socket->write("SENT ERROR line too long\r\n");
    Deliver();
}

void TcpBus::Deliver() {
    for (auto chunk = cs_.TakeChunk(); !chunk.empty(); chunk = cs_.TakeChunk()) {
        const std::string line = FormatLbLine("RECEIVE", chunk.data(), chunk.size());
        for (const auto& c : clients_)
            c->socket->write(line.data(), static_cast<qint64>(line.size()));
    }
}
