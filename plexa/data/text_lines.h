#pragma once
// Reading the install directory's small text files the way the C library's text mode does.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plexa {

// The whole file, or nothing when it cannot be opened for reading. The path is CP932 text, as
// the settings hold it.
std::optional<std::string> ReadFileBytes(const std::string& cp932Path);

// Lines without their end: LF ends a line and a CR right before it belongs to the end. A last
// line without an end is a line too; the text after a final LF is not.
std::vector<std::string_view> SplitTextLines(std::string_view bytes);

}  // namespace plexa
