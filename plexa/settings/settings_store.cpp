#include "plexa/settings/settings_store.h"

#include "platform/registry/registry.h"

#include <algorithm>
#include <vector>

using namespace platform::registry;

namespace {

constexpr const char* kInstall = "Install";
constexpr const char* kLogin = "Login";
constexpr const char* kChat = "Option\\Chat";
constexpr const char* kQuality = "Option\\Quality";
constexpr const char* kWalk = "Option\\Walk";
constexpr const char* kBrowser = "Option\\Browser";
constexpr const char* kAvatar = "Talkin\\Avatar";
constexpr const char* kEspHistory = "Esp\\History";
constexpr const char* kHelp = "Help";

constexpr uint32_t kPathBuffer = 260;
constexpr uint32_t kNameBuffer = 256;
constexpr uint32_t kPrefixBuffer = 16;

HKEY OpenSubKey(const char* subKey, REGSAM access) {
    const std::string path = std::string(CSettingsStore::kProductKey) + subKey;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

// The query into a buffer of the given size; empty when the value is missing or does not fit.
std::string QueryText(HKEY key, const char* valueName, uint32_t bufferSize) {
    std::vector<BYTE> buffer(bufferSize, 0);
    DWORD size = bufferSize;
    DWORD type = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS) return {};
    // Data that fill the buffer exactly fit: the byte count says where the text ends, so no
    // terminator is needed. A value our own writer stored at the buffer's size reads back whole.
    const auto* begin = reinterpret_cast<const char*>(buffer.data());
    const auto* end = begin + std::min<DWORD>(size, bufferSize);
    return std::string(begin, std::find(begin, end, '\0'));
}

}  // namespace

const char* const CSettingsStore::kProductKey = "SOFTWARE\\Sorvik\\Moneko\x81\xF4\\2.0\\";

int32_t CSettingsStore::ReadNumber(const char* subKey, const char* valueName, int32_t defaultValue) {
    int32_t result = defaultValue;
    HKEY key = OpenSubKey(subKey, KEY_READ);
    if (!key) return result;
    // The stored type is not looked at; anything that is not four bytes or less leaves the default.
    DWORD size = sizeof result;
    int32_t value = 0;
    if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS)
        result = size == sizeof value ? value : defaultValue;
    RegCloseKey(key);
    return result;
}

std::string CSettingsStore::ReadText(const char* subKey, const char* valueName, uint32_t bufferSize) {
    HKEY key = OpenSubKey(subKey, KEY_READ);
    if (!key) return {};
    std::string result = QueryText(key, valueName, bufferSize);
    RegCloseKey(key);
    return result;
}

void CSettingsStore::WriteNumber(const char* subKey, const char* valueName, int32_t value) {
    HKEY key = OpenSubKey(subKey, KEY_WRITE);
    if (!key) return;
    RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void CSettingsStore::WriteOwnNumber(const char* subKey, const char* valueName, int32_t value) {
    const std::string path = std::string(kProductKey) + subKey;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void CSettingsStore::WriteText(const char* subKey, const char* valueName, const std::string& value) {
    HKEY key = OpenSubKey(subKey, KEY_WRITE);
    if (!key) return;
    // Stored without a terminator; readers end the text at the byte count.
    RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size()));
    RegCloseKey(key);
}

std::string CSettingsStore::GetInstallDirectory() const { return ReadText(kInstall, "Directory", kPathBuffer); }
std::string CSettingsStore::GetHost() const { return ReadText(kLogin, "Host", kPathBuffer); }
int32_t CSettingsStore::GetAutoReconnect() const { return ReadNumber(kLogin, "AutoReconnect", 1); }
void CSettingsStore::SetAutoReconnect(int32_t value) { WriteOwnNumber(kLogin, "AutoReconnect", value); }

int32_t CSettingsStore::GetChatAutoSave() const { return ReadNumber(kChat, "ChatAutoSave", 1); }
void CSettingsStore::SetChatAutoSave(int32_t value) { WriteNumber(kChat, "ChatAutoSave", value); }
int32_t CSettingsStore::GetEspAutoSave() const { return ReadNumber(kChat, "EspAutoSave", 1); }
void CSettingsStore::SetEspAutoSave(int32_t value) { WriteNumber(kChat, "EspAutoSave", value); }
int32_t CSettingsStore::GetConfirmOfFileSave() const { return ReadNumber(kChat, "ConfirmOfFileSave", 1); }
void CSettingsStore::SetConfirmOfFileSave(int32_t value) { WriteNumber(kChat, "ConfirmOfFileSave", value); }
std::string CSettingsStore::GetChatSaveFilePrefix() const {
    return ReadText(kChat, "ChatSaveFilePrefix", kPrefixBuffer);
}
std::string CSettingsStore::GetEspSaveFilePrefix() const {
    return ReadText(kChat, "EspSaveFilePrefix", kPrefixBuffer);
}
std::string CSettingsStore::GetFont() const { return ReadText(kChat, "Font", kNameBuffer); }
void CSettingsStore::SetFont(const std::string& value) { WriteText(kChat, "Font", value); }
int32_t CSettingsStore::GetFontSize() const { return ReadNumber(kChat, "FontSize", 10); }
void CSettingsStore::SetFontSize(int32_t value) { WriteNumber(kChat, "FontSize", value); }
int32_t CSettingsStore::GetFontStyle() const { return ReadNumber(kChat, "FontStyle", 0); }
void CSettingsStore::SetFontStyle(int32_t value) { WriteNumber(kChat, "FontStyle", value); }

int32_t CSettingsStore::GetDithering() const { return ReadNumber(kQuality, "Dithering", 1); }
void CSettingsStore::SetDithering(int32_t value) { WriteNumber(kQuality, "Dithering", value); }
int32_t CSettingsStore::GetFullColor() const { return ReadNumber(kQuality, "FullColor", 1); }
void CSettingsStore::SetFullColor(int32_t value) { WriteNumber(kQuality, "FullColor", value); }
int32_t CSettingsStore::GetTexture() const { return ReadNumber(kQuality, "Texture", 1); }
void CSettingsStore::SetTexture(int32_t value) { WriteNumber(kQuality, "Texture", value); }
int32_t CSettingsStore::GetHighQualityTexture() const { return ReadNumber(kQuality, "HighQualityTexture", 1); }
void CSettingsStore::SetHighQualityTexture(int32_t value) { WriteNumber(kQuality, "HighQualityTexture", value); }

int32_t CSettingsStore::GetHeadLightOn() const { return ReadNumber(kWalk, "HeadLightOn", 1); }
void CSettingsStore::SetHeadLightOn(int32_t value) { WriteNumber(kWalk, "HeadLightOn", value); }
int32_t CSettingsStore::GetCollision() const { return ReadNumber(kWalk, "Collision", 1); }
void CSettingsStore::SetCollision(int32_t value) { WriteNumber(kWalk, "Collision", value); }
int32_t CSettingsStore::GetGraphicMode() const { return ReadNumber(kWalk, "GraphicMode", 0); }
void CSettingsStore::SetGraphicMode(int32_t value) { WriteNumber(kWalk, "GraphicMode", value); }
int32_t CSettingsStore::GetGraphicModeMoving() const { return ReadNumber(kWalk, "GraphicModeMoving", 3); }
void CSettingsStore::SetGraphicModeMoving(int32_t value) { WriteNumber(kWalk, "GraphicModeMoving", value); }
int32_t CSettingsStore::GetSound() const { return ReadNumber(kWalk, "Sound", 1); }

int32_t CSettingsStore::GetFixedSize() const { return ReadNumber(kBrowser, "FixedSize", 1); }
void CSettingsStore::SetFixedSize(int32_t value) { WriteNumber(kBrowser, "FixedSize", value); }

std::string CSettingsStore::GetAvatarDirectory() const { return ReadText(kAvatar, "Directory", kPathBuffer); }
void CSettingsStore::SetAvatarDirectory(const std::string& value) { WriteText(kAvatar, "Directory", value); }
std::string CSettingsStore::GetDirectoryName() const { return ReadText(kAvatar, "DirectoryName", kPathBuffer); }
void CSettingsStore::SetDirectoryName(const std::string& value) { WriteText(kAvatar, "DirectoryName", value); }
std::string CSettingsStore::GetVrmlFileName() const { return ReadText(kAvatar, "VrmlFileName", kPathBuffer); }
void CSettingsStore::SetVrmlFileName(const std::string& value) { WriteText(kAvatar, "VrmlFileName", value); }
std::string CSettingsStore::GetImageFileName() const { return ReadText(kAvatar, "ImageFileName", kPathBuffer); }
void CSettingsStore::SetImageFileName(const std::string& value) { WriteText(kAvatar, "ImageFileName", value); }
std::string CSettingsStore::GetAvatarName() const { return ReadText(kAvatar, "AvatarName", kPathBuffer); }
void CSettingsStore::SetAvatarName(const std::string& value) { WriteText(kAvatar, "AvatarName", value); }
int32_t CSettingsStore::GetAvatarNo() const { return ReadNumber(kAvatar, "AvatarNo", 0); }
void CSettingsStore::SetAvatarNo(int32_t value) { WriteNumber(kAvatar, "AvatarNo", value); }

std::string CSettingsStore::GetEspHistoryUserId(int32_t index) const {
    static const char* const kNames[] = {"UserID1", "UserID2", "UserID3", "UserID4", "UserID5"};
    HKEY key = OpenSubKey(kEspHistory, KEY_READ);
    if (!key) return {};
    std::string result;
    const auto position = static_cast<uint32_t>(index);  // negative counts as large
    if (position < std::size(kNames)) result = QueryText(key, kNames[position], kNameBuffer);
    RegCloseKey(key);
    return result;
}

std::string CSettingsStore::GetHelpPath() const { return ReadText(kHelp, "HelpPath", kNameBuffer); }
