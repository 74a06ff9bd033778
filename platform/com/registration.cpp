#include "platform/com/registration.h"

#include "platform/registry/registry.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace platform::com {

namespace reg = platform::registry;

namespace {

// Opens (creating) HKCR\path, sets the string value and closes the key again.
bool SetString(const std::string& path, const char* valueName, std::string_view value) {
    reg::HKEY key = nullptr;
    if (reg::RegCreateKeyA(reg::HKEY_CLASSES_ROOT, path.c_str(), &key) != reg::ERROR_SUCCESS) return false;
    const reg::LONG rc = reg::RegSetValueExA(key, valueName, 0, reg::REG_SZ,
                                             reinterpret_cast<const reg::BYTE*>(value.data()),
                                             static_cast<reg::DWORD>(value.size()));
    reg::RegCloseKey(key);
    return rc == reg::ERROR_SUCCESS;
}

bool CreateKey(const std::string& path) {
    reg::HKEY key = nullptr;
    if (reg::RegCreateKeyA(reg::HKEY_CLASSES_ROOT, path.c_str(), &key) != reg::ERROR_SUCCESS) return false;
    reg::RegCloseKey(key);
    return true;
}

}  // namespace

std::optional<std::string> QueryClassesRootString(const std::string& path) {
    reg::HKEY key = nullptr;
    if (reg::RegOpenKeyExA(reg::HKEY_CLASSES_ROOT, path.c_str(), 0, reg::KEY_READ, &key) != reg::ERROR_SUCCESS)
        return std::nullopt;
    std::string value(1024, '\0');
    reg::DWORD type = 0;
    reg::DWORD size = static_cast<reg::DWORD>(value.size());
    reg::LONG rc = reg::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<reg::BYTE*>(value.data()), &size);
    if (rc == reg::ERROR_MORE_DATA) {
        value.assign(size, '\0');
        rc = reg::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<reg::BYTE*>(value.data()), &size);
    }
    reg::RegCloseKey(key);
    if (rc != reg::ERROR_SUCCESS || type != reg::REG_SZ) return std::nullopt;
    value.resize(size);
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return value;
}

namespace {

// Deleting what is not there counts as done.
bool DeleteTree(const std::string& path) {
    const reg::LONG rc = reg::RegDeleteTreeA(reg::HKEY_CLASSES_ROOT, path.c_str());
    return rc == reg::ERROR_SUCCESS || rc == reg::ERROR_FILE_NOT_FOUND;
}

std::string ClassKey(const Guid& clsid) { return "CLSID\\" + clsid.ToString(); }

bool WriteServerKeys(const std::string& classKey, const std::string& name, const std::string& modulePath) {
    if (!SetString(classKey, nullptr, name)) return false;
    if (!SetString(classKey + "\\InprocServer32", nullptr, modulePath)) return false;
    if (!SetString(classKey + "\\InprocServer32", "ThreadingModel", "Apartment")) return false;
    return true;
}

bool WriteProgId(const std::string& classKey, const Guid& clsid, const std::string& progId, const std::string& name) {
    if (progId.empty()) return true;
    if (!SetString(classKey + "\\ProgID", nullptr, progId)) return false;
    if (!SetString(progId, nullptr, name)) return false;
    return SetString(progId + "\\CLSID", nullptr, clsid.ToString());
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

HResult RegisterClass(const ClassInfo& cls, const Guid& typeLib, const std::string& typeLibVersion,
                      const std::string& modulePath) {
    if (!cls.isControl) return RegisterPropertyPageClass(cls.clsid, cls.progId, cls.typeName, modulePath);
    const std::string key = ClassKey(cls.clsid);
    const bool ok = WriteServerKeys(key, cls.typeName, modulePath) &&
                    WriteProgId(key, cls.clsid, cls.progId, cls.typeName) && CreateKey(key + "\\Control") &&
                    SetString(key + "\\MiscStatus", nullptr, "0") &&
                    SetString(key + "\\MiscStatus\\1", nullptr, std::to_string(cls.miscStatus)) &&
                    SetString(key + "\\TypeLib", nullptr, typeLib.ToString()) &&
                    SetString(key + "\\Version", nullptr, typeLibVersion);
    return ok ? S_OK : SELFREG_E_CLASS;
}

HResult RegisterPropertyPageClass(const Guid& clsid, const std::string& progId, const std::string& name,
                                  const std::string& modulePath) {
    const std::string key = ClassKey(clsid);
    const bool ok = WriteServerKeys(key, name, modulePath) && WriteProgId(key, clsid, progId, name);
    return ok ? S_OK : SELFREG_E_CLASS;
}

HResult UnregisterClass(const Guid& clsid, const std::string& progId) {
    if (!DeleteTree(ClassKey(clsid))) return SELFREG_E_CLASS;
    if (!progId.empty()) {
        // A ProgID since taken over by another class stays with it.
        const auto named = QueryClassesRootString(progId + "\\CLSID");
        const auto namedClsid = named ? Guid::FromString(*named) : std::nullopt;
        if (!namedClsid || *namedClsid == clsid) {
            if (!DeleteTree(progId)) return SELFREG_E_CLASS;
        }
    }
    return S_OK;
}

HResult RegisterTypeLib(const Guid& libid, const std::string& name, const std::string& version,
                        const std::string& modulePath) {
    const std::string key = "TypeLib\\" + libid.ToString() + "\\" + version;
    const bool ok = SetString(key, nullptr, name) && SetString(key + "\\0\\win32", nullptr, modulePath) &&
                    SetString(key + "\\FLAGS", nullptr, "0") &&
                    SetString(key + "\\HELPDIR", nullptr, DirectoryOf(modulePath));
    return ok ? S_OK : SELFREG_E_TYPELIB;
}

HResult UnregisterTypeLib(const Guid& libid, const std::string& version) {
    const std::string libKey = "TypeLib\\" + libid.ToString();
    if (!DeleteTree(libKey + "\\" + version)) return SELFREG_E_TYPELIB;
    // Other versions keep the library's key; ERROR_KEY_HAS_CHILDREN says so.
    const reg::LONG rc = reg::RegDeleteKeyA(reg::HKEY_CLASSES_ROOT, libKey.c_str());
    if (rc != reg::ERROR_SUCCESS && rc != reg::ERROR_FILE_NOT_FOUND && rc != reg::ERROR_KEY_HAS_CHILDREN)
        return SELFREG_E_TYPELIB;
    return S_OK;
}

HResult RegisterModule(const ModuleInfo& info, const std::string& modulePath) {
    if (modulePath.empty()) return E_FAIL;
    try {
        if (!Succeeded(RegisterTypeLib(info.typeLib, info.typeLibName, info.typeLibVersion, modulePath)))
            return SELFREG_E_TYPELIB;
        for (const ClassInfo& cls : info.classes)
            if (!Succeeded(RegisterClass(cls, info.typeLib, info.typeLibVersion, modulePath))) return SELFREG_E_CLASS;
        if (info.extraRegister) return info.extraRegister(modulePath);
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

HResult UnregisterModule(const ModuleInfo& info, const std::string& modulePath) {
    try {
        if (!Succeeded(UnregisterTypeLib(info.typeLib, info.typeLibVersion))) return SELFREG_E_TYPELIB;
        for (const ClassInfo& cls : info.classes)
            if (!Succeeded(UnregisterClass(cls.clsid, cls.progId))) return SELFREG_E_CLASS;
        if (info.extraUnregister) return info.extraUnregister(modulePath);
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

std::string ModulePathOf(const void* address) {
    Dl_info dl{};
    if (!address || dladdr(address, &dl) == 0 || !dl.dli_fname || !*dl.dli_fname) return {};
    char resolved[PATH_MAX];
    if (realpath(dl.dli_fname, resolved)) return resolved;
    return dl.dli_fname;
}

}  // namespace platform::com
