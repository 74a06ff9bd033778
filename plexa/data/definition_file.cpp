#include "plexa/data/definition_file.h"

#include "platform/text/cp932.h"
#include "plexa/data/text_lines.h"

namespace plexa {
namespace {

bool IsLeadingSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The header name ends at the first ']' that is a character of its own, not the trail byte of
// a double-byte one; without any, the rest of the line is the name.
std::string SectionName(std::string_view afterBracket) {
    for (size_t i = 0; i < afterBracket.size(); ++i) {
        const auto byte = static_cast<unsigned char>(afterBracket[i]);
        if (platform::IsCp932LeadByte(byte)) {
            ++i;
            continue;
        }
        if (byte == ']') return std::string(afterBracket.substr(0, i));
    }
    return std::string(afterBracket);
}

enum class Keyword { None, Date, Vrml, Image, Texture, Button };

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The name in "BUTTON:name=", blanks round it dropped; empty without the colon. '=' and blanks
// never occur as CP932 trail bytes, so the byte search is safe.
std::string ButtonLabel(std::string_view beforeEquals) {
    beforeEquals.remove_prefix(std::string_view("BUTTON").size());
    while (!beforeEquals.empty() && IsBlank(beforeEquals.front())) beforeEquals.remove_prefix(1);
    if (beforeEquals.empty() || beforeEquals.front() != ':') return {};
    beforeEquals.remove_prefix(1);
    while (!beforeEquals.empty() && IsBlank(beforeEquals.front())) beforeEquals.remove_prefix(1);
    while (!beforeEquals.empty() && IsBlank(beforeEquals.back())) beforeEquals.remove_suffix(1);
    return std::string(beforeEquals);
}

Keyword KeywordOf(std::string_view line) {
    struct Entry {
        std::string_view word;
        Keyword keyword;
    };
    static constexpr Entry kWords[] = {{"DATE", Keyword::Date},
                                       {"VRML", Keyword::Vrml},
                                       {"IMAGE", Keyword::Image},
                                       {"TEXTURE", Keyword::Texture},
                                       {"BUTTON", Keyword::Button}};
    for (const Entry& entry : kWords)
        if (line.starts_with(entry.word)) return entry.keyword;
    return Keyword::None;
}

void ApplyLine(std::string_view line, AvatarDefinitionList& list) {
    size_t first = 0;
    while (first < line.size() && IsLeadingSpace(line[first])) ++first;
    line.remove_prefix(first);
    if (line.empty()) return;

    if (line.front() == '[') {
        list.push_back(AvatarDefinition{});
        list.back().sectionName = SectionName(line.substr(1));
        return;
    }
    const Keyword keyword = KeywordOf(line);
    // Keyword lines before any header have no record to belong to.
    if (keyword == Keyword::None || list.empty()) return;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    std::string value(line.substr(equals + 1));
    AvatarDefinition& current = list.back();
    if (keyword == Keyword::Date) {
        current.date = std::move(value);
        return;
    }
    // '/' never occurs as a trail byte, so a plain search is safe on CP932 text. A path
    // without any '/' names no file; such a line is left out.
    const size_t slash = line.rfind('/');
    if (slash == std::string_view::npos) return;
    std::string fileName(line.substr(slash + 1));
    switch (keyword) {
    case Keyword::Vrml:
        current.vrmlUrl = std::move(value);
        current.vrmlFileName = std::move(fileName);
        break;
    case Keyword::Image:
        current.imageUrl = std::move(value);
        current.imageFileName = std::move(fileName);
        break;
    case Keyword::Texture:
        current.textures.push_back({std::move(value), std::move(fileName)});
        break;
    case Keyword::Button:
        current.buttons.push_back({std::move(value), std::move(fileName), ButtonLabel(line.substr(0, equals))});
        break;
    default:
        break;
    }
}

}  // namespace

AvatarDefinitionList ParseDefinitionText(std::string_view bytes) {
    AvatarDefinitionList list;
    for (std::string_view line : SplitTextLines(bytes)) ApplyLine(line, list);
    return list;
}

AvatarDefinitionList ParseDefinitionFile(const std::string& cp932Path) {
    const std::optional<std::string> bytes = ReadFileBytes(cp932Path);
    if (!bytes) return {};
    return ParseDefinitionText(*bytes);
}

}  // namespace plexa
