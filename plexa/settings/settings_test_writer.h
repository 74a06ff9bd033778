#pragma once
// Tests write settings as the installation would, creating the keys the store itself never creates.
#include "platform/registry/registry.h"
#include "plexa/settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace plexa::testing {

inline void WriteSettingText(const std::string& subKey, const char* name, const std::string& value) {
    namespace reg = platform::registry;
    reg::HKEY key = nullptr;
    const std::string path = std::string(CSettingsStore::kProductKey) + subKey;
    ASSERT_EQ(reg::RegCreateKeyA(reg::HKEY_LOCAL_MACHINE, path.c_str(), &key), reg::ERROR_SUCCESS);
    reg::RegSetValueExA(key, name, 0, reg::REG_SZ, reinterpret_cast<const reg::BYTE*>(value.data()),
                        static_cast<reg::DWORD>(value.size()));
    reg::RegCloseKey(key);
}

inline void WriteSettingNumber(const std::string& subKey, const char* name, int32_t value) {
    namespace reg = platform::registry;
    reg::HKEY key = nullptr;
    const std::string path = std::string(CSettingsStore::kProductKey) + subKey;
    ASSERT_EQ(reg::RegCreateKeyA(reg::HKEY_LOCAL_MACHINE, path.c_str(), &key), reg::ERROR_SUCCESS);
    reg::RegSetValueExA(key, name, 0, reg::REG_DWORD, reinterpret_cast<const reg::BYTE*>(&value), 4);
    reg::RegCloseKey(key);
}

}  // namespace plexa::testing
