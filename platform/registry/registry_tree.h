#pragma once
// The registry's contents in memory: two hives of keys holding typed values, read from and written
// to REGEDIT4 text. All names and data are CP932 bytes; names compare case-insensitively for ASCII
// letters only and keep the spelling they were created with.
//
// In the file a "name"="text" value holds exactly the bytes that were set, without a terminator;
// text that cannot be written that way (zero bytes, line breaks) is kept as hex(1): bytes.
#include "platform/registry/registry.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

class RegistryTree {
public:
    enum class Hive { LocalMachine, ClassesRoot };

    struct Value {
        std::string name;  // empty: the key's default value ("@")
        DWORD type = REG_NONE;
        std::string data;
    };

    struct Key {
        std::string name;
        std::vector<Value> values;
        std::vector<std::unique_ptr<Key>> children;

        Key* Child(std::string_view childName) const;
        Value* FindValue(std::string_view valueName);
        const Value* FindValue(std::string_view valueName) const;
        // Replaces the value's type and data, keeping its position and spelling; adds it otherwise.
        // Returns false when the value already held exactly these.
        bool SetValue(std::string_view valueName, DWORD type, std::string_view data);
        bool DeleteValue(std::string_view valueName);
        bool DeleteChild(std::string_view childName);
    };

    using Path = std::vector<std::string>;

    RegistryTree();

    Key& Root(Hive hive);
    const Key& Root(Hive hive) const;
    Key* Find(Hive hive, const Path& path);
    const Key* Find(Hive hive, const Path& path) const;
    // Finds the key, creating what is missing; *created tells whether anything was added.
    Key& Create(Hive hive, const Path& path, bool* created = nullptr);

    // Replaces the contents with the file text. On failure the tree is left empty and *problem says
    // "line N: what" (N counted from 1).
    bool Parse(std::string_view text, std::string* problem);
    std::string Serialise() const;

    // Splits a key path at '\', treating double-byte CP932 characters as one (their trail byte may
    // be 0x5C). Empty parts (leading, trailing or doubled separators) are dropped.
    static Path SplitPath(std::string_view path);
    // Whether a name survives the file text unchanged (no control characters; a key name without
    // '\', a value name that quotes back to itself).
    static bool IsStorableKeyName(std::string_view name);
    static bool IsStorableValueName(std::string_view name);
    static bool SameName(std::string_view a, std::string_view b);
    static const char* HiveName(Hive hive);

private:
    Key localMachine_;
    Key classesRoot_;
};

}  // namespace platform::registry
