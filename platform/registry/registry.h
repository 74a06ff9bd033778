#pragma once
// The settings registry: the hives HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT kept in a REGEDIT4
// text file (CP932). The calls keep the Windows names, arguments and result codes so that code
// written against them reads the same; key paths use '\' as on Windows.
//
// The file is $MONEKO_REGISTRY, else $XDG_CONFIG_HOME/moneko/registry.reg (~/.config/...).
// Every query reads the file under a shared lock; every change takes an exclusive lock, reads the
// file, applies the change and replaces the file atomically, so two processes never lose each
// other's values. A file that cannot be parsed is never overwritten: reads behave as if it were
// empty, writes fail with ERROR_BADDB, and RegistryProblem() tells the user where it is broken.
#include <cstdint>
#include <string>

namespace platform::registry {

using LONG = int32_t;
using DWORD = uint32_t;
using BYTE = unsigned char;
using REGSAM = uint32_t;

struct KeyHandle;  // opaque
using HKEY = KeyHandle*;

extern const HKEY HKEY_CLASSES_ROOT;
extern const HKEY HKEY_LOCAL_MACHINE;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_KEY_DELETED = 1018;
constexpr LONG ERROR_KEY_HAS_CHILDREN = 1020;
constexpr LONG ERROR_CANTWRITE = 1013;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Opens an existing key. subKey may be null or empty (the key itself).
LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegOpenKeyA(HKEY key, const char* subKey, HKEY* result);
// Opens a key, creating it and any missing parents.
LONG RegCreateKeyA(HKEY key, const char* subKey, HKEY* result);
// Copies the value's data into data; *size goes in as the buffer size and comes back as the
// byte count stored. A REG_SZ stored without a terminator gets one when it fits. ERROR_MORE_DATA
// (with *size set to what is needed) when the data do not fit; data may be null to ask the size.
// A null valueName or "" is the key's default value.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValueA(HKEY key, const char* valueName);
// Deletes a key without subkeys (ERROR_KEY_HAS_CHILDREN otherwise), as on Windows.
LONG RegDeleteKeyA(HKEY key, const char* subKey);
// Deletes a key with everything beneath it.
LONG RegDeleteTreeA(HKEY key, const char* subKey);
LONG RegCloseKey(HKEY key);

// The file in use, and a description ("<file>, line N: ...") when it cannot be parsed or read;
// empty when fine. Native path text (UTF-8).
std::string RegistryFilePath();
std::string RegistryProblem();

}  // namespace platform::registry
