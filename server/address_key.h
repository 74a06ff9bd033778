#pragma once
// The key a peer's address is known by: in the ids others see ("7F000001:100"), in the
// per-address connection counts and in bans. IPv4 (and IPv4-mapped IPv6) addresses are eight
// upper-case hexadecimal digits, other IPv6 addresses all thirty-two, without separators, so
// two hosts never share a key and the id stays one unbroken token before the colon.
#include <asio/ip/address.hpp>

#include <optional>
#include <string>

namespace server {

std::string AddressKey(const asio::ip::address& address);

// An address as an operator types it ("192.0.2.7", "2001:db8::1") or as a key ("C0000207");
// nullopt when it is neither.
std::optional<std::string> ParseAddressKey(const std::string& text);

// The key back as an address, for people to read ("7F000001" -> "127.0.0.1").
std::string AddressOfKey(const std::string& key);

}  // namespace server
