#include "platform/ui/string_table.h"

#include "platform/text/cp932.h"

namespace platform::ui {

StringTable::StringTable(std::initializer_list<std::pair<int, std::string_view>> entries) {
    for (const auto& [id, text] : entries) Add(id, text);
}

void StringTable::Add(int id, std::string_view utf8) {
    Entry entry;
    entry.text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    // A table text the code page cannot hold is a source mistake; degrade it visibly to '?'.
    entry.cp932 = platform::FromQString(entry.text);
    m_entries[id] = std::move(entry);
}

bool StringTable::Contains(int id) const { return m_entries.count(id) != 0; }

std::string StringTable::Get(int id) const {
    auto it = m_entries.find(id);
    return it == m_entries.end() ? std::string() : it->second.cp932;
}

QString StringTable::GetQ(int id) const {
    auto it = m_entries.find(id);
    return it == m_entries.end() ? QString() : it->second.text;
}

}  // namespace platform::ui
