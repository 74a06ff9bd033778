#pragma once
// The certificates of the servers this user has connected to, one per host and port, kept in the
// settings file under the product's key. The first certificate a server shows is trusted from
// then on; a different one later is refused, since it may be someone in between.
#include <optional>
#include <string>

namespace communication {

class ServerPins {
public:
    enum class Verdict { FirstSeen, Same, Changed };

    // Registry key under HKEY_LOCAL_MACHINE; value name "host:port", data the fingerprint.
    static const char* const kKey;

    // Compares with the pinned fingerprint; the first one seen for a server is pinned. On
    // Changed, *pinned holds the fingerprint kept from before.
    static Verdict Check(const std::string& host, uint16_t port, const std::string& fingerprint,
                         std::string* pinned = nullptr);
    static std::optional<std::string> Pinned(const std::string& host, uint16_t port);
    // Forgets a server's certificate (it was replaced on purpose): the next one is pinned anew.
    static void Forget(const std::string& host, uint16_t port);
};

}  // namespace communication
