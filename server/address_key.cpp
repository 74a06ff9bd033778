#include "server/address_key.h"

#include <cctype>
#include <cstdio>

namespace server {

std::string AddressKey(const asio::ip::address& address) {
    char text[33];
    if (address.is_v4() || address.to_v6().is_v4_mapped()) {
        const uint32_t v = address.is_v4() ? address.to_v4().to_uint()
                                           : asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_uint();
        std::snprintf(text, sizeof text, "%08X", v);
        return text;
    }
    const auto bytes = address.to_v6().to_bytes();
    for (size_t i = 0; i < bytes.size(); ++i) std::snprintf(text + 2 * i, 3, "%02X", bytes[i]);
    return text;
}

std::optional<std::string> ParseAddressKey(const std::string& text) {
    std::error_code ec;
    const auto address = asio::ip::make_address(text, ec);
    if (!ec) return AddressKey(address);
    if (text.size() != 8 && text.size() != 32) return std::nullopt;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    if (text.size() == 8) {
        std::string key = text;
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return key;
    }
    // Through the address, so a mapped IPv4 address typed in full gets its short key.
    asio::ip::address_v6::bytes_type bytes{};
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
    return AddressKey(asio::ip::address_v6(bytes));
}

std::string AddressOfKey(const std::string& key) {
    if (key.size() == 8) return asio::ip::address_v4(static_cast<uint32_t>(std::stoul(key, nullptr, 16))).to_string();
    asio::ip::address_v6::bytes_type bytes{};
    for (size_t i = 0; i < bytes.size() && 2 * i + 1 < key.size(); ++i)
        bytes[i] = static_cast<unsigned char>(std::stoul(key.substr(2 * i, 2), nullptr, 16));
    return asio::ip::address_v6(bytes).to_string();
}

}  // namespace server
