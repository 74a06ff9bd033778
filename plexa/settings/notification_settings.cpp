#include "plexa/settings/notification_settings.h"

#include "plexa/settings/settings_store.h"

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
    CSettingsStore::WriteNumber(kSubKey, ValueName(kind), on ? 1 : 0);
}

}  // namespace plexa
