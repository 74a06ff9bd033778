#include "server/tls_identity.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace server {
namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Deleter<X509, X509_free>>;

bool Exists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

// Written whole under a temporary name with the given mode, then renamed into place.
bool WritePem(const std::string& path, mode_t mode, const std::function<bool(FILE*)>& write, std::string* error) {
    const std::string temp = path + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) {
        *error = "cannot write " + temp + ": " + std::strerror(errno);
        return false;
    }
    FILE* file = ::fdopen(fd, "w");
    bool ok = file && write(file) && std::fflush(file) == 0 && ::fsync(fd) == 0;
    if (file) std::fclose(file); else ::close(fd);
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        *error = "cannot write " + path;
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool EnsureSelfSignedCertificate(const std::string& certPath, const std::string& keyPath, std::string* error) {
    const bool haveCert = Exists(certPath), haveKey = Exists(keyPath);
    if (haveCert && haveKey) return true;
    if (haveCert) {
        *error = keyPath + " is missing while " + certPath + " exists; restore it, or remove both to make a new "
                 "certificate (clients will then refuse the server until they forget its old one)";
        return false;
    }
    // A key without its certificate is what a first start cut short leaves: no client has seen
    // a certificate yet, so one is made for that key.
    Key key;
    if (haveKey) {
        std::FILE* file = std::fopen(keyPath.c_str(), "r");
        if (file) {
            key.reset(PEM_read_PrivateKey(file, nullptr, nullptr, nullptr));
            std::fclose(file);
        }
        if (!key) {
            *error = "cannot read the key " + keyPath;
            return false;
        }
    } else {
        key.reset(EVP_EC_gen("P-256"));
    }
    Cert cert(X509_new());
    if (!key || !cert) {
        *error = "cannot make a key for " + keyPath;
        return false;
    }
    X509_set_version(cert.get(), 2);
    // A random serial: two servers' certificates never look alike.
    unsigned char serial[16];
    std::FILE* random = std::fopen("/dev/urandom", "rb");
    const bool gotRandom = random && std::fread(serial, 1, sizeof serial, random) == sizeof serial;
    if (random) std::fclose(random);
    if (!gotRandom) {
        *error = "cannot read /dev/urandom for the certificate of " + certPath;
        return false;
    }
    serial[0] &= 0x7F;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 20L * 365 * 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("moneko-server"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) <= 0) {
        *error = "cannot sign the certificate for " + certPath;
        return false;
    }
    // The key first: a certificate without its key could never be used.
    if (!haveKey && !WritePem(keyPath, 0600, [&](FILE* f) { return PEM_write_PrivateKey(f, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1; }, error))
        return false;
    return WritePem(certPath, 0644, [&](FILE* f) { return PEM_write_X509(f, cert.get()) == 1; }, error);
}

std::string CertificateFingerprint(const std::string& certPath) {
    std::FILE* file = std::fopen(certPath.c_str(), "r");
    if (!file) return "";
    Cert cert(PEM_read_X509(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    if (!cert) return "";
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (X509_digest(cert.get(), EVP_sha256(), digest, &size) != 1) return "";
    std::string out;
    char hex[4];
    for (unsigned i = 0; i < size; ++i) {
        std::snprintf(hex, sizeof hex, i ? ":%02X" : "%02X", digest[i]);
        out += hex;
    }
    return out;
}

}  // namespace server
