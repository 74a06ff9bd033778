#include "plexa/data/region_list.h"

#include "platform/text/cp932.h"
#include "plexa/data/text_lines.h"

#include <QFile>

namespace plexa {

RegionList ParseRegionList(std::string_view bytes) {
    RegionList list;
    // ',' is below every CP932 trail byte, so splitting on the byte is safe.
    for (std::string_view line : SplitTextLines(bytes)) {
        const size_t first = line.find(',');
        if (first == std::string_view::npos) continue;
        const size_t second = line.find(',', first + 1);
        if (second == std::string_view::npos) continue;
        const size_t third = line.find(',', second + 1);
        if (third == std::string_view::npos) continue;
        RegionEntry entry;
        entry.name = std::string(line.substr(first + 1, second - first - 1));
        entry.url = std::string(line.substr(second + 1, third - second - 1));
        entry.hidden = !(third + 1 < line.size() && line[third + 1] == '1');
        list.push_back(std::move(entry));
    }
    return list;
}

std::optional<RegionList> ReadRegionList(const std::string& cp932Path) {
    const std::optional<std::string> bytes = ReadFileBytes(cp932Path);
    if (!bytes) return std::nullopt;
    return ParseRegionList(*bytes);
}

bool RemoveRegionTempFile(const std::string& cp932InstallDirectory) {
    QFile file(platform::ToQString(cp932InstallDirectory + "/" + kRegionTempFileName));
    // Only a file that can be opened for reading counts as present.
    if (!file.open(QIODevice::ReadOnly)) return false;
    file.close();
    return file.remove();
}

}  // namespace plexa
