#include "platform/text/user_address.h"

#include "platform/text/byte_text.h"

#include <cstdio>

namespace platform {

std::string UserAddressText(std::string_view userId) {
    const size_t colon = userId.find(':');
    if (colon == std::string_view::npos) return "Localhost";
    const uint32_t v = ReadHex(userId.substr(0, colon));
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 255),
                  static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255));
    return text;
}

}  // namespace platform
