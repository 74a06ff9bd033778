#include "platform/registry/registry_tree.h"

#include "platform/text/byte_text.h"
#include "platform/text/cp932.h"

#include <algorithm>
#include <cstdio>

namespace platform::registry {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// True when text[i] starts a double-byte character; such a pair is copied as it is, so a trail
// byte 0x5C is never taken for an escape or a path separator.
bool IsPair(std::string_view text, size_t i) {
    return IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
           IsTrailByte(static_cast<unsigned char>(text[i + 1]));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && RegistryTree::SameName(s.substr(0, prefix.size()), prefix);
}

std::string Quote(std::string_view bytes) {
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (IsPair(bytes, i)) {
            out += bytes.substr(i, 2);
            ++i;
            continue;
        }
        if (bytes[i] == '\\' || bytes[i] == '"') out += '\\';
        out += bytes[i];
    }
    out += '"';
    return out;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
bool Unquote(std::string_view text, size_t& pos, std::string& out, std::string& why) {
    ++pos;
    while (pos < text.size()) {
        if (IsPair(text, pos)) {
            out += text.substr(pos, 2);
            pos += 2;
            continue;
        }
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (pos + 1 < text.size() && (text[pos + 1] == '\\' || text[pos + 1] == '"')) {
                out += text[pos + 1];
                pos += 2;
                continue;
            }
            why = "unknown escape sequence in quoted text";
            return false;
        }
        out += c;
        ++pos;
    }
    why = "quoted text is not closed";
    return false;
}

// Whether the quoted form gives back exactly these bytes on one line.
bool QuotesExactly(std::string_view bytes) {
    for (char c : bytes) {
        if (c == '\0' || c == '\n' || c == '\r') return false;
    }
    const std::string quoted = Quote(bytes);
    size_t pos = 0;
    std::string back;
    std::string why;
    return Unquote(quoted, pos, back, why) && pos == quoted.size() && back == bytes;
}

std::string HexBytes(std::string_view data) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(data[i]));
        if (i > 0) out += ',';
        out += buf;
    }
    return out;
}

std::string ValueText(const RegistryTree::Value& v) {
    if (v.type == REG_SZ && QuotesExactly(v.data)) return Quote(v.data);
    if (v.type == REG_DWORD && v.data.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return buf;
    }
    if (v.type == REG_BINARY) return "hex:" + HexBytes(v.data);
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    return buf + HexBytes(v.data);
}

void SerialiseKey(const RegistryTree::Key& key, const std::string& path, bool isRoot, std::string& out) {
    if (!isRoot || !key.values.empty()) {
        out += '[' + path + "]\n";
        for (const auto& v : key.values) {
            out += v.name.empty() ? std::string("@") : Quote(v.name);
            out += '=' + ValueText(v) + '\n';
        }
        out += '\n';
    }
    for (const auto& child : key.children) SerialiseKey(*child, path + '\\' + child->name, false, out);
}

class Parser {
public:
    Parser(RegistryTree& tree, std::string_view text) : tree_(tree) {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            lines_.push_back(TrimRight(text.substr(start, end - start)));
            start = end + 1;
        }
    }

    bool Run(std::string* problem) {
        bool sawHeader = false;
        while (index_ < lines_.size()) {
            lineNo_ = index_ + 1;
            std::string_view line = TrimLeft(lines_[index_++]);
            if (line.empty() || line.front() == ';') continue;
            bool ok;
            if (!sawHeader) {
                ok = line == kHeader;
                if (!ok) why_ = "the file does not start with \"REGEDIT4\"";
                sawHeader = true;
            } else if (line.front() == '[') {
                ok = Section(line);
            } else {
                ok = ValueLine(line);
            }
            if (!ok) {
                if (problem) *problem = "line " + std::to_string(lineNo_) + ": " + why_;
                return false;
            }
        }
        return true;
    }

private:
    bool Section(std::string_view line) {
        if (line.back() != ']') return Fail("a key line must end with ']'");
        std::string_view inner = line.substr(1, line.size() - 2);
        if (!inner.empty() && inner.front() == '-') return Fail("deleting keys is not supported here");
        RegistryTree::Path path = RegistryTree::SplitPath(inner);
        if (path.empty()) return Fail("the key has no name");
        RegistryTree::Hive hive;
        if (RegistryTree::SameName(path[0], RegistryTree::HiveName(RegistryTree::Hive::LocalMachine))) {
            hive = RegistryTree::Hive::LocalMachine;
        } else if (RegistryTree::SameName(path[0], RegistryTree::HiveName(RegistryTree::Hive::ClassesRoot))) {
            hive = RegistryTree::Hive::ClassesRoot;
        } else {
            return Fail("unknown root key \"" + path[0] + "\"");
        }
        path.erase(path.begin());
        key_ = &tree_.Create(hive, path);
        return true;
    }

    bool ValueLine(std::string_view line) {
        if (!key_) return Fail("a value comes before any key line");
        size_t pos = 0;
        std::string name;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            if (!Unquote(line, pos, name, why_)) return false;
        } else {
            return Fail("expected a key line, a value name in quotes or '@'");
        }
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos >= line.size() || line[pos] != '=') return Fail("expected '=' after the value name");
        ++pos;
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        std::string_view rest = line.substr(pos);

        DWORD type;
        std::string data;
        if (!rest.empty() && rest[0] == '"') {
            size_t p = 0;
            if (!Unquote(rest, p, data, why_)) return false;
            if (!TrailingOk(rest.substr(p))) return false;
            type = REG_SZ;
        } else if (StartsWithNoCase(rest, "dword:")) {
            std::string_view digits = rest.substr(6);
            size_t n = 0;
            uint32_t value = 0;
            while (n < digits.size() && HexValue(digits[n]) >= 0) {
                value = (value << 4) | static_cast<uint32_t>(HexValue(digits[n]));
                ++n;
            }
            if (n == 0 || n > 8) return Fail("a dword needs one to eight hexadecimal digits");
            if (!TrailingOk(digits.substr(n))) return false;
            for (int i = 0; i < 4; ++i) data += static_cast<char>((value >> (8 * i)) & 0xFF);
            type = REG_DWORD;
        } else if (StartsWithNoCase(rest, "hex:")) {
            type = REG_BINARY;
            if (!HexData(rest.substr(4), data)) return false;
        } else if (StartsWithNoCase(rest, "hex(")) {
            size_t close = rest.find(')');
            if (close == std::string_view::npos || close == 4 || close > 12 || close + 1 >= rest.size() ||
                rest[close + 1] != ':')
                return Fail("expected hex(type): with a hexadecimal type");
            type = 0;
            for (size_t i = 4; i < close; ++i) {
                if (HexValue(rest[i]) < 0) return Fail("expected hex(type): with a hexadecimal type");
                type = (type << 4) | static_cast<DWORD>(HexValue(rest[i]));
            }
            if (!HexData(rest.substr(close + 2), data)) return false;
        } else if (!rest.empty() && rest[0] == '-') {
            return Fail("deleting values is not supported here");
        } else {
            return Fail("expected \"text\", dword: or hex: data");
        }
        key_->SetValue(name, type, data);
        return true;
    }

    // Comma-separated bytes; a line ending in '\' goes on on the next line.
    bool HexData(std::string_view text, std::string& out) {
        bool expectByte = true;
        bool any = false;
        size_t i = 0;
        while (i < text.size()) {
            const char c = text[i];
            if (IsBlank(c)) {
                ++i;
            } else if (c == '\\' && TrimLeft(text.substr(i + 1)).empty()) {
                if (index_ >= lines_.size()) return Fail("the data go on past the end of the file");
                text = TrimLeft(lines_[index_++]);
                i = 0;
            } else if (c == ';') {
                break;
            } else if (c == ',') {
                if (expectByte) return Fail("a comma without a byte before it");
                expectByte = true;
                ++i;
            } else {
                if (!expectByte) return Fail("bytes must be separated by commas");
                const int hi = HexValue(c);
                if (hi < 0) return Fail("expected a hexadecimal byte");
                int value = hi;
                ++i;
                if (i < text.size() && HexValue(text[i]) >= 0) {
                    value = value * 16 + HexValue(text[i]);
                    ++i;
                }
                out += static_cast<char>(value);
                expectByte = false;
                any = true;
            }
        }
        if (any && expectByte) return Fail("the data end with a comma");
        return true;
    }

    bool TrailingOk(std::string_view rest) {
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() == ';') return true;
        return Fail("unexpected text after the value");
    }

    bool Fail(std::string why) {
        why_ = std::move(why);
        return false;
    }

    RegistryTree& tree_;
    std::vector<std::string_view> lines_;
    size_t index_ = 0;
    size_t lineNo_ = 0;
    RegistryTree::Key* key_ = nullptr;
    std::string why_;
};

}  // namespace

RegistryTree::Key* RegistryTree::Key::Child(std::string_view childName) const {
    for (const auto& child : children) {
        if (SameName(child->name, childName)) return child.get();
    }
    return nullptr;
}

RegistryTree::Value* RegistryTree::Key::FindValue(std::string_view valueName) {
    for (auto& v : values) {
        if (SameName(v.name, valueName)) return &v;
    }
    return nullptr;
}

const RegistryTree::Value* RegistryTree::Key::FindValue(std::string_view valueName) const {
    return const_cast<Key*>(this)->FindValue(valueName);
}

bool RegistryTree::Key::SetValue(std::string_view valueName, DWORD type, std::string_view data) {
    if (Value* v = FindValue(valueName)) {
        if (v->type == type && v->data == data) return false;
        v->type = type;
        v->data = std::string(data);
        return true;
    }
    values.push_back(Value{std::string(valueName), type, std::string(data)});
    return true;
}

bool RegistryTree::Key::DeleteValue(std::string_view valueName) {
    auto it = std::find_if(values.begin(), values.end(), [&](const Value& v) { return SameName(v.name, valueName); });
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

bool RegistryTree::Key::DeleteChild(std::string_view childName) {
    auto it = std::find_if(children.begin(), children.end(),
                           [&](const std::unique_ptr<Key>& k) { return SameName(k->name, childName); });
    if (it == children.end()) return false;
    children.erase(it);
    return true;
}

RegistryTree::RegistryTree() {
    localMachine_.name = HiveName(Hive::LocalMachine);
    classesRoot_.name = HiveName(Hive::ClassesRoot);
}

RegistryTree::Key& RegistryTree::Root(Hive hive) { return hive == Hive::LocalMachine ? localMachine_ : classesRoot_; }

const RegistryTree::Key& RegistryTree::Root(Hive hive) const {
    return hive == Hive::LocalMachine ? localMachine_ : classesRoot_;
}

RegistryTree::Key* RegistryTree::Find(Hive hive, const Path& path) {
    Key* key = &Root(hive);
    for (const auto& part : path) {
        key = key->Child(part);
        if (!key) return nullptr;
    }
    return key;
}

const RegistryTree::Key* RegistryTree::Find(Hive hive, const Path& path) const {
    return const_cast<RegistryTree*>(this)->Find(hive, path);
}

RegistryTree::Key& RegistryTree::Create(Hive hive, const Path& path, bool* created) {
    if (created) *created = false;
    Key* key = &Root(hive);
    for (const auto& part : path) {
        Key* child = key->Child(part);
        if (!child) {
            key->children.push_back(std::make_unique<Key>());
            child = key->children.back().get();
            child->name = part;
            if (created) *created = true;
        }
        key = child;
    }
    return *key;
}

bool RegistryTree::Parse(std::string_view text, std::string* problem) {
    *this = RegistryTree();
    Parser parser(*this, text);
    if (parser.Run(problem)) return true;
    *this = RegistryTree();
    return false;
}

std::string RegistryTree::Serialise() const {
    std::string out = std::string(kHeader) + "\n\n";
    SerialiseKey(localMachine_, localMachine_.name, true, out);
    SerialiseKey(classesRoot_, classesRoot_.name, true, out);
    return out;
}

RegistryTree::Path RegistryTree::SplitPath(std::string_view path) {
    Path parts;
    std::string current;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsPair(path, i)) {
            current += path.substr(i, 2);
            ++i;
        } else if (path[i] == '\\') {
            if (!current.empty()) parts.push_back(std::move(current));
            current.clear();
        } else {
            current += path[i];
        }
    }
    if (!current.empty()) parts.push_back(std::move(current));
    return parts;
}

bool RegistryTree::SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

bool RegistryTree::IsStorableValueName(std::string_view name) { return QuotesExactly(name); }

bool RegistryTree::IsStorableKeyName(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    const Path parts = SplitPath(name);
    return parts.size() == 1 && parts[0] == name;
}

const char* RegistryTree::HiveName(Hive hive) {
    return hive == Hive::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CLASSES_ROOT";
}

}  // namespace platform::registry
