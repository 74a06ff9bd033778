#include "controls/communication/server_pins.h"

#include "platform/registry/registry.h"

#include <cctype>

namespace communication {

using namespace platform::registry;

const char* const ServerPins::kKey = "SOFTWARE\\Sorvik\\Moneko\x81\xF4\\2.0\\ServerCertificates";

namespace {

// Host names differ in case only on paper.
std::string ValueName(const std::string& host, uint16_t port) {
    std::string name;
    for (char c : host) name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name + ":" + std::to_string(port);
}

}  // namespace

std::optional<std::string> ServerPins::Pinned(const std::string& host, uint16_t port) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[256] = {};
    DWORD size = sizeof data - 1, type = 0;
    const LONG rc = RegQueryValueExA(key, ValueName(host, port).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    std::string value(data, size);
    while (!value.empty() && value.back() == '\0') value.pop_back();
    if (value.empty()) return std::nullopt;
    return value;
}

ServerPins::Verdict ServerPins::Check(const std::string& host, uint16_t port, const std::string& fingerprint,
                                      std::string* pinned) {
    if (auto kept = Pinned(host, port)) {
        if (*kept == fingerprint) return Verdict::Same;
        if (pinned) *pinned = *kept;
        return Verdict::Changed;
    }
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kKey, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, ValueName(host, port).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(fingerprint.c_str()),
                       static_cast<DWORD>(fingerprint.size() + 1));
        RegCloseKey(key);
    }
    return Verdict::FirstSeen;
}

void ServerPins::Forget(const std::string& host, uint16_t port) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, ValueName(host, port).c_str());
    RegCloseKey(key);
}

}  // namespace communication
