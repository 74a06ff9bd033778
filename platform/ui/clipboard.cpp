#include "platform/ui/clipboard.h"

#include "platform/text/cp932.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

namespace platform::ui {

void CopyTextToClipboard(const std::string& cp932) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    const std::string_view text(cp932.data(), std::min(cp932.size(), cp932.find('\0')));
    clipboard->setText(platform::ToQString(text));
}

}  // namespace platform::ui
