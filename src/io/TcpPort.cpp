#include "io/TcpPort.h"

#include <QMetaEnum>
#include <QTcpSocket>
#include <QTimer>

#include <cctype>
#include <charconv>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// An informational line as the monitor can show it: printable ASCII, at most 200 characters.
std::string Printable(const std::string& line) {
    std::string s = line.substr(0, 200);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            c = '?';
    return s;
}

std::string ConnectFailedText(const std::string& name, const std::string& reason) {
    return "Napaka! Povezave " + name + " ni mogoče vzpostaviti! (" + reason + ")";
}

} // namespace

TcpPort::TcpPort()
    : socket_(std::make_unique<QTcpSocket>()), connectTimer_(std::make_unique<QTimer>()) {
    connectTimer_->setSingleShot(true);
    QObject::connect(connectTimer_.get(), &QTimer::timeout, socket_.get(),
                     [this] { OpeningFailed("ni odziva"); });
    QObject::connect(socket_.get(), &QTcpSocket::connected, socket_.get(), [this] {
        if (!opening_)
            return;
        opening_ = false;
        connectTimer_->stop();
        Connected();
        NotifyReadyRead(); // the link hears at once that the port is open
    });
    QObject::connect(socket_.get(), &QTcpSocket::readyRead, socket_.get(), [this] {
        if (open_ && TakeIncoming())
            NotifyReadyRead();
    });
    QObject::connect(socket_.get(), &QTcpSocket::disconnected, socket_.get(),
                     [this] { ConnectionLost(); });
    QObject::connect(socket_.get(), &QTcpSocket::errorOccurred, socket_.get(),
                     [this](QAbstractSocket::SocketError) { ConnectionLost(); });
}

TcpPort::~TcpPort() {
    open_ = false;
    opening_ = false;
    socket_->abort();
}

bool TcpPort::ParseName(const std::string& name, std::string& host, int& port) {
    const std::string prefix = "tcp://";
    if (name.size() <= prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != prefix[i])
            return false;
    std::string rest = name.substr(prefix.size());
    std::string portText;
    if (rest[0] == '[') { // [IPv6]:port
        const std::size_t close = rest.find(']');
        if (close == std::string::npos || close == 1)
            return false;
        host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':')
                return false;
            portText = after.substr(1);
            if (portText.empty())
                return false;
        }
    } else {
        const std::size_t colon = rest.find(':');
        host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            portText = rest.substr(colon + 1);
            if (portText.empty())
                return false;
        }
    }
    if (host.empty() || host.find_first_of(" /\t") != std::string::npos)
        return false;
    port = kDefaultPort;
    if (!portText.empty()) {
        const char* end = portText.data() + portText.size();
        auto [p, ec] = std::from_chars(portText.data(), end, port);
        if (ec != std::errc() || p != end || port < 1 || port > 65535)
            return false;
    }
    return true;
}

std::string TcpPort::StartConnecting(const std::string& name) {
    Close();
    name_ = name;
    std::string host;
    int port = 0;
    if (!ParseName(name, host, port))
        return "Napaka! Naslov " + name + " ni pravilen! Uporabite obliko tcp://strežnik:port";
    lines_.Clear();
    received_.clear();
    writes_ = answered_ = 0;
    answers_.clear();
    socket_->connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
    return "";
}

std::string TcpPort::Open(const std::string& name) {
    if (std::string error = StartConnecting(name); !error.empty())
        return error;
    if (!socket_->waitForConnected(kConnectTimeoutMs)) {
        const std::string reason = socket_->errorString().toStdString();
        socket_->abort();
        return ConnectFailedText(name, reason);
    }
    Connected();
    return "";
}

std::string TcpPort::OpenInBackground(const std::string& name) {
    if (std::string error = StartConnecting(name); !error.empty())
        return error;
    // Refused before it started (an address the socket cannot take).
    if (socket_->state() == QAbstractSocket::UnconnectedState) {
        const std::string reason = socket_->errorString().toStdString();
        socket_->abort();
        return ConnectFailedText(name, reason);
    }
    opening_ = true;
    connectTimer_->start(kConnectTimeoutMs);
    return "";
}

void TcpPort::Connected() {
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    KeepAlive(*socket_);
    open_ = true;
}

void TcpPort::KeepAlive(QTcpSocket& socket) {
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const auto fd = static_cast<int>(socket.socketDescriptor());
    if (fd < 0)
        return;
    const auto set = [fd](int option, int value) {
        (void)::setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value);
    };
    set(TCP_KEEPIDLE, kKeepIdleS);
    set(TCP_KEEPINTVL, kKeepIntervalS);
    set(TCP_KEEPCNT, kKeepCount);
    set(TCP_USER_TIMEOUT, kUserTimeoutMs);
}

long long TcpPort::SocketDescriptor() const {
    return static_cast<long long>(socket_->socketDescriptor());
}

bool TcpPort::TakeWriteAnswer(WriteAnswer& answer) {
    if (!open_ || answers_.empty())
        return false;
    answer = std::move(answers_.front());
    answers_.pop_front();
    return true;
}

void TcpPort::OpeningFailed(const std::string& reason) {
    if (!opening_)
        return;
    opening_ = false;
    connectTimer_->stop();
    socket_->abort();
    NotifyLost(ConnectFailedText(name_, reason));
}

bool TcpPort::TakeIncoming() {
    const QByteArray data = socket_->readAll();
    lines_.Append(data.constData(), static_cast<std::size_t>(data.size()));
    bool added = false;
    std::string line;
    while (lines_.Next(line)) {
        LbLine l = ParseLbLine(line);
        if (l.kind == LbLineKind::Receive) {
            if (received_.size() + l.bytes.size() > kMaxBuffered) {
                NotifyInfo("Input buffer full, dropped: " + Printable(line));
                continue;
            }
            received_.insert(received_.end(), l.bytes.begin(), l.bytes.end());
            added = true;
            continue;
        }
        // The server's word on our next unanswered SEND; one we never asked for is shown only.
        const bool word = l.kind == LbLineKind::SentOk || l.kind == LbLineKind::SentError;
        if (word && answered_ < writes_) {
            const std::size_t skip = std::string_view("SENT ERROR").size();
            std::string reason = l.kind == LbLineKind::SentError && line.size() > skip
                                     ? Printable(line.substr(skip + 1))
                                     : "";
            answers_.push_back({++answered_, l.kind == LbLineKind::SentOk, std::move(reason)});
            added = true;
        }
        if (!line.empty())
            NotifyInfo(Printable(line));
    }
    if (lines_.TakeOverlongCount() > 0)
        NotifyInfo("Line too long, ignored");
    return added;
}

std::size_t TcpPort::Read(std::uint8_t* buffer, std::size_t capacity) {
    if (!open_ || buffer == nullptr)
        return 0;
    if (socket_->bytesAvailable() > 0)
        TakeIncoming();
    std::size_t n = 0;
    while (n < capacity && !received_.empty()) {
        buffer[n++] = received_.front();
        received_.pop_front();
    }
    return n;
}

std::size_t TcpPort::Write(const std::uint8_t* data, std::size_t count) {
    if (!open_ || data == nullptr || count == 0)
        return 0;
    const std::string line = FormatLbLine("SEND", data, count);
    const qint64 n = socket_->write(line.data(), static_cast<qint64>(line.size()));
    socket_->flush();
    if (n != static_cast<qint64>(line.size()))
        return 0;
    ++writes_;
    return count;
}

void TcpPort::DiscardInput() {
    if (!open_)
        return;
    if (socket_->bytesAvailable() > 0)
        TakeIncoming();
    received_.clear();
}

void TcpPort::Close() {
    if (!open_ && !opening_)
        return;
    open_ = false;
    opening_ = false;
    connectTimer_->stop();
    socket_->abort();
    received_.clear();
    lines_.Clear();
    answers_.clear();
}

void TcpPort::ConnectionLost() {
    if (opening_) {
        OpeningFailed(socket_->errorString().toStdString());
        return;
    }
    if (!open_)
        return;
    open_ = false;
    // A monitor line, English as they all are: the error's name, not Qt's translated text.
    const char* reason =
        QMetaEnum::fromType<QAbstractSocket::SocketError>().valueToKey(socket_->error());
    socket_->abort();
    received_.clear();
    NotifyLost("Error! Connection " + name_ + " lost! (" + (reason ? reason : "?") + ")");
}
