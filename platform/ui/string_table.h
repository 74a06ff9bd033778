#pragma once
// A module's texts by id. Written as UTF-8 in the source, handed out as CP932 domain text or as
// QString for widgets. Each module keeps its own table.
#include <QString>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace platform::ui {

class StringTable {
public:
    StringTable() = default;
    StringTable(std::initializer_list<std::pair<int, std::string_view>> entries);

    // Adds or replaces the text of an id.
    void Add(int id, std::string_view utf8);

    bool Contains(int id) const;
    // CP932 bytes; empty for an unknown id.
    std::string Get(int id) const;
    // The same text for Qt; empty for an unknown id.
    QString GetQ(int id) const;

private:
    struct Entry {
        std::string cp932;
        QString text;
    };
    std::unordered_map<int, Entry> m_entries;
};

}  // namespace platform::ui
