#include "host/container/html_object_reader.h"

#include "platform/text/carried_text.h"

#include <algorithm>
#include <cstdint>

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Lower(c);
    return out;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Lower(x) == Lower(y);
           });
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == ':' || c == '.';
}

// A numeric reference that names no character becomes U+FFFD.
void AppendReferencedUtf8(std::string& out, uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    platform::AppendUtf8(out, static_cast<char32_t>(cp));
}

// Decodes &amp; &lt; &gt; &quot; &apos; &nbsp; and numeric references; anything else stays as written.
std::string DecodeReferences(std::string_view text) {
    static const std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        const size_t semi = text.find(';', i + 1);
        if (semi == std::string_view::npos || semi - i > 12) {
            out += text[i++];
            continue;
        }
        const std::string_view body = text.substr(i + 1, semi - i - 1);
        bool done = false;
        if (body.size() >= 2 && body[0] == '#') {
            const bool hex = body[1] == 'x' || body[1] == 'X';
            const std::string_view digits = body.substr(hex ? 2 : 1);
            uint32_t cp = 0;
            bool ok = !digits.empty();
            for (char c : digits) {
                int d = -1;
                if (c >= '0' && c <= '9') d = c - '0';
                else if (hex && Lower(c) >= 'a' && Lower(c) <= 'f') d = Lower(c) - 'a' + 10;
                if (d < 0) {
                    ok = false;
                    break;
                }
                cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
                if (cp > 0x10FFFF) cp = 0x110000;  // stays out of range, never wraps
            }
            if (ok) {
                AppendReferencedUtf8(out, cp);
                done = true;
            }
        } else {
            for (const auto& [name, value] : kNamed) {
                if (SameName(body, name)) {
                    out += value;
                    done = true;
                    break;
                }
            }
        }
        if (done) {
            i = semi + 1;
        } else {
            out += text[i++];
        }
    }
    return out;
}

struct Tag {
    std::string name;  // lower case
    bool closing = false;
    std::vector<std::pair<std::string, std::string>> attributes;
};

// Reads the tag that starts at html[pos] == '<'; pos ends after it. False when it is not a tag.
bool ReadTag(std::string_view html, size_t& pos, Tag& tag) {
    size_t i = pos + 1;
    if (i < html.size() && html[i] == '/') {
        tag.closing = true;
        ++i;
    }
    const size_t nameStart = i;
    while (i < html.size() && IsNameChar(html[i])) ++i;
    if (i == nameStart || !((html[nameStart] >= 'a' && html[nameStart] <= 'z') ||
                            (html[nameStart] >= 'A' && html[nameStart] <= 'Z')))
        return false;
    tag.name = LowerText(html.substr(nameStart, i - nameStart));
    while (i < html.size()) {
        while (i < html.size() && (IsSpace(html[i]) || html[i] == '/')) ++i;
        if (i >= html.size()) break;
        if (html[i] == '>') {
            ++i;
            break;
        }
        const size_t attrStart = i;
        while (i < html.size() && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '/') ++i;
        if (i == attrStart) {  // a stray '=' or the like
            ++i;
            continue;
        }
        std::string name = LowerText(html.substr(attrStart, i - attrStart));
        size_t j = i;
        while (j < html.size() && IsSpace(html[j])) ++j;
        std::string value;
        if (j < html.size() && html[j] == '=') {
            ++j;
            while (j < html.size() && IsSpace(html[j])) ++j;
            if (j < html.size() && (html[j] == '"' || html[j] == '\'')) {
                const char quote = html[j];
                const size_t end = html.find(quote, j + 1);
                const size_t stop = end == std::string_view::npos ? html.size() : end;
                value = DecodeReferences(html.substr(j + 1, stop - j - 1));
                j = end == std::string_view::npos ? html.size() : end + 1;
            } else {
                const size_t valueStart = j;
                while (j < html.size() && !IsSpace(html[j]) && html[j] != '>') ++j;
                value = DecodeReferences(html.substr(valueStart, j - valueStart));
            }
            i = j;
        }
        // The first of two same-named attributes counts, as browsers do.
        const bool seen = std::any_of(tag.attributes.begin(), tag.attributes.end(),
                                      [&](const auto& a) { return a.first == name; });
        if (!seen) tag.attributes.emplace_back(std::move(name), std::move(value));
    }
    pos = i;
    return true;
}

// Skips to the end of raw text (script, style) after its start tag: to "</name", or to the end.
size_t SkipRawText(std::string_view html, size_t pos, std::string_view name) {
    for (size_t at = html.find("</", pos); at != std::string_view::npos; at = html.find("</", at + 2)) {
        if (SameName(html.substr(at + 2, name.size()), name)) return at;
    }
    return html.size();
}

template <typename OnTag>
void ForEachTag(std::string_view html, OnTag onTag) {
    size_t pos = 0;
    while (pos < html.size()) {
        const size_t lt = html.find('<', pos);
        if (lt == std::string_view::npos) break;
        pos = lt;
        if (html.substr(pos, 4) == "<!--") {
            const size_t end = html.find("-->", pos + 4);
            pos = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        if (pos + 1 < html.size() && (html[pos + 1] == '!' || html[pos + 1] == '?')) {
            const size_t end = html.find('>', pos);
            pos = end == std::string_view::npos ? html.size() : end + 1;
            continue;
        }
        Tag tag;
        if (!ReadTag(html, pos, tag)) {
            ++pos;
            continue;
        }
        onTag(tag);
        if (!tag.closing && (tag.name == "script" || tag.name == "style" || tag.name == "textarea" ||
                             tag.name == "title"))
            pos = SkipRawText(html, pos, tag.name);
    }
}

std::optional<std::string> Find(const std::vector<std::pair<std::string, std::string>>& items, std::string_view name) {
    for (const auto& [key, value] : items)
        if (SameName(key, name)) return value;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> HtmlObject::Attribute(std::string_view name) const { return Find(attributes, name); }
std::optional<std::string> HtmlObject::Param(std::string_view name) const { return Find(params, name); }

std::vector<HtmlObject> HtmlObjectReader::Read(std::string_view html) {
    std::vector<HtmlObject> objects;
    std::vector<size_t> open;  // indexes of the objects not yet closed, innermost last
    ForEachTag(html, [&](const Tag& tag) {
        if (tag.name == "object") {
            if (tag.closing) {
                if (!open.empty()) open.pop_back();
                return;
            }
            objects.push_back(HtmlObject{tag.attributes, {}});
            open.push_back(objects.size() - 1);
        } else if (tag.name == "param" && !tag.closing && !open.empty()) {
            const auto name = Find(tag.attributes, "name");
            if (!name || name->empty()) return;
            objects[open.back()].params.emplace_back(*name, Find(tag.attributes, "value").value_or(""));
        }
    });
    return objects;
}

std::string HtmlObjectReader::DeclaredCharset(std::string_view html) {
    std::string charset;
    ForEachTag(html, [&](const Tag& tag) {
        if (!charset.empty() || tag.closing || tag.name != "meta") return;
        if (auto value = Find(tag.attributes, "charset")) {
            charset = LowerText(*value);
            return;
        }
        if (auto content = Find(tag.attributes, "content")) {
            const std::string lower = LowerText(*content);
            const size_t at = lower.find("charset=");
            if (at == std::string::npos) return;
            size_t end = at + 8;
            while (end < lower.size() && lower[end] != ';' && !IsSpace(lower[end]) && lower[end] != '"') ++end;
            charset = lower.substr(at + 8, end - at - 8);
        }
    });
    return charset;
}
