#pragma once
// One simulated participant of a system under test. It lives on one client event loop, joins
// asynchronously (connect, log in, enter the region or subscribe), then sends when told to and
// counts what it receives into that loop's statistics.
#include <cstdint>
#include <string>

namespace fanout {

class FanoutClient {
public:
    virtual ~FanoutClient() = default;

    virtual void Start() = 0;
    virtual bool Ready() const = 0;
    virtual bool Failed() const = 0;
    virtual const std::string& Error() const = 0;

    virtual void SendPose(uint64_t nowMicros) = 0;
    virtual void SendChat(uint64_t nowMicros) = 0;
    // Drops the connection; nothing more is counted.
    virtual void Close() = 0;
};

}  // namespace fanout
