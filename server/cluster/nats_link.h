#pragma once
// This node's connection to NATS. The client library calls back on its own threads; every
// message and every change of the connection's state is handed to the server's io_context, so
// the world's state stays on one thread.
#include <asio.hpp>

#include <functional>
#include <memory>
#include <string>

struct __natsConnection;

namespace server::cluster {

// TLS towards NATS: used when the URL is tls://...; empty files mean the system's trusted CAs
// and no client certificate.
struct NatsTls {
    std::string caFile, certFile, keyFile;
};

class NatsLink {
public:
    using MessageHandler = std::function<void(const std::string& subject, const std::string& data)>;
    using StateHandler = std::function<void(bool connected)>;
    using ErrorHandler = std::function<void(const std::string& what)>;
    // Runs on the client library's thread before the message is handed over; must be thread-safe.
    using Peek = std::function<void(const char* data, size_t size)>;

    explicit NatsLink(asio::io_context& io);
    ~NatsLink();
    NatsLink(const NatsLink&) = delete;
    NatsLink& operator=(const NatsLink&) = delete;

    void OnMessage(MessageHandler handler, Peek peek = {});
    void OnState(StateHandler handler);
    void OnError(ErrorHandler handler);

    // The first connection must succeed; after that the library reconnects by itself, forever.
    bool Connect(const std::string& url, const std::string& name, std::string* error, const NatsTls& tls = {});
    bool Subscribe(const std::string& subject, std::string* error);
    // False when the message could not even be buffered (the library keeps a small buffer while
    // it reconnects).
    bool Publish(const std::string& subject, const std::string& data);
    bool Flush(int timeoutMs);
    bool Connected() const;
    __natsConnection* Connection() const { return connection_; }
    void Close();

    struct Bridge;

private:
    std::shared_ptr<Bridge> bridge_;
    __natsConnection* connection_ = nullptr;
    void* subscription_ = nullptr;
};

}  // namespace server::cluster
