#pragma once
// Text travels, is logged and stored as CP932 bytes. A character CP932 cannot hold is carried
// inside that text as a numeric character reference ("&#x1F600;"), so older peers and every stored
// format stay as they are; a literal "&#x" the user typed is carried as "&#x26;#x" so it comes back
// as typed. Text that fits CP932 is carried byte for byte. No Qt here: the bot and the benchmarks
// speak the same form.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 to the carried form. A character is carried as itself only when CP932 gives it back
// unchanged (glibc maps a few, such as U+301C and U+00A5, one way only). Invalid UTF-8 becomes '?'.
std::string Utf8ToCarried(std::string_view utf8);

// The carried form to UTF-8 for showing: references turned back into characters. A reference to
// a control character, a surrogate or beyond U+10FFFF is shown as written; a byte that is not
// CP932 becomes '?', as in every other display conversion.
std::string CarriedToUtf8(std::string_view carried);

// Length in bytes of the longest prefix of carried text within limit bytes that ends neither
// inside a reference nor inside a double-byte character.
std::size_t CarriedPrefixLength(std::string_view carried, std::size_t limit);

// Appends the code point as UTF-8 (the caller keeps it a valid scalar value).
void AppendUtf8(std::string& out, char32_t codePoint);

// Length of the reference starting at text[0] ("&#x" 1-6 hex digits ";"), 0 when there is none.
// codePoint receives its value.
std::size_t CarriedReferenceLength(std::string_view text, char32_t* codePoint = nullptr);

}  // namespace platform
