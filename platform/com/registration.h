#pragma once
// The registry keys under HKEY_CLASSES_ROOT that make a class creatable by CLSID and ProgID, and
// a type library known. Registering again overwrites; unregistering what is not there succeeds.
#include "platform/com/dispatch.h"
#include "platform/com/guid.h"
#include "platform/com/module_info.h"

#include <optional>
#include <string>

namespace platform::com {

// CLSID\{clsid} (type name), InprocServer32 (module path, ThreadingModel=Apartment), ProgID,
// TypeLib, Version; for controls also Control and MiscStatus; <ProgID>\CLSID.
// SELFREG_E_CLASS when a key cannot be written.
HResult RegisterClass(const ClassInfo& cls, const Guid& typeLib, const std::string& typeLibVersion,
                      const std::string& modulePath);
// A property page: CLSID\{clsid} (name) with InprocServer32, and its ProgID when given.
HResult RegisterPropertyPageClass(const Guid& clsid, const std::string& progId, const std::string& name,
                                  const std::string& modulePath);
// Removes CLSID\{clsid} and the ProgID key (only when it still names this class).
HResult UnregisterClass(const Guid& clsid, const std::string& progId);

// TypeLib\{libid}\<version> (name) with 0\win32 (module path), FLAGS and HELPDIR.
// SELFREG_E_TYPELIB when a key cannot be written.
HResult RegisterTypeLib(const Guid& libid, const std::string& name, const std::string& version,
                        const std::string& modulePath);
// Removes the version's key, and TypeLib\{libid} when no other version is left.
HResult UnregisterTypeLib(const Guid& libid, const std::string& version);

// What DllRegisterServer / DllUnregisterServer do: type library, then every class, then the
// module's extra step.
HResult RegisterModule(const ModuleInfo& info, const std::string& modulePath);
HResult UnregisterModule(const ModuleInfo& info, const std::string& modulePath);

// HKCR\keyPath's default string value; nullopt when the key or the value is missing.
std::optional<std::string> QueryClassesRootString(const std::string& keyPath);

// The absolute path of the loaded file that contains address; empty when it is not in one.
std::string ModulePathOf(const void* address);

}  // namespace platform::com
