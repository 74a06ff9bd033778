#pragma once
#include <string>
#include <string_view>

namespace platform {

// The display form of a user id: "Localhost" without a ':'; otherwise the hexadecimal number
// before the first ':' printed as four decimal bytes, most significant first ("%d.%d.%d.%d").
// A part that is not hexadecimal reads as far as it is (nothing read gives 0.0.0.0), so the
// roster and the chat log always agree on the same id.
std::string UserAddressText(std::string_view userId);

}  // namespace platform
