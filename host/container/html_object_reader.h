#pragma once
// Finds the <object> elements of a web page and the <param> elements inside them. Tolerant of
// what real pages hold: any letter case, quoted or bare attribute values, missing end tags,
// comments and scripts; never reads past the text it is given. Values keep the page's bytes,
// with character references decoded (numeric ones as UTF-8).
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HtmlObject {
    std::vector<std::pair<std::string, std::string>> attributes;  // names in lower case
    std::vector<std::pair<std::string, std::string>> params;      // name and value as written

    std::optional<std::string> Attribute(std::string_view name) const;
    std::optional<std::string> Param(std::string_view name) const;
};

class HtmlObjectReader {
public:
    // Every <object> in document order (outer before inner).
    static std::vector<HtmlObject> Read(std::string_view html);
    // The charset a <meta> element declares, in lower case; empty when none does.
    static std::string DeclaredCharset(std::string_view html);
};
