#pragma once
// The certificate and key the server shows its clients. Without --cert/--key a server makes its
// own on first start (a self-signed certificate on a fresh P-256 key, the key readable by this
// user only) and keeps using it: clients pin the certificate they first saw, so it must not
// change from one start to the next.
#include <string>

namespace server {

// Makes certPath and keyPath if neither exists; false with *error naming the file otherwise.
// A pair of which only one half exists is an error too: making a new key would orphan the other.
bool EnsureSelfSignedCertificate(const std::string& certPath, const std::string& keyPath, std::string* error);

// SHA-256 of the certificate's DER form as upper-case hex pairs joined by ':' (what clients show);
// empty when the file cannot be read.
std::string CertificateFingerprint(const std::string& certPath);

}  // namespace server
