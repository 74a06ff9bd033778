#include "controls/communication/world_connection.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QSslCertificate>
#include <QSslConfiguration>

namespace communication {

using namespace protocol;

WorldConnection::WorldConnection(QObject* parent) : QObject(parent) {
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(&socket_, &QSslSocket::readyRead, this, &WorldConnection::OnReadyRead);
    connect(&socket_, &QSslSocket::encrypted, this, &WorldConnection::OnEncrypted);
    connect(&socket_, &QSslSocket::disconnected, this, [this] { Lose("closed by the server"); });
    connect(&socket_, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (open_) Lose("socket error");
        emit Answered();
    });
    // Servers make their own certificates: no authority vouches for them, the pin does.
    connect(&socket_, &QSslSocket::sslErrors, this, [this](const QList<QSslError>&) { socket_.ignoreSslErrors(); });
    connect(&socket_, &QSslSocket::connected, this, &WorldConnection::Answered);
    connect(&keepalive_, &QTimer::timeout, this, &WorldConnection::OnKeepalive);
}

WorldConnection::~WorldConnection() {
    onLost = nullptr;
    Close();
}

void WorldConnection::SetKeepaliveInterval(int ms) {
    keepaliveMs_ = std::max(50, ms);
    if (keepalive_.isActive()) keepalive_.start(keepaliveMs_);
}

bool WorldConnection::Open(const QString& host, quint16 port) {
    Close();
    decoder_ = FrameDecoder(Direction::ToClient);
    welcomed_ = false;
    lossReason_ = kDropped;
    lossText_.clear();
    host_ = host;
    port_ = port;
    fingerprint_.clear();
    trusted_ = plain_;
    if (plain_) {
        socket_.connectToHost(host, port);
    } else {
        QSslConfiguration tls = socket_.sslConfiguration();
        tls.setProtocol(QSsl::TlsV1_3OrLater);
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket_.setSslConfiguration(tls);
        socket_.connectToHostEncrypted(host, port);
    }
    QTimer timer;
    timer.setSingleShot(true);
    QEventLoop loop;
    connect(this, &WorldConnection::Answered, &loop, &QEventLoop::quit);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(callTimeoutMs_);
    // open_ is set as soon as TCP is up so a loss during the wait for the Welcome is seen.
    while (timer.isActive() && !welcomed_ && socket_.state() != QAbstractSocket::UnconnectedState) {
        if (socket_.state() == QAbstractSocket::ConnectedState) open_ = true;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (socket_.state() == QAbstractSocket::ConnectedState) open_ = true;
    }
    if (!welcomed_) {
        Close();
        return false;
    }
    lastReceived_.start();
    keepalive_.start(keepaliveMs_);
    return true;
}

void WorldConnection::Close() {
    const bool wasOpen = open_;
    open_ = false;
    keepalive_.stop();
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.abort();
    if (wasOpen) emit Answered();
}

void WorldConnection::Send(const Message& message) {
    if (!open_) return;
    const Bytes bytes = Encode(message);
    socket_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

std::optional<Reply> WorldConnection::Call(Message request, std::function<void(const Reply&)> atReply) {
    if (!open_ || !welcomed_) return std::nullopt;
    const uint16_t seq = ++seq_;
    std::visit(
        [seq](auto& m) {
            if constexpr (requires { m.seq; }) m.seq = seq;
        },
        request);
    awaitedSeq_ = seq;
    atReply_ = std::move(atReply);
    reply_.reset();
    Send(request);
    QTimer timer;
    timer.setSingleShot(true);
    QEventLoop loop;
    connect(this, &WorldConnection::Answered, &loop, &QEventLoop::quit);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(callTimeoutMs_);
    while (!reply_ && open_ && timer.isActive()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    awaitedSeq_ = 0;
    atReply_ = nullptr;
    auto reply = std::move(reply_);
    reply_.reset();
    return reply;
}

void WorldConnection::OnEncrypted() {
    const QSslCertificate cert = socket_.peerCertificate();
    const QByteArray digest = cert.isNull() ? QByteArray() : cert.digest(QCryptographicHash::Sha256);
    fingerprint_ = QString::fromLatin1(digest.toHex(':').toUpper());
    if (fingerprint_.isEmpty() || (checkCertificate && !checkCertificate(host_, port_, fingerprint_))) {
        Close();
        emit Answered();
        return;
    }
    trusted_ = true;
    OnReadyRead();  // whatever arrived with the handshake
}

void WorldConnection::OnReadyRead() {
    // Nothing from a server is read before its certificate passed.
    if (!trusted_) return;
    const QByteArray data = socket_.readAll();
    if (data.isEmpty()) return;
    lastReceived_.start();
    decoder_.Append(reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size()));
    Message message;
    for (;;) {
        const auto status = decoder_.Next(&message);
        if (status == FrameDecoder::Status::NeedMore) return;
        if (status == FrameDecoder::Status::Failed) {
            Lose("bad data from the server");
            return;
        }
        if (std::holds_alternative<Welcome>(message)) {
            welcomed_ = true;
            emit Answered();
        } else if (auto* ping = std::get_if<Ping>(&message)) {
            Send(Pong{ping->token});
        } else if (std::holds_alternative<Pong>(message)) {
            // its arrival was the point
        } else if (auto* reply = std::get_if<Reply>(&message)) {
            // A reply to a call that already timed out is dropped, not taken for the next one.
            if (awaitedSeq_ != 0 && reply->seq == awaitedSeq_) {
                reply_ = *reply;
                awaitedSeq_ = 0;
                if (atReply_) atReply_(*reply);
                emit Answered();
            }
        } else if (auto* bye = std::get_if<Bye>(&message)) {
            // The close that follows reports the loss; the reason is kept for it.
            lossReason_ = static_cast<int>(bye->reason);
            lossText_ = bye->text;
        } else if (onMessage) {
            onMessage(std::move(message));
        }
        if (!open_ && welcomed_) return;  // lost while handing out messages
    }
}

void WorldConnection::OnKeepalive() {
    if (!open_) return;
    if (lastReceived_.elapsed() > 3 * keepaliveMs_) {
        lossReason_ = kSilent;
        Lose("server silent past the keepalive");
        return;
    }
    Send(Ping{++pingToken_});
}

void WorldConnection::Lose(const char*) {
    if (!open_) return;
    // Only an established session is lost; a failed open is just a failed open.
    const bool report = welcomed_;
    Close();
    if (report && onLost) onLost();
}

}  // namespace communication
