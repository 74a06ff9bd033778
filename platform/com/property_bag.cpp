#include "platform/com/property_bag.h"

#include <algorithm>

namespace platform::com {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// None of the escaped bytes can be a CP932 trail byte, so escaping byte by byte is safe.
std::string Escape(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c == '%' || c == '=' || c == '\r' || c == '\n') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Unescape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

void PropertyBag::Write(const std::string& name, const std::string& value) {
    for (auto& item : items_) {
        if (SameName(item.first, name)) {
            item.second = value;
            return;
        }
    }
    items_.emplace_back(name, value);
}

std::optional<std::string> PropertyBag::Read(const std::string& name) const {
    for (const auto& item : items_)
        if (SameName(item.first, name)) return item.second;
    return std::nullopt;
}

std::string PropertyBag::ToText() const {
    std::string out;
    for (const auto& [name, value] : items_) {
        out += Escape(name);
        out += '=';
        out += Escape(value);
        out += '\n';
    }
    return out;
}

PropertyBag PropertyBag::FromText(const std::string& text) {
    PropertyBag bag;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        bag.Write(Unescape(line.substr(0, eq)), Unescape(line.substr(eq + 1)));
    }
    return bag;
}

}  // namespace platform::com
