#pragma once
// Plain text to the system clipboard.
#include <string>

namespace platform::ui {

// Places CP932 text on the clipboard as plain text, replacing what was there. As with a C string,
// the text ends at the first zero byte.
void CopyTextToClipboard(const std::string& cp932);

}  // namespace platform::ui
