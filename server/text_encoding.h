#pragma once
// UTF-8 (terminals, command lines) <-> CP932 (everything on the wire), through glibc iconv.
#include <optional>
#include <string>

namespace server {

std::optional<std::string> Utf8ToCp932(const std::string& utf8);
// For printing: bytes that are not CP932 come out as '?'.
std::string Cp932ToUtf8(const std::string& cp932);

}  // namespace server
