#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::com {

// A class or interface identifier; text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case).
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    std::string ToString() const;
    // Accepts the braced form in either case; nullopt for anything else.
    static std::optional<Guid> FromString(std::string_view text);
    friend bool operator==(const Guid&, const Guid&) = default;
};

}  // namespace platform::com
