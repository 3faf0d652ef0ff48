#pragma once
// A TCP proxy on loopback between a LbServer client and its server, for tests of a slow or
// failing network: it holds the server's lines back by a delay, can drop its SENT lines (a
// server that gives no word on a message), and can stop forwarding while keeping the
// connections open (a server that vanished without closing).

#include "core/loconet/LbServerProtocol.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>
#include <memory>
#include <string>
#include <vector>

class DelayProxy {
public:
    DelayProxy(int serverPort, int delayMs, bool passWords = true)
        : serverPort_(serverPort), delayMs_(delayMs), passWords_(passWords) {
        listener_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&listener_, &QTcpServer::newConnection, &listener_, [this] { Accept(); });
        QObject::connect(&pump_, &QTimer::timeout, &pump_, [this] { Pump(); });
        pump_.start(5);
        clock_.start();
    }

    std::string Name() const { return "tcp://127.0.0.1:" + std::to_string(listener_.serverPort()); }
    int Connections() const { return static_cast<int>(pairs_.size()); }
    // Nothing goes through from now on, either way; the connections stay open.
    void Freeze() { frozen_ = true; }

private:
    struct Pair {
        std::unique_ptr<QTcpSocket> client;
        std::unique_ptr<QTcpSocket> server;
        LbLineSplitter lines;
        std::deque<std::pair<qint64, std::string>> held; // due time, line
    };

    void Accept() {
        while (QTcpSocket* socket = listener_.nextPendingConnection()) {
            auto pair = std::make_unique<Pair>();
            pair->client.reset(socket);
            socket->setParent(nullptr);
            pair->server = std::make_unique<QTcpSocket>();
            pair->server->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(serverPort_));
            pair->server->waitForConnected(3000);
            pairs_.push_back(std::move(pair));
        }
    }

    void Pump() {
        if (frozen_)
            return;
        const qint64 now = clock_.elapsed();
        for (auto& p : pairs_) {
            if (p->client->bytesAvailable() > 0)
                p->server->write(p->client->readAll());
            const QByteArray data = p->server->readAll();
            p->lines.Append(data.constData(), static_cast<std::size_t>(data.size()));
            for (std::string line; p->lines.Next(line);)
                if (passWords_ || line.rfind("SENT", 0) != 0)
                    p->held.emplace_back(now + delayMs_, line + "\r\n");
            while (!p->held.empty() && p->held.front().first <= now) {
                p->client->write(p->held.front().second.c_str());
                p->held.pop_front();
            }
            p->client->flush();
            p->server->flush();
        }
    }

    QTcpServer listener_;
    QTimer pump_;
    QElapsedTimer clock_;
    int serverPort_;
    int delayMs_;
    bool passWords_;
    bool frozen_ = false;
    std::vector<std::unique_ptr<Pair>> pairs_;
};
