#include "plexa/settings/settings_store.h"

#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"

#include <climits>
#include <gtest/gtest.h>

using namespace platform::registry;

namespace {

using NumberGetter = int32_t (CSettingsStore::*)() const;
using NumberSetter = void (CSettingsStore::*)(int32_t);
using TextGetter = std::string (CSettingsStore::*)() const;
using TextSetter = void (CSettingsStore::*)(const std::string&);

struct NumberValue {
    const char* subKey;
    const char* name;
    int32_t defaultValue;
    NumberGetter get;
    NumberSetter set;  // null: read only
};

const NumberValue kNumbers[] = {
    {"Option\\Chat", "ChatAutoSave", 1, &CSettingsStore::GetChatAutoSave, &CSettingsStore::SetChatAutoSave},
    {"Option\\Chat", "EspAutoSave", 1, &CSettingsStore::GetEspAutoSave, &CSettingsStore::SetEspAutoSave},
    {"Option\\Chat", "ConfirmOfFileSave", 1, &CSettingsStore::GetConfirmOfFileSave, &CSettingsStore::SetConfirmOfFileSave},
    {"Option\\Chat", "FontSize", 10, &CSettingsStore::GetFontSize, &CSettingsStore::SetFontSize},
    {"Option\\Chat", "FontStyle", 0, &CSettingsStore::GetFontStyle, &CSettingsStore::SetFontStyle},
    {"Option\\Quality", "Dithering", 1, &CSettingsStore::GetDithering, &CSettingsStore::SetDithering},
    {"Option\\Quality", "FullColor", 1, &CSettingsStore::GetFullColor, &CSettingsStore::SetFullColor},
    {"Option\\Quality", "Texture", 1, &CSettingsStore::GetTexture, &CSettingsStore::SetTexture},
    {"Option\\Quality", "HighQualityTexture", 1, &CSettingsStore::GetHighQualityTexture,
     &CSettingsStore::SetHighQualityTexture},
    {"Option\\Walk", "HeadLightOn", 1, &CSettingsStore::GetHeadLightOn, &CSettingsStore::SetHeadLightOn},
    {"Option\\Walk", "Collision", 1, &CSettingsStore::GetCollision, &CSettingsStore::SetCollision},
    {"Option\\Walk", "GraphicMode", 0, &CSettingsStore::GetGraphicMode, &CSettingsStore::SetGraphicMode},
    {"Option\\Walk", "GraphicModeMoving", 3, &CSettingsStore::GetGraphicModeMoving, &CSettingsStore::SetGraphicModeMoving},
    {"Option\\Walk", "Sound", 1, &CSettingsStore::GetSound, nullptr},
    {"Option\\Browser", "FixedSize", 1, &CSettingsStore::GetFixedSize, &CSettingsStore::SetFixedSize},
    {"Talkin\\Avatar", "AvatarNo", 0, &CSettingsStore::GetAvatarNo, &CSettingsStore::SetAvatarNo},
};

struct TextValue {
    const char* subKey;
    const char* name;
    TextGetter get;
    TextSetter set;
};

const TextValue kTexts[] = {
    {"Install", "Directory", &CSettingsStore::GetInstallDirectory, nullptr},
    {"Login", "Host", &CSettingsStore::GetHost, nullptr},
    {"Option\\Chat", "ChatSaveFilePrefix", &CSettingsStore::GetChatSaveFilePrefix, nullptr},
    {"Option\\Chat", "EspSaveFilePrefix", &CSettingsStore::GetEspSaveFilePrefix, nullptr},
    {"Option\\Chat", "Font", &CSettingsStore::GetFont, &CSettingsStore::SetFont},
    {"Talkin\\Avatar", "Directory", &CSettingsStore::GetAvatarDirectory, &CSettingsStore::SetAvatarDirectory},
    {"Talkin\\Avatar", "DirectoryName", &CSettingsStore::GetDirectoryName, &CSettingsStore::SetDirectoryName},
    {"Talkin\\Avatar", "VrmlFileName", &CSettingsStore::GetVrmlFileName, &CSettingsStore::SetVrmlFileName},
    {"Talkin\\Avatar", "ImageFileName", &CSettingsStore::GetImageFileName, &CSettingsStore::SetImageFileName},
    {"Talkin\\Avatar", "AvatarName", &CSettingsStore::GetAvatarName, &CSettingsStore::SetAvatarName},
    {"Help", "HelpPath", &CSettingsStore::GetHelpPath, nullptr},
};

const char* const kSubKeys[] = {"Install", "Login", "Option\\Chat", "Option\\Quality", "Option\\Walk",
                                "Option\\Browser", "Talkin\\Avatar", "Esp\\History", "Help"};

class SettingsStoreTest : public RegistryTestEnv {
protected:
    static std::string KeyPath(const char* subKey) { return std::string(CSettingsStore::kProductKey) + subKey; }

    static void CreateSubKey(const char* subKey) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, KeyPath(subKey).c_str(), &key), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static void Put(const char* subKey, const char* name, DWORD type, const std::string& data) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, KeyPath(subKey).c_str(), &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // What is stored, read straight from the registry.
    static bool Stored(const char* subKey, const char* name, DWORD* type, std::string* data) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath(subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        char buf[1024];
        DWORD size = sizeof buf;
        const bool ok = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS;
        if (ok) data->assign(buf, size);
        RegCloseKey(key);
        return ok;
    }

    CSettingsStore store_;
};

TEST_F(SettingsStoreTest, EverythingHasItsDefaultWithoutTheProductKey) {
    for (const auto& n : kNumbers) EXPECT_EQ((store_.*n.get)(), n.defaultValue) << n.name;
    for (const auto& t : kTexts) EXPECT_EQ((store_.*t.get)(), "") << t.name;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(store_.GetEspHistoryUserId(i), "");
    // Readers leave no trace.
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(SettingsStoreTest, WritersNeverCreateKeys) {
    for (const char* subKey : kSubKeys) {
        if (std::string(subKey) != "Option\\Walk") CreateSubKey(subKey);
    }
    store_.SetCollision(0);
    EXPECT_EQ(store_.GetCollision(), 1);
    store_.SetGraphicMode(2);
    EXPECT_EQ(store_.GetGraphicMode(), 0);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath("Option\\Walk").c_str(), 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    // The neighbours are writable.
    store_.SetFixedSize(0);
    EXPECT_EQ(store_.GetFixedSize(), 0);

    // Nothing at all without the product key.
    ::setenv("MONEKO_REGISTRY", (path_ + ".empty").c_str(), 1);
    store_.SetAvatarName("x");
    store_.SetFontSize(12);
    EXPECT_EQ(store_.GetAvatarName(), "");
    EXPECT_EQ(store_.GetFontSize(), 10);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(SettingsStoreTest, EveryWriterStoresWhatItsReaderReturns) {
    for (const char* subKey : kSubKeys) CreateSubKey(subKey);
    int32_t next = 40;
    for (const auto& n : kNumbers) {
        if (!n.set) continue;
        (store_.*n.set)(next);
        EXPECT_EQ((store_.*n.get)(), next) << n.name;
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(Stored(n.subKey, n.name, &type, &data)) << n.name;
        EXPECT_EQ(type, REG_DWORD);
        EXPECT_EQ(data.size(), 4u);
        ++next;
    }
    for (const auto& t : kTexts) {
        if (!t.set) continue;
        const std::string value = std::string("v-") + t.name;
        (store_.*t.set)(value);
        EXPECT_EQ((store_.*t.get)(), value) << t.name;
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(Stored(t.subKey, t.name, &type, &data)) << t.name;
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(data, value) << "stored without a terminator";
    }
    // Negative numbers and both font style bits survive.
    store_.SetFontStyle(3);
    EXPECT_EQ(store_.GetFontStyle() & 1, 1);
    EXPECT_EQ(store_.GetFontStyle() & 2, 2);
    store_.SetAvatarNo(-7);
    EXPECT_EQ(store_.GetAvatarNo(), -7);
}

TEST_F(SettingsStoreTest, ReadOnlyValuesComeFromTheInstallation) {
    Put("Install", "Directory", REG_SZ, "/opt/moneko");
    Put("Login", "Host", REG_SZ, std::string("localhost\0", 10));
    Put("Option\\Walk", "Sound", REG_DWORD, std::string("\0\0\0\0", 4));
    Put("Help", "HelpPath", REG_SZ, "/opt/moneko/help/index.html");
    EXPECT_EQ(store_.GetInstallDirectory(), "/opt/moneko");
    EXPECT_EQ(store_.GetHost(), "localhost");
    EXPECT_EQ(store_.GetSound(), 0);
    EXPECT_EQ(store_.GetHelpPath(), "/opt/moneko/help/index.html");
    // A text ends at its first zero byte.
    Put("Talkin\\Avatar", "AvatarName", REG_SZ, std::string("ab\0cd", 5));
    EXPECT_EQ(store_.GetAvatarName(), "ab");
    // A number that is not four bytes keeps the default rather than half of itself.
    Put("Option\\Chat", "FontSize", REG_BINARY, "\x0C");
    EXPECT_EQ(store_.GetFontSize(), 10);
    Put("Option\\Chat", "FontSize", REG_BINARY, "12345");
    EXPECT_EQ(store_.GetFontSize(), 10);
}

TEST_F(SettingsStoreTest, EspHistoryIsReadByPosition) {
    for (int i = 1; i <= 5; ++i) {
        const std::string name = "UserID" + std::to_string(i);
        Put("Esp\\History", name.c_str(), REG_SZ, "C0A80001:" + std::to_string(i));
    }
    EXPECT_EQ(store_.GetEspHistoryUserId(0), "C0A80001:1");
    EXPECT_EQ(store_.GetEspHistoryUserId(4), "C0A80001:5");
    EXPECT_EQ(store_.GetEspHistoryUserId(5), "");
    EXPECT_EQ(store_.GetEspHistoryUserId(-1), "");
    EXPECT_EQ(store_.GetEspHistoryUserId(INT_MIN), "");
}

TEST_F(SettingsStoreTest, TextsLongerThanTheirBufferReadAsEmpty) {
    Put("Option\\Chat", "ChatSaveFilePrefix", REG_SZ, std::string(17, 'p'));
    EXPECT_EQ(store_.GetChatSaveFilePrefix(), "");
    Put("Option\\Chat", "ChatSaveFilePrefix", REG_SZ, std::string(15, 'p') + '\0');
    EXPECT_EQ(store_.GetChatSaveFilePrefix(), std::string(15, 'p'));
    // Exactly the buffer's size without a terminator still fits.
    Put("Option\\Chat", "EspSaveFilePrefix", REG_SZ, std::string(16, 'e'));
    EXPECT_EQ(store_.GetEspSaveFilePrefix(), std::string(16, 'e'));

    CreateSubKey("Talkin\\Avatar");
    store_.SetAvatarName(std::string(260, 'n'));
    EXPECT_EQ(store_.GetAvatarName(), std::string(260, 'n'));
    store_.SetAvatarName(std::string(261, 'n'));
    EXPECT_EQ(store_.GetAvatarName(), "");
    Put("Option\\Chat", "Font", REG_SZ, std::string(257, 'f'));
    EXPECT_EQ(store_.GetFont(), "");
}

TEST_F(SettingsStoreTest, JapaneseNamesKeepTheirShiftJisBytes) {
    CreateSubKey("Talkin\\Avatar");
    const std::string name = "\x82\xDD\x82\xC8\x95\x5C";  // "みな表": the last trail byte is 0x5C
    store_.SetAvatarName(name);
    EXPECT_EQ(store_.GetAvatarName(), name);
    EXPECT_NE(FileText().find("\"AvatarName\"=\"" + name + "\""), std::string::npos);
    // The product key's "♪" is the CP932 pair 0x81 0xF4.
    EXPECT_NE(FileText().find("\\Moneko\x81\xF4\\2.0\\Talkin\\Avatar]"), std::string::npos);
}

TEST_F(SettingsStoreTest, ABrokenRegistryGivesDefaultsAndIsLeftAlone) {
    const std::string broken = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\nbroken\n";
    WriteFile(broken);
    EXPECT_EQ(store_.GetGraphicModeMoving(), 3);
    store_.SetGraphicModeMoving(1);
    store_.SetFont("f");
    EXPECT_EQ(FileText(), broken);
}

}  // namespace
