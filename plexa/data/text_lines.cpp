#include "plexa/data/text_lines.h"

#include "platform/text/cp932.h"

#include <QFile>

namespace plexa {

std::optional<std::string> ReadFileBytes(const std::string& cp932Path) {
    QFile file(platform::ToQString(cp932Path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes.toStdString();
}

std::vector<std::string_view> SplitTextLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (!last && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = last ? bytes.size() : end + 1;
    }
    return lines;
}

}  // namespace plexa
