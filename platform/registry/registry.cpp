#include "platform/registry/registry.h"

#include "platform/registry/registry_file.h"
#include "platform/registry/registry_tree.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace platform::registry {

struct KeyHandle {
    RegistryTree::Hive hive;
    RegistryTree::Path path;
    REGSAM access;
};

namespace {

using Hive = RegistryTree::Hive;
using Key = RegistryTree::Key;

KeyHandle g_localMachine{Hive::LocalMachine, {}, KEY_ALL_ACCESS};
KeyHandle g_classesRoot{Hive::ClassesRoot, {}, KEY_ALL_ACCESS};

// Handles given out and not yet closed, so a stale or foreign handle gives an error code instead
// of a crash.
std::mutex g_handlesMutex;
std::unordered_set<const KeyHandle*> g_handles;

bool IsPredefined(HKEY key) { return key == &g_localMachine || key == &g_classesRoot; }

bool Resolve(HKEY key, KeyHandle* copy) {
    if (!key) return false;
    if (!IsPredefined(key)) {
        std::lock_guard<std::mutex> lock(g_handlesMutex);
        if (!g_handles.count(key)) return false;
    }
    *copy = *key;
    return true;
}

HKEY NewHandle(Hive hive, RegistryTree::Path path, REGSAM access) {
    auto* handle = new KeyHandle{hive, std::move(path), access};
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    g_handles.insert(handle);
    return handle;
}

RegistryTree::Path Join(const RegistryTree::Path& base, const char* subKey) {
    RegistryTree::Path path = base;
    if (subKey) {
        for (auto& part : RegistryTree::SplitPath(subKey)) path.push_back(std::move(part));
    }
    return path;
}

std::string NameOf(const char* valueName) { return valueName ? valueName : ""; }

RegistryFile CurrentFile() { return RegistryFile(RegistryFilePath()); }

}  // namespace

const HKEY HKEY_CLASSES_ROOT = &g_classesRoot;
const HKEY HKEY_LOCAL_MACHINE = &g_localMachine;

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD /*options*/, REGSAM access, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyHandle base;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    RegistryTree::Path path = Join(base.path, subKey);
    const RegistryTree tree = CurrentFile().Read();
    if (!tree.Find(base.hive, path)) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(base.hive, std::move(path), access);
    return ERROR_SUCCESS;
}

LONG RegOpenKeyA(HKEY key, const char* subKey, HKEY* result) {
    return RegOpenKeyExA(key, subKey, 0, KEY_ALL_ACCESS, result);
}

LONG RegCreateKeyA(HKEY key, const char* subKey, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyHandle base;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    RegistryTree::Path path = Join(base.path, subKey);
    for (size_t i = base.path.size(); i < path.size(); ++i) {
        if (!RegistryTree::IsStorableKeyName(path[i])) return ERROR_INVALID_PARAMETER;
    }
    const LONG rc = CurrentFile().Update([&](RegistryTree& tree, bool* changed) {
        if (!base.path.empty() && !tree.Find(base.hive, base.path)) return ERROR_KEY_DELETED;
        tree.Create(base.hive, path, changed);
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
    *result = NewHandle(base.hive, std::move(path), KEY_ALL_ACCESS);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size) {
    KeyHandle handle;
    if (!Resolve(key, &handle)) return ERROR_INVALID_HANDLE;
    if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
    if (!(handle.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    const RegistryTree tree = CurrentFile().Read();
    const Key* k = tree.Find(handle.hive, handle.path);
    if (!k) return ERROR_KEY_DELETED;
    const RegistryTree::Value* value = k->FindValue(NameOf(valueName));
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    const auto stored = static_cast<DWORD>(value->data.size());
    if (!data) {
        if (size) *size = stored;
        return ERROR_SUCCESS;
    }
    const DWORD room = *size;
    *size = stored;
    if (stored > room) return ERROR_MORE_DATA;
    std::memcpy(data, value->data.data(), stored);
    // A text stored without its terminator gets one when the buffer has room; the count stays
    // what was stored, and a text that fills the buffer exactly is left unterminated.
    if (value->type == REG_SZ && stored < room && (stored == 0 || value->data.back() != '\0')) data[stored] = 0;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD size) {
    KeyHandle handle;
    if (!Resolve(key, &handle)) return ERROR_INVALID_HANDLE;
    if (!data && size > 0) return ERROR_INVALID_PARAMETER;
    if (!(handle.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    const std::string name = NameOf(valueName);
    if (!RegistryTree::IsStorableValueName(name)) return ERROR_INVALID_PARAMETER;
    const std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    return CurrentFile().Update([&](RegistryTree& tree, bool* changed) {
        Key* k = tree.Find(handle.hive, handle.path);
        if (!k) return ERROR_KEY_DELETED;
        *changed = k->SetValue(name, type, bytes);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY key, const char* valueName) {
    KeyHandle handle;
    if (!Resolve(key, &handle)) return ERROR_INVALID_HANDLE;
    if (!(handle.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    const std::string name = NameOf(valueName);
    return CurrentFile().Update([&](RegistryTree& tree, bool* changed) {
        Key* k = tree.Find(handle.hive, handle.path);
        if (!k) return ERROR_KEY_DELETED;
        if (!k->DeleteValue(name)) return ERROR_FILE_NOT_FOUND;
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteKeyA(HKEY key, const char* subKey) {
    KeyHandle base;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    if (!subKey) return ERROR_INVALID_PARAMETER;
    RegistryTree::Path path = Join(base.path, subKey);
    if (path.empty()) return ERROR_ACCESS_DENIED;  // a hive itself stays
    return CurrentFile().Update([&](RegistryTree& tree, bool* changed) {
        const Key* k = tree.Find(base.hive, path);
        if (!k) return ERROR_FILE_NOT_FOUND;
        if (!k->children.empty()) return ERROR_KEY_HAS_CHILDREN;
        const std::string name = path.back();
        path.pop_back();
        *changed = tree.Find(base.hive, path)->DeleteChild(name);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteTreeA(HKEY key, const char* subKey) {
    KeyHandle base;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    RegistryTree::Path path = Join(base.path, subKey);
    if (path.empty()) return ERROR_ACCESS_DENIED;
    const bool keepKey = path.size() == base.path.size();  // no subkey: empty the key, keep it
    return CurrentFile().Update([&](RegistryTree& tree, bool* changed) {
        Key* k = tree.Find(base.hive, path);
        if (!k) return keepKey ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        if (keepKey) {
            *changed = !k->values.empty() || !k->children.empty();
            k->values.clear();
            k->children.clear();
        } else {
            const std::string name = path.back();
            path.pop_back();
            *changed = tree.Find(base.hive, path)->DeleteChild(name);
        }
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY key) {
    if (!key) return ERROR_INVALID_HANDLE;
    if (IsPredefined(key)) return ERROR_SUCCESS;
    {
        std::lock_guard<std::mutex> lock(g_handlesMutex);
        if (!g_handles.erase(key)) return ERROR_INVALID_HANDLE;
    }
    delete key;
    return ERROR_SUCCESS;
}

std::string RegistryFilePath() {
    if (const char* file = std::getenv("MONEKO_REGISTRY"); file && *file) return file;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        const char* home = std::getenv("HOME");
        config = std::string(home && *home ? home : ".") + "/.config";
    }
    return config + "/moneko/registry.reg";
}

std::string RegistryProblem() {
    std::string problem;
    CurrentFile().Read(&problem);
    return problem;
}

}  // namespace platform::registry
