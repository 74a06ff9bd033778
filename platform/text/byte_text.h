#pragma once
// Byte-wise helpers that treat text the way the C library of the original platform did.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Compares as unsigned bytes; the first difference decides, a shorter prefix sorts first.
// Returns <0, 0 or >0.
int CompareBytes(std::string_view a, std::string_view b);

// Lower-cases ASCII letters only; both bytes of a double-byte CP932 character stay as they are
// (a trail byte may fall in 'A'..'Z').
std::string AsciiLower(std::string_view text);

// atoi: leading white space, optional sign, decimal digits up to the first other character;
// 0 when no digit follows. Values beyond 32 bits saturate instead of overflowing.
int32_t CAtoi(std::string_view text);

// Hexadecimal reading as "%X" does: leading white space skipped, an optional "0x", digits of
// either case up to the first other character. Keeps the low 32 bits; 0 when nothing is read.
uint32_t ReadHex(std::string_view text, bool* anyDigit = nullptr);

}  // namespace platform
