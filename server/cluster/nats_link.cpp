#include "server/cluster/nats_link.h"

#include <nats/nats.h>

#include <atomic>
#include <future>

namespace server::cluster {

// Shared by this object, the callbacks' closure and the posted handlers. The posted handlers
// check `open` on the io thread, so nothing runs after Close.
struct NatsLink::Bridge {
    asio::io_context& io;
    bool open = true;  // io thread only
    MessageHandler message;
    StateHandler state;
    ErrorHandler error;
    Peek peek;
    std::promise<void> closed, subscriptionDone;
    std::shared_ptr<Bridge> keep;  // held while the library may still call back

    explicit Bridge(asio::io_context& io) : io(io) {}

    template <typename F>
    void Post(F&& f) {
        asio::post(io, [self = keep, f = std::forward<F>(f)]() mutable {
            if (self && self->open) f(*self);
        });
    }
};

namespace {

using Bridge = NatsLink::Bridge;

void OnMsg(natsConnection*, natsSubscription*, natsMsg* msg, void* closure) {
    auto* b = static_cast<Bridge*>(closure);
    const char* data = natsMsg_GetData(msg);
    const int size = natsMsg_GetDataLength(msg);
    if (b->peek) b->peek(data, size_t(size));
    b->Post([subject = std::string(natsMsg_GetSubject(msg)), payload = std::string(data, size_t(size))](Bridge& b) {
        if (b.message) b.message(subject, payload);
    });
    natsMsg_Destroy(msg);
}

void OnDisconnected(natsConnection*, void* closure) {
    static_cast<Bridge*>(closure)->Post([](Bridge& b) {
        if (b.state) b.state(false);
    });
}

void OnReconnected(natsConnection*, void* closure) {
    static_cast<Bridge*>(closure)->Post([](Bridge& b) {
        if (b.state) b.state(true);
    });
}

void OnClosed(natsConnection*, void* closure) {
    auto* b = static_cast<Bridge*>(closure);
    b->closed.set_value();
}

void OnSubscriptionDone(void* closure) { static_cast<Bridge*>(closure)->subscriptionDone.set_value(); }

void OnAsyncError(natsConnection*, natsSubscription*, natsStatus err, void* closure) {
    static_cast<Bridge*>(closure)->Post([what = std::string(natsStatus_GetText(err))](Bridge& b) {
        if (b.error) b.error(what);
    });
}

std::string LastError(natsStatus s) {
    const char* text = nats_GetLastError(nullptr);
    return text && *text ? text : natsStatus_GetText(s);
}

}  // namespace

NatsLink::NatsLink(asio::io_context& io) : bridge_(std::make_shared<Bridge>(io)) { bridge_->keep = bridge_; }

NatsLink::~NatsLink() { Close(); }

void NatsLink::OnMessage(MessageHandler handler, Peek peek) {
    bridge_->message = std::move(handler);
    bridge_->peek = std::move(peek);
}
void NatsLink::OnState(StateHandler handler) { bridge_->state = std::move(handler); }
void NatsLink::OnError(ErrorHandler handler) { bridge_->error = std::move(handler); }

bool NatsLink::Connect(const std::string& url, const std::string& name, std::string* error, const NatsTls& tls) {
    natsOptions* options = nullptr;
    natsStatus s = natsOptions_Create(&options);
    if (s == NATS_OK) s = natsOptions_SetURL(options, url.c_str());
    if (url.rfind("tls://", 0) == 0) {
        std::string what = "TLS";
        if (s == NATS_OK) s = natsOptions_SetSecure(options, true);
        if (s == NATS_OK && !tls.caFile.empty()) {
            what = tls.caFile;
            s = natsOptions_LoadCATrustedCertificates(options, tls.caFile.c_str());
        }
        if (s == NATS_OK && !tls.certFile.empty()) {
            what = tls.certFile + " / " + tls.keyFile;
            s = natsOptions_LoadCertificatesChain(options, tls.certFile.c_str(), tls.keyFile.c_str());
        }
        if (s != NATS_OK) {
            *error = "cannot set up TLS to NATS at " + url + " (" + what + "): " + LastError(s);
            natsOptions_Destroy(options);
            return false;
        }
    }
    if (s == NATS_OK) s = natsOptions_SetName(options, name.c_str());
    // The node's own messages are delivered locally; it does not want them back.
    if (s == NATS_OK) s = natsOptions_SetNoEcho(options, true);
    if (s == NATS_OK) s = natsOptions_SetTimeout(options, 2000);
    if (s == NATS_OK) s = natsOptions_SetAllowReconnect(options, true);
    if (s == NATS_OK) s = natsOptions_SetMaxReconnect(options, -1);
    if (s == NATS_OK) s = natsOptions_SetReconnectWait(options, 250);
    // A dead NATS server is noticed within about two seconds.
    if (s == NATS_OK) s = natsOptions_SetPingInterval(options, 1000);
    if (s == NATS_OK) s = natsOptions_SetMaxPingsOut(options, 2);
    // What is published during a short outage goes out afterwards; after a long one the
    // rosters exchanged on reconnection put things right, so the buffer stays small.
    if (s == NATS_OK) s = natsOptions_SetReconnectBufSize(options, 512 * 1024);
    if (s == NATS_OK) s = natsOptions_SetDisconnectedCB(options, OnDisconnected, bridge_.get());
    if (s == NATS_OK) s = natsOptions_SetReconnectedCB(options, OnReconnected, bridge_.get());
    if (s == NATS_OK) s = natsOptions_SetClosedCB(options, OnClosed, bridge_.get());
    if (s == NATS_OK) s = natsOptions_SetErrorHandler(options, OnAsyncError, bridge_.get());
    if (s == NATS_OK) s = natsConnection_Connect(&connection_, options);
    if (s != NATS_OK) {
        *error = "cannot connect to NATS at " + url + ": " + LastError(s);
        connection_ = nullptr;
    }
    natsOptions_Destroy(options);
    return s == NATS_OK;
}

bool NatsLink::Subscribe(const std::string& subject, std::string* error) {
    natsSubscription* sub = nullptr;
    natsStatus s = natsConnection_Subscribe(&sub, connection_, subject.c_str(), OnMsg, bridge_.get());
    // A node busy for a moment must not lose presence changes: allow a deep backlog.
    if (s == NATS_OK) s = natsSubscription_SetPendingLimits(sub, 1000000, 256 * 1024 * 1024);
    if (s == NATS_OK) s = natsSubscription_SetOnCompleteCB(sub, OnSubscriptionDone, bridge_.get());
    if (s == NATS_OK) s = natsConnection_Flush(connection_);
    if (s != NATS_OK) {
        *error = "cannot subscribe to " + subject + ": " + LastError(s);
        if (sub) natsSubscription_Destroy(sub);
        return false;
    }
    subscription_ = sub;
    return true;
}

bool NatsLink::Publish(const std::string& subject, const std::string& data) {
    if (!connection_) return false;
    return natsConnection_Publish(connection_, subject.c_str(), data.data(), int(data.size())) == NATS_OK;
}

bool NatsLink::Flush(int timeoutMs) {
    return connection_ && natsConnection_FlushTimeout(connection_, timeoutMs) == NATS_OK;
}

bool NatsLink::Connected() const {
    return connection_ && natsConnection_Status(connection_) == NATS_CONN_STATUS_CONNECTED;
}

void NatsLink::Close() {
    if (!bridge_) return;
    bridge_->open = false;
    bool clean = true;
    if (subscription_) {
        auto* sub = static_cast<natsSubscription*>(subscription_);
        auto done = bridge_->subscriptionDone.get_future();
        if (natsSubscription_Unsubscribe(sub) == NATS_OK)
            clean = done.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
        else
            clean = false;
        natsSubscription_Destroy(sub);
        subscription_ = nullptr;
    }
    if (connection_) {
        auto closed = bridge_->closed.get_future();
        natsConnection_Close(connection_);
        clean = closed.wait_for(std::chrono::seconds(1)) == std::future_status::ready && clean;
        natsConnection_Destroy(connection_);
        connection_ = nullptr;
    }
    // If the library might still call back, the bridge is left to it rather than freed under it.
    if (clean) bridge_->keep.reset();
    bridge_.reset();
}

}  // namespace server::cluster
