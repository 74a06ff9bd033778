#include "host/setup/installer.h"

#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "plexa/settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <cstring>
#include <sstream>

using namespace platform::registry;

namespace {

// Every value the world host reads, with the type it must have after installing.
const struct {
    const char* subKey;
    const char* name;
    DWORD type;
} kExpected[] = {
    {"Install", "Directory", REG_SZ},
    {"Login", "Host", REG_SZ},
    {"Option\\Chat", "ChatAutoSave", REG_DWORD},
    {"Option\\Chat", "EspAutoSave", REG_DWORD},
    {"Option\\Chat", "ConfirmOfFileSave", REG_DWORD},
    {"Option\\Chat", "ChatSaveFilePrefix", REG_SZ},
    {"Option\\Chat", "EspSaveFilePrefix", REG_SZ},
    {"Option\\Chat", "Font", REG_SZ},
    {"Option\\Chat", "FontSize", REG_DWORD},
    {"Option\\Chat", "FontStyle", REG_DWORD},
    {"Option\\Quality", "Dithering", REG_DWORD},
    {"Option\\Quality", "FullColor", REG_DWORD},
    {"Option\\Quality", "Texture", REG_DWORD},
    {"Option\\Quality", "HighQualityTexture", REG_DWORD},
    {"Option\\Walk", "HeadLightOn", REG_DWORD},
    {"Option\\Walk", "Collision", REG_DWORD},
    {"Option\\Walk", "GraphicMode", REG_DWORD},
    {"Option\\Walk", "GraphicModeMoving", REG_DWORD},
    {"Option\\Walk", "Sound", REG_DWORD},
    {"Option\\Browser", "FixedSize", REG_DWORD},
    {"Talkin\\Avatar", "Directory", REG_SZ},
    {"Talkin\\Avatar", "DirectoryName", REG_SZ},
    {"Talkin\\Avatar", "VrmlFileName", REG_SZ},
    {"Talkin\\Avatar", "ImageFileName", REG_SZ},
    {"Talkin\\Avatar", "AvatarName", REG_SZ},
    {"Talkin\\Avatar", "AvatarNo", REG_DWORD},
    {"Esp\\History", "UserID1", REG_SZ},
    {"Esp\\History", "UserID2", REG_SZ},
    {"Esp\\History", "UserID3", REG_SZ},
    {"Esp\\History", "UserID4", REG_SZ},
    {"Esp\\History", "UserID5", REG_SZ},
    {"Help", "HelpPath", REG_SZ},
};

class InstallerTest : public RegistryTestEnv {
protected:
    QString Dir(const char* name) const { return dir_.filePath(name); }

    // Runs the installed program as a user would.
    int RunSetup(const QStringList& args, QString* output = nullptr, const QString& dataHome = {}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Desktop files go into the test's folder, never the user's.
        env.insert("XDG_DATA_HOME", dataHome.isEmpty() ? Dir("xdg-data") : dataHome);
        env.insert("XDG_CONFIG_HOME", Dir("xdg-config"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(MONEKO_SETUP_PROGRAM), args);
        if (!process.waitForFinished(30000)) return -1;
        if (output) *output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    static bool StoredType(const char* subKey, const char* name, DWORD* type) {
        HKEY key = nullptr;
        const std::string path = std::string(CSettingsStore::kProductKey) + subKey;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        const bool ok = RegQueryValueExA(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return ok;
    }

    CSettingsStore store_;
};

TEST_F(InstallerTest, AFreshInstallLaysOutTheDirectoryAndEverySetting) {
    const QString install = Dir("inst");
    QString output;
    ASSERT_EQ(RunSetup({install}, &output), 0) << output.toStdString();
    for (const char* sub : {"ChatLog/Chat", "ChatLog/Esp", "AvatarData"})
        EXPECT_TRUE(QDir(install + "/" + sub).exists()) << sub;
    // Conversations are private: the log folders are owner-only.
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    for (const char* sub : {"ChatLog", "ChatLog/Chat", "ChatLog/Esp"})
        EXPECT_EQ(QFile::permissions(install + "/" + sub) & ~userBits, ownerOnly) << sub;

    for (const auto& e : kExpected) {
        DWORD type = 0;
        EXPECT_TRUE(StoredType(e.subKey, e.name, &type)) << e.subKey << "\\" << e.name << " is missing";
        EXPECT_EQ(type, e.type) << e.subKey << "\\" << e.name;
    }
    const std::string dir = install.toStdString();
    EXPECT_EQ(store_.GetInstallDirectory(), dir);
    EXPECT_EQ(store_.GetHost(), "localhost");
    EXPECT_EQ(store_.GetAvatarDirectory(), dir + "/AvatarData");
    EXPECT_EQ(store_.GetFontSize(), 10);
    EXPECT_EQ(store_.GetGraphicModeMoving(), 3);
    EXPECT_EQ(store_.GetChatAutoSave(), 1);
    EXPECT_EQ(store_.GetAvatarNo(), 0);
    EXPECT_EQ(store_.GetAvatarName(), "");

    // The help page we ship is where the setting says.
    QFile shipped(QStringLiteral(MONEKO_HELP_PAGE));
    QFile installed(QString::fromStdString(store_.GetHelpPath()));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly)) << store_.GetHelpPath();
    EXPECT_EQ(installed.readAll(), shipped.readAll());
    EXPECT_TRUE(output.contains("AvatarData")) << "says what it did";
}

TEST_F(InstallerTest, RunningAgainKeepsWhatTheUserChanged) {
    const QString install = Dir("inst");
    ASSERT_EQ(RunSetup({install}), 0);
    const std::string name = platform::Sjis("ねこ表");
    store_.SetAvatarName(name);
    store_.SetFontSize(14);
    store_.SetCollision(0);
    HKEY key = nullptr;
    const std::string walk = std::string(CSettingsStore::kProductKey) + "Option\\Walk";
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, walk.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(key, "Sound"), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_TRUE(QFile::remove(install + "/help/index.html"));

    ASSERT_EQ(RunSetup({install}), 0);
    EXPECT_EQ(store_.GetAvatarName(), name);
    EXPECT_EQ(store_.GetFontSize(), 14);
    EXPECT_EQ(store_.GetCollision(), 0);
    DWORD type = 0;
    EXPECT_TRUE(StoredType("Option\\Walk", "Sound", &type)) << "a missing value is added back";
    EXPECT_TRUE(QFile::exists(install + "/help/index.html"));

    // Installing somewhere else moves the installation's own values, and the avatar folder that
    // pointed into the old one; a folder the user chose stays.
    ASSERT_EQ(RunSetup({Dir("moved")}), 0);
    EXPECT_EQ(store_.GetInstallDirectory(), Dir("moved").toStdString());
    EXPECT_EQ(store_.GetAvatarDirectory(), Dir("moved").toStdString() + "/AvatarData");
    EXPECT_EQ(store_.GetHelpPath(), Dir("moved").toStdString() + "/help/index.html");
    store_.SetAvatarDirectory("/my/avatars");
    ASSERT_EQ(RunSetup({install}), 0);
    EXPECT_EQ(store_.GetAvatarDirectory(), "/my/avatars");
}

TEST_F(InstallerTest, TheDefaultDirectoryIsUnderTheUsersDataDirectory) {
    QString output;
    ASSERT_EQ(RunSetup({}, &output, Dir("data")), 0) << output.toStdString();
    EXPECT_EQ(store_.GetInstallDirectory(), Dir("data").toStdString() + "/moneko");
    EXPECT_TRUE(QDir(Dir("data") + "/moneko/ChatLog/Esp").exists());
    EXPECT_EQ(RunSetup({"a", "b"}), 2);
}

TEST_F(InstallerTest, ABrokenSettingsFileStopsTheInstallUntouched) {
    const std::string broken = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\"x\"=dword:zz\n";
    WriteFile(broken);
    QString output;
    EXPECT_EQ(RunSetup({Dir("inst")}, &output), 1);
    EXPECT_TRUE(output.contains(QString::fromStdString(path_))) << output.toStdString();
    EXPECT_TRUE(output.contains("line 3")) << output.toStdString();
    EXPECT_EQ(FileText(), broken);
    EXPECT_FALSE(QDir(Dir("inst")).exists());
}

TEST_F(InstallerTest, APathTheSettingsCannotHoldIsRefused) {
    std::ostringstream out;
    Installer installer(Dir("\xF0\x9F\x90\xB1"), out);  // a cat emoji has no Shift-JIS form
    EXPECT_FALSE(installer.Run());
    EXPECT_NE(installer.LastError().find("Shift-JIS"), std::string::npos);
    EXPECT_EQ(store_.GetInstallDirectory(), "");
}

std::optional<std::string> ClassesRoot(const std::string& path, const char* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    const LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return std::string(buffer, strnlen(buffer, size));
}

TEST_F(InstallerTest, InstallsRegistersAndUninstallsTheWholeProduct) {
    const QString install = Dir("inst");
    QString output;
    ASSERT_EQ(RunSetup({install}, &output), 0) << output.toStdString();
    for (const char* name : Installer::kModuleFiles) EXPECT_TRUE(QFile::exists(install + "/" + name)) << name;
    EXPECT_TRUE(QFile::exists(install + "/Region_List.Dat"));
    EXPECT_TRUE(QFile::exists(install + "/Region/lobby.wrl"));
    EXPECT_TRUE(QFile::exists(install + "/AvatarData/Avatar_User.dat"));

    // Every control is creatable from the registry, and VRML files open in the container.
    for (const char* progId : {"PLEXA.PlexaCtrl.1", "TESKCHAT.TeskChatCtrl.1"}) {
        const auto clsid = ClassesRoot(std::string(progId) + "\\CLSID");
        ASSERT_TRUE(clsid) << progId;
        const auto server = ClassesRoot("CLSID\\" + *clsid + "\\InprocServer32");
        ASSERT_TRUE(server) << progId;
        EXPECT_EQ(QFileInfo(QString::fromStdString(*server)).absolutePath(), QFileInfo(install).absoluteFilePath());
    }
    const QString container = QFileInfo(QStringLiteral(MONEKO_SETUP_PROGRAM)).absolutePath() + "/moneko";
    EXPECT_EQ(ClassesRoot(".wrl"), "PLEXA.PlexaCtrl.1");
    EXPECT_EQ(ClassesRoot("PLEXA.PlexaCtrl.1\\Shell\\Open\\Command"), container.toStdString() + " %1");
    QFile desktop(Dir("xdg-data") + "/applications/moneko.desktop");
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    EXPECT_TRUE(entry.contains("Exec=\"" + container + "\" %f")) << entry.toStdString();
    EXPECT_TRUE(entry.contains("MimeType=model/vrml;x-world/x-vrml;"));
    EXPECT_TRUE(entry.contains("\nIcon=moneko\n")) << "the menu shows the product's icon";

    // The user's own files survive the uninstall; the product and its registration do not.
    QFile log(install + "/ChatLog/Chat/ChatDat.dat");
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.close();
    QFile mine(install + "/AvatarData/mine.txt");
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.close();
    ASSERT_EQ(RunSetup({"--uninstall", install}, &output), 0) << output.toStdString();
    for (const char* name : Installer::kModuleFiles) EXPECT_FALSE(QFile::exists(install + "/" + name)) << name;
    EXPECT_FALSE(QDir(install + "/Region").exists());
    EXPECT_FALSE(QFile::exists(install + "/AvatarData/Avatar_User.dat"));
    EXPECT_TRUE(QFile::exists(install + "/AvatarData/mine.txt"));
    EXPECT_TRUE(QFile::exists(install + "/ChatLog/Chat/ChatDat.dat"));
    EXPECT_FALSE(ClassesRoot("PLEXA.PlexaCtrl.1\\CLSID"));
    EXPECT_FALSE(ClassesRoot(".wrl"));
    EXPECT_FALSE(QFile::exists(Dir("xdg-data") + "/applications/moneko.desktop"));
    EXPECT_EQ(store_.GetInstallDirectory(), install.toStdString()) << "settings are kept";
    EXPECT_EQ(RunSetup({"--uninstall", install}), 1) << "nothing left to uninstall";
}

}  // namespace
