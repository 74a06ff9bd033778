#pragma once
// The client end of the world protocol on the GUI thread. Requests that take an answer wait for
// it in a local event loop with a timeout; everything else the server sends is handed to
// onMessage as it arrives. A lost or silent server is reported once through onLost.
// The connection is TLS 1.3 unless made plain; the server's certificate is not checked against
// any authority (servers make their own) but handed to checkCertificate, which may refuse it.
#include "protocol/frame_decoder.h"
#include "protocol/messages.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSslSocket>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

namespace communication {

class WorldConnection : public QObject {
    Q_OBJECT
public:
    explicit WorldConnection(QObject* parent = nullptr);
    ~WorldConnection() override;

    // Connects and waits for the server's Welcome. Closes any earlier connection first.
    bool Open(const QString& host, quint16 port);
    // For the next Open: without TLS (a server started with --plain).
    void SetPlain(bool plain) { plain_ = plain; }
    // SHA-256 of the certificate the server showed, hex pairs joined by ':'; empty without TLS.
    const QString& PeerFingerprint() const { return fingerprint_; }
    // Closes without reporting a loss.
    void Close();
    bool IsOpen() const { return open_; }

    // Sends a request (its seq is filled in here) and waits for its Reply; nullopt on timeout or
    // when the connection is lost meanwhile. atReply runs the moment the Reply is decoded, before
    // any message that followed it is handed to onMessage.
    std::optional<protocol::Reply> Call(protocol::Message request,
                                        std::function<void(const protocol::Reply&)> atReply = nullptr);
    void Send(const protocol::Message& message);

    void SetCallTimeout(int ms) { callTimeoutMs_ = ms; }
    int CallTimeout() const { return callTimeoutMs_; }
    void SetKeepaliveInterval(int ms);
    int KeepaliveInterval() const { return keepaliveMs_; }

    // Asked once the TLS handshake is done, before anything the server says is read; false
    // closes the connection and Open fails.
    std::function<bool(const QString& host, quint16 port, const QString& fingerprint)> checkCertificate;
    std::function<void(protocol::Message)> onMessage;
    std::function<void()> onLost;

    // Why the last connection ended, for the one who reports it: the server's Bye reason when it
    // said goodbye, otherwise kDropped (closed without a word) or kSilent (keepalive ran out).
    static constexpr int kDropped = -1;
    static constexpr int kSilent = -2;
    int LossReason() const { return lossReason_; }
    const std::string& LossText() const { return lossText_; }

signals:
    void Answered();  // a Reply or Welcome arrived, or the connection ended: a waiting call looks

private:
    void OnReadyRead();
    void OnEncrypted();
    void OnKeepalive();
    void Lose(const char* why);

    QSslSocket socket_;
    bool plain_ = false;
    bool trusted_ = false;  // the certificate passed (or there is none: plain)
    QString host_, fingerprint_;
    quint16 port_ = 0;
    QTimer keepalive_;
    QElapsedTimer lastReceived_;
    protocol::FrameDecoder decoder_{protocol::Direction::ToClient};
    bool open_ = false;
    bool welcomed_ = false;
    uint16_t seq_ = 0;
    uint16_t awaitedSeq_ = 0;
    std::optional<protocol::Reply> reply_;
    std::function<void(const protocol::Reply&)> atReply_;
    int callTimeoutMs_ = 5000;
    int keepaliveMs_ = 1500;
    uint32_t pingToken_ = 0;
    int lossReason_ = kDropped;
    std::string lossText_;
};

}  // namespace communication
