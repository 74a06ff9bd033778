#pragma once
// The world host's persistent settings: one reader and one writer per value under the product
// key in HKEY_LOCAL_MACHINE. Stateless: every call opens its subkey, does one query or update and
// closes it again, so values changed elsewhere are seen at once. Readers never fail (a missing key
// or value gives the default); writers never create a key and fail silently. Text is CP932 bytes.
#include <cstdint>
#include <string>

class CSettingsStore {
public:
    // "SOFTWARE\Sorvik\Moneko♪\2.0\" in CP932; subkeys follow it directly.
    static const char* const kProductKey;

    std::string GetInstallDirectory() const;
    std::string GetHost() const;

    int32_t GetChatAutoSave() const;
    void SetChatAutoSave(int32_t value);
    int32_t GetEspAutoSave() const;
    void SetEspAutoSave(int32_t value);
    int32_t GetConfirmOfFileSave() const;
    void SetConfirmOfFileSave(int32_t value);
    std::string GetChatSaveFilePrefix() const;
    std::string GetEspSaveFilePrefix() const;
    std::string GetFont() const;
    void SetFont(const std::string& value);
    int32_t GetFontSize() const;
    void SetFontSize(int32_t value);
    // Bit 0 bold, bit 1 italic.
    int32_t GetFontStyle() const;
    void SetFontStyle(int32_t value);

    int32_t GetDithering() const;
    void SetDithering(int32_t value);
    int32_t GetFullColor() const;
    void SetFullColor(int32_t value);
    int32_t GetTexture() const;
    void SetTexture(int32_t value);
    int32_t GetHighQualityTexture() const;
    void SetHighQualityTexture(int32_t value);

    int32_t GetHeadLightOn() const;
    void SetHeadLightOn(int32_t value);
    int32_t GetCollision() const;
    void SetCollision(int32_t value);
    int32_t GetGraphicMode() const;
    void SetGraphicMode(int32_t value);
    int32_t GetGraphicModeMoving() const;
    void SetGraphicModeMoving(int32_t value);
    int32_t GetSound() const;

    int32_t GetFixedSize() const;
    void SetFixedSize(int32_t value);

    std::string GetAvatarDirectory() const;
    void SetAvatarDirectory(const std::string& value);
    std::string GetDirectoryName() const;
    void SetDirectoryName(const std::string& value);
    std::string GetVrmlFileName() const;
    void SetVrmlFileName(const std::string& value);
    std::string GetImageFileName() const;
    void SetImageFileName(const std::string& value);
    std::string GetAvatarName() const;
    void SetAvatarName(const std::string& value);
    int32_t GetAvatarNo() const;
    void SetAvatarNo(int32_t value);

    // index 0..4 reads UserID1..UserID5; anything else (negative included) is empty.
    std::string GetEspHistoryUserId(int32_t index) const;

    std::string GetHelpPath() const;
    // Coming back by itself after the connection was lost: 1 on (the default), 0 off.
    int32_t GetAutoReconnect() const;
    void SetAutoReconnect(int32_t value);

    // Numbers under the product key, for settings that keep their own reader (subKey ends without '\\').
    static int32_t ReadNumber(const char* subKey, const char* valueName, int32_t defaultValue);
    static void WriteNumber(const char* subKey, const char* valueName, int32_t value);
    // For values of our own that an older installation never made: the key is made when absent.
    static void WriteOwnNumber(const char* subKey, const char* valueName, int32_t value);

private:
    static std::string ReadText(const char* subKey, const char* valueName, uint32_t bufferSize);
    static void WriteText(const char* subKey, const char* valueName, const std::string& value);
};
