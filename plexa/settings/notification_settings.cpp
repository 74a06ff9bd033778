#include "plexa/settings/notification_settings.h"

#include "platform/registry/registry.h"
#include "plexa/settings/settings_store.h"

#include <string>

namespace plexa {
namespace {
constexpr const char* kSubKey = "Option\\Chat";
}  // namespace

const char* NotificationSettings::ValueName(Kind kind) {
    switch (kind) {
    case Kind::EspMessage: return "NotifyEspMessage";
    case Kind::EspRequest: return "NotifyEspRequest";
    case Kind::Mention: return "NotifyMention";
    }
    return "";
}

bool NotificationSettings::Enabled(Kind kind) { return CSettingsStore::ReadNumber(kSubKey, ValueName(kind), 1) != 0; }

void NotificationSettings::SetEnabled(Kind kind, bool on) {
    namespace reg = platform::registry;
    // Created when missing: an installation made before these settings has no such values yet.
    const std::string path = std::string(CSettingsStore::kProductKey) + kSubKey;
    reg::HKEY key = nullptr;
    if (reg::RegCreateKeyA(reg::HKEY_LOCAL_MACHINE, path.c_str(), &key) != reg::ERROR_SUCCESS) return;
    const int32_t value = on ? 1 : 0;
    reg::RegSetValueExA(key, ValueName(kind), 0, reg::REG_DWORD, reinterpret_cast<const reg::BYTE*>(&value), sizeof value);
    reg::RegCloseKey(key);
}

}  // namespace plexa
