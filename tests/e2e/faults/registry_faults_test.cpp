// A damaged registry file as the user meets it: the installer refuses to write over a file it
// cannot read (the settings in it are the user's), and the host control's module start turns
// settings of the wrong type into its "not installed" message rather than a crash.
#include "platform/com/control_site.h"
#include "platform/registry/registry.h"
#include "platform/text/cp932.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

namespace com = platform::com;
namespace reg = platform::registry;
using platform::ui::RecordingModalSeam;

constexpr const char* kProductKey = "SOFTWARE\\Sorvik\\Moneko\x81\xF4\\2.0\\";

class RegistryFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_ = dir_.filePath("registry.reg");
        ::setenv("MONEKO_REGISTRY", registry_.toLocal8Bit().constData(), 1);
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("XDG_DATA_HOME", dir_.filePath("data"));
        env_.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    }
    void TearDown() override { ::unsetenv("MONEKO_REGISTRY"); }

    int Setup(QString* output) {
        QProcess process;
        process.setProcessEnvironment(env_);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(qEnvironmentVariable("MONEKO_BIN_DIR") + "/moneko-setup", {dir_.filePath("inst")});
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        *output = QString::fromLocal8Bit(process.readAll());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QByteArray RegistryBytes() const {
        QFile file(registry_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void WriteRegistry(const QByteArray& bytes) {
        QFile file(registry_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QTemporaryDir dir_;
    QString registry_;
    QProcessEnvironment env_;
};

TEST_F(RegistryFaults, TheInstallerLeavesAnUnreadableRegistryAsItIsAndSaysWhere) {
    // Cut off inside a quoted value, as a crash during a foreign write would leave it.
    const QByteArray damaged =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sorvik]\r\n\"Keep\"=\"the user's own\r\n\x82";
    WriteRegistry(damaged);
    QString output;
    const int rc = Setup(&output);
    EXPECT_NE(rc, 0) << output.toStdString();
    EXPECT_NE(rc, -1) << "no crash, no hang: " << output.toStdString();
    EXPECT_TRUE(output.contains("registry.reg")) << output.toStdString();
    EXPECT_EQ(RegistryBytes(), damaged);

    // With the damaged file moved aside, the same command installs.
    ASSERT_TRUE(QFile::rename(registry_, registry_ + ".broken"));
    EXPECT_EQ(Setup(&output), 0) << output.toStdString();
}

TEST_F(RegistryFaults, SettingsOfTheWrongTypeStopTheModuleStartWithItsMessage) {
    QString output;
    ASSERT_EQ(Setup(&output), 0) << output.toStdString();
    // The installation directory as a number, as a hand edit gone wrong would leave it.
    reg::HKEY key = nullptr;
    ASSERT_EQ(reg::RegCreateKeyA(reg::HKEY_LOCAL_MACHINE, (std::string(kProductKey) + "Install").c_str(), &key),
              reg::ERROR_SUCCESS);
    const reg::DWORD five = 5;
    ASSERT_EQ(reg::RegSetValueExA(key, "Directory", 0, reg::REG_DWORD, reinterpret_cast<const reg::BYTE*>(&five), 4),
              reg::ERROR_SUCCESS);
    reg::RegCloseKey(key);

    RecordingModalSeam seam;
    platform::ui::ScopedModalSeam scoped(seam);
    QWidget container;
    com::HResult hr = com::S_OK;
    auto site = com::ControlSite::CreateByProgId("PLEXA.PlexaCtrl.1", &container, &hr);
    EXPECT_EQ(site, nullptr);
    EXPECT_FALSE(com::Succeeded(hr));
    const auto boxes = seam.CallsOf(RecordingModalSeam::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(platform::Cp932ToUtf8(boxes[0].text).value_or(""), "Moneko♪ が正しくインストールされていません。");
}

}  // namespace
