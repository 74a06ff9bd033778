#pragma once
// Domain text is kept as CP932 bytes in std::string; these convert at the Qt and UTF-8 edges.
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// True for a byte that starts a double-byte CP932 character.
bool IsCp932LeadByte(unsigned char byte);

// Strict conversions: std::nullopt when the input holds a byte sequence the other side cannot hold.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Lenient conversions for display and input: unconvertible characters become '?'/U+FFFD.
QString ToQString(std::string_view cp932);
std::string FromQString(const QString& text);

// What the user typed, in the carried form (characters beyond CP932 as references), and carried
// text as it is drawn. Every text a user types for others and every such text shown goes
// through these.
std::string CarriedText(const QString& text);
QString ShownText(std::string_view carried);

// Literal UTF-8 source text (string tables, fixed messages) as CP932 bytes.
std::string Sjis(std::string_view utf8);

}  // namespace platform
