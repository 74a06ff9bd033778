#include "plexa/frame/plexa_app.h"

#include "platform/com/registration.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "plexa/frame/plexa_ids.h"
#include "plexa/settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace plexa {
namespace {

namespace com = platform::com;
namespace reg = platform::registry;
using platform::ui::RecordingModalSeam;

void SetString(reg::HKEY root, const std::string& path, const char* name, const std::string& value) {
    reg::HKEY key = nullptr;
    ASSERT_EQ(reg::RegCreateKeyA(root, path.c_str(), &key), reg::ERROR_SUCCESS);
    ASSERT_EQ(reg::RegSetValueExA(key, name, 0, reg::REG_SZ, reinterpret_cast<const reg::BYTE*>(value.data()),
                                  static_cast<reg::DWORD>(value.size())),
              reg::ERROR_SUCCESS);
    reg::RegCloseKey(key);
}

std::optional<std::string> GetString(reg::HKEY root, const std::string& path, const char* name) {
    reg::HKEY key = nullptr;
    if (reg::RegOpenKeyExA(root, path.c_str(), 0, reg::KEY_READ, &key) != reg::ERROR_SUCCESS) return std::nullopt;
    char buffer[1024] = {};
    reg::DWORD size = sizeof buffer - 1;
    const reg::LONG rc = reg::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<reg::BYTE*>(buffer), &size);
    reg::RegCloseKey(key);
    if (rc != reg::ERROR_SUCCESS) return std::nullopt;
    return std::string(buffer, size);
}

bool KeyExists(const std::string& path) {
    reg::HKEY key = nullptr;
    if (reg::RegOpenKeyExA(reg::HKEY_CLASSES_ROOT, path.c_str(), 0, reg::KEY_READ, &key) != reg::ERROR_SUCCESS)
        return false;
    reg::RegCloseKey(key);
    return true;
}

class PlexaAppTest : public reg::RegistryTestEnv {
protected:
    void SetUp() override {
        RegistryTestEnv::SetUp();
        install_ = dir_.filePath("install");
        ASSERT_TRUE(QDir().mkpath(install_));
    }

    void SetInstallDirectory(const std::string& path) {
        SetString(reg::HKEY_LOCAL_MACHINE, std::string(CSettingsStore::kProductKey) + "Install", "Directory", path);
    }
    void Touch(const QString& name) {
        QFile file(install_ + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    void MakeCompleteInstallation() {
        SetInstallDirectory(install_.toStdString());
        for (const char* name : CPlexaApp::kRequiredFiles) Touch(QString::fromLatin1(name));
        ASSERT_TRUE(QDir().mkpath(install_ + "/ChatLog/Chat"));
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& call : seam_.CallsOf(RecordingModalSeam::Kind::MessageBox)) texts.push_back(call.text);
        return texts;
    }

    QString install_;
    RecordingModalSeam seam_;
    platform::ui::ScopedModalSeam scoped_{seam_};
};

const std::string kNotInstalled = platform::Sjis("Moneko♪ が正しくインストールされていません。");
const std::string kDataMissing = platform::Sjis("実行に必要なデータが足りません。");

TEST_F(PlexaAppTest, StartsWhenEveryFileAndTheChatLogFolderArePresent) {
    MakeCompleteInstallation();
    EXPECT_TRUE(CPlexaApp::InitInstance());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PlexaAppTest, NamesInCapitalsCount) {
    SetInstallDirectory(install_.toStdString());
    for (const char* name : CPlexaApp::kRequiredFiles) Touch(QString::fromLatin1(name).toUpper());
    ASSERT_TRUE(QDir().mkpath(install_ + "/CHATLOG"));
    EXPECT_TRUE(CPlexaApp::InitInstance());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PlexaAppTest, EachMissingFileFailsTheStart) {
    MakeCompleteInstallation();
    for (const char* name : CPlexaApp::kRequiredFiles) {
        const QString path = install_ + "/" + QString::fromLatin1(name);
        ASSERT_TRUE(QFile::rename(path, path + ".old"));
        seam_.ClearCalls();
        EXPECT_FALSE(CPlexaApp::InitInstance()) << name;
        EXPECT_EQ(Messages(), std::vector<std::string>{kDataMissing}) << name;
        ASSERT_TRUE(QFile::rename(path + ".old", path));
    }
    EXPECT_TRUE(CPlexaApp::InitInstance());
}

TEST_F(PlexaAppTest, RequiredNameAsFolderOrChatLogAsFileFails) {
    MakeCompleteInstallation();
    ASSERT_TRUE(QDir(install_ + "/ChatLog").removeRecursively());
    Touch("chatlog");
    EXPECT_FALSE(CPlexaApp::InitInstance());
    EXPECT_EQ(Messages(), std::vector<std::string>{kDataMissing});

    // A folder named like a module is not the module.
    ASSERT_TRUE(QFile::remove(install_ + "/chatlog"));
    ASSERT_TRUE(QDir().mkpath(install_ + "/chatlog"));
    ASSERT_TRUE(QFile::remove(install_ + "/teskchat.ocx"));
    ASSERT_TRUE(QDir().mkpath(install_ + "/teskchat.ocx"));
    seam_.ClearCalls();
    EXPECT_FALSE(CPlexaApp::InitInstance());
    EXPECT_EQ(Messages(), std::vector<std::string>{kDataMissing});
}

TEST_F(PlexaAppTest, MissingOrEmptyInstallationSettingSaysNotInstalled) {
    EXPECT_FALSE(CPlexaApp::InitInstance());
    SetInstallDirectory("");
    EXPECT_FALSE(CPlexaApp::InitInstance());
    EXPECT_EQ(Messages(), (std::vector<std::string>{kNotInstalled, kNotInstalled}));
    ASSERT_EQ(seam_.Calls().size(), 2u);
    EXPECT_EQ(seam_.Calls()[0].caption, platform::Sjis("Moneko♪"));
}

TEST_F(PlexaAppTest, MissingInstallationFolderSaysDataMissing) {
    SetInstallDirectory((install_ + "/gone").toStdString());
    EXPECT_FALSE(CPlexaApp::InitInstance());
    EXPECT_EQ(Messages(), std::vector<std::string>{kDataMissing});
}

class PlexaRegistrationTest : public PlexaAppTest {
protected:
    const std::string module_ = "/opt/moneko/plexa.ocx";
    const std::string clsidKey_ = "CLSID\\" + kPlexaCtrlClsid.ToString();
    static constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
};

TEST_F(PlexaRegistrationTest, WithTheBrowserPathTheWholeChainIsWritten) {
    SetString(reg::HKEY_LOCAL_MACHINE, kAppPaths, nullptr, "/opt/moneko/bin/moneko");
    EXPECT_EQ(com::RegisterModule(CPlexaApp::ModuleInfo(), module_), com::S_OK);
    EXPECT_TRUE(seam_.Calls().empty());

    const auto root = reg::HKEY_CLASSES_ROOT;
    EXPECT_EQ(GetString(root, clsidKey_, nullptr), "Plexa Control");
    EXPECT_EQ(GetString(root, clsidKey_ + "\\InprocServer32", nullptr), module_);
    EXPECT_EQ(GetString(root, clsidKey_ + "\\MiscStatus\\1", nullptr), std::to_string(0x20191));
    EXPECT_EQ(GetString(root, "PLEXA.PlexaCtrl.1\\CLSID", nullptr), kPlexaCtrlClsid.ToString());
    EXPECT_EQ(GetString(root, "PLEXA.PlexaPropPage.1\\CLSID", nullptr), kPlexaPropPageClsid.ToString());
    EXPECT_TRUE(KeyExists("TypeLib\\" + kPlexaTypeLib.ToString() + "\\1.0"));

    EXPECT_EQ(GetString(root, ".wrl", nullptr), "PLEXA.PlexaCtrl.1");
    EXPECT_EQ(GetString(root, ".wrl", "Content Type"), "model/vrml");
    EXPECT_EQ(GetString(root, "PLEXA.PlexaCtrl.1\\Shell\\Open\\Command", nullptr), "/opt/moneko/bin/moneko %1");
    for (const char* type : {"model/vrml", "x-world/x-vrml"}) {
        const std::string key = std::string("MIME\\DataBase\\Content Type\\") + type;
        EXPECT_EQ(GetString(root, key, "Extension"), ".wrl") << type;
        EXPECT_EQ(GetString(root, key, "CLSID"), kPlexaCtrlClsid.ToString()) << type;
    }
    EXPECT_TRUE(KeyExists(clsidKey_ + "\\EnableFullPage\\.wrl"));
    EXPECT_TRUE(KeyExists(clsidKey_ + "\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
    EXPECT_TRUE(KeyExists(clsidKey_ + "\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}"));

    // Unregistering removes the classes and the library but leaves the file type and MIME keys.
    EXPECT_EQ(com::UnregisterModule(CPlexaApp::ModuleInfo(), module_), com::S_OK);
    EXPECT_FALSE(KeyExists(clsidKey_));
    EXPECT_FALSE(KeyExists("PLEXA.PlexaCtrl.1"));
    EXPECT_FALSE(KeyExists("TypeLib\\" + kPlexaTypeLib.ToString()));
    EXPECT_TRUE(KeyExists(".wrl"));
    EXPECT_TRUE(KeyExists("MIME\\DataBase\\Content Type\\model/vrml"));
}

TEST_F(PlexaRegistrationTest, WithoutTheBrowserPathTheClassesStillRegisterAndItSaysSo) {
    EXPECT_EQ(com::RegisterModule(CPlexaApp::ModuleInfo(), module_), com::S_OK);
    ASSERT_EQ(seam_.Calls().size(), 1u);
    EXPECT_EQ(seam_.Calls()[0].text, "Cannot register player for mime type");
    EXPECT_EQ(seam_.Calls()[0].caption, "Registration Error");
    EXPECT_TRUE(seam_.Calls()[0].owner.isNull());
    EXPECT_TRUE(KeyExists(clsidKey_ + "\\InprocServer32"));
    EXPECT_TRUE(KeyExists("TypeLib\\" + kPlexaTypeLib.ToString() + "\\1.0"));
    EXPECT_FALSE(KeyExists(".wrl"));
    EXPECT_FALSE(KeyExists("MIME\\DataBase\\Content Type\\model/vrml"));
}

TEST_F(PlexaRegistrationTest, ABrowserPathTooLongForItsBufferStopsTheChain) {
    SetString(reg::HKEY_LOCAL_MACHINE, kAppPaths, nullptr, "/" + std::string(300, 'b'));
    EXPECT_EQ(com::RegisterModule(CPlexaApp::ModuleInfo(), module_), com::S_OK);
    EXPECT_EQ(seam_.CountOf(RecordingModalSeam::Kind::MessageBox), 1);
    EXPECT_FALSE(KeyExists(".wrl"));
}

}  // namespace
}  // namespace plexa
