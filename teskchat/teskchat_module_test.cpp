// The chat control as a host sees it: registered from its module file, created by class id and
// driven by dispatch id alone. Nothing of the control's own code is linked in.
#include "platform/com/control_site.h"
#include "platform/com/module_loader.h"
#include "platform/registry/registry.h"
#include "platform/text/cp932.h"
#include "platform/ui/message_box.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace {

namespace com = platform::com;
namespace reg = platform::registry;
using com::Variant;
using platform::Sjis;

// What a host knows of the control.
constexpr const char* kClsid = "{F5AC3DD8-0243-4F77-8836-15CE28F5A815}";
constexpr const char* kProgId = "TESKCHAT.TeskChatCtrl.1";
enum : int32_t {
    kSaveEspPrefix = 1, kSaveEspDir, kSaveChatPrefix, kSaveChatDir, kEspAutoSave, kChatAutoSave, kConfirmSave,
    kAvatarName, kUserId, kWriteChatString, kWriteEspString, kCloseEspWindow, kSaveChat, kDelete, kSetChatFont,
    kChangeModeGhost, kChangeModeAvatar, kCreate, kOpenEspWindow
};
enum : int32_t { kReadChatString = 1, kReadEspString, kClosedEspConnection, kNotifyEspConnection };

std::string ModulePath() {
    const std::string path = qEnvironmentVariable("MONEKO_BIN_DIR").toStdString() + "/teskchat.ocx";
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? buf : path;
}

std::string ClassesRootValue(const std::string& keyPath, const char* name = nullptr) {
    reg::HKEY key = nullptr;
    if (reg::RegOpenKeyExA(reg::HKEY_CLASSES_ROOT, keyPath.c_str(), 0, reg::KEY_READ, &key) != reg::ERROR_SUCCESS)
        return "<no key>";
    char buf[1024] = {};
    reg::DWORD size = sizeof buf;
    reg::DWORD type = 0;
    const reg::LONG rc = reg::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<reg::BYTE*>(buf), &size);
    reg::RegCloseKey(key);
    return rc == reg::ERROR_SUCCESS ? std::string(buf) : "<no value>";
}

class TeskChatModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        setenv("MONEKO_REGISTRY", dir_.filePath("registry.reg").toLocal8Bit().constData(), 1);
        chatDir_ = dir_.filePath("Chat");
        ASSERT_TRUE(QDir().mkpath(chatDir_));
        ASSERT_EQ(com::RegisterModuleFile(ModulePath()), com::S_OK) << ModulePath();
    }
    void TearDown() override {
        site_.reset();
        unsetenv("MONEKO_REGISTRY");
    }
    void CreateSite() {
        com::HResult hr = com::E_FAIL;
        site_ = com::ControlSite::Create(*com::Guid::FromString(kClsid), &container_, &hr);
        ASSERT_EQ(hr, com::S_OK);
        ASSERT_NE(site_, nullptr);
        site_->Advise(&events_);
        container_.resize(480, 320);
        site_->SetGeometry(QRect(0, 0, 480, 320));
        container_.show();
    }
    void ConfigureAndCreate(bool autoSave) {
        EXPECT_EQ(site_->Put(kSaveEspPrefix, Variant::Bstr("esp")), com::S_OK);
        EXPECT_EQ(site_->Put(kSaveEspDir, Variant::Bstr(platform::FromQString(dir_.path()))), com::S_OK);
        EXPECT_EQ(site_->Put(kSaveChatPrefix, Variant::Bstr("chat")), com::S_OK);
        EXPECT_EQ(site_->Put(kSaveChatDir, Variant::Bstr(platform::FromQString(chatDir_))), com::S_OK);
        EXPECT_EQ(site_->Put(kEspAutoSave, Variant::Bool(false)), com::S_OK);
        EXPECT_EQ(site_->Put(kChatAutoSave, Variant::Bool(autoSave)), com::S_OK);
        EXPECT_EQ(site_->Put(kConfirmSave, Variant::Bool(false)), com::S_OK);
        EXPECT_EQ(site_->Put(kAvatarName, Variant::Bstr(Sjis("太郎"))), com::S_OK);
        EXPECT_EQ(site_->Put(kUserId, Variant::Bstr("12345")), com::S_OK);
        EXPECT_EQ(site_->Call(kSetChatFont, {Variant::Bstr(Sjis("ＭＳ Ｐゴシック")), Variant::I2(9)}), com::S_OK);
        Variant result;
        EXPECT_EQ(site_->Call(kCreate, {Variant::Bool(false)}, &result), com::S_OK);
        EXPECT_EQ(result, Variant::Bool(true));
    }
    Variant Write(const std::string& name, const std::string& id, const std::string& text) {
        Variant result;
        EXPECT_EQ(site_->Call(kWriteChatString, {Variant::Bstr(name), Variant::Bstr(id), Variant::Bstr(text)}, &result),
                  com::S_OK);
        return result;
    }

    QTemporaryDir dir_;
    QString chatDir_;
    QWidget container_;
    com::EventSinkMap events_;
    std::unique_ptr<com::ControlSite> site_;
};

TEST_F(TeskChatModuleTest, RegistersTheControlThePageAndTheTypeLibrary) {
    com::Guid clsid;
    ASSERT_EQ(com::CLSIDFromProgID(kProgId, &clsid), com::S_OK);
    EXPECT_EQ(clsid.ToString(), kClsid);
    const std::string key = std::string("CLSID\\") + kClsid;
    EXPECT_EQ(ClassesRootValue(key), "TeskChat Control");
    EXPECT_EQ(ClassesRootValue(key + "\\InprocServer32"), ModulePath());
    EXPECT_EQ(ClassesRootValue(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesRootValue(key + "\\MiscStatus\\1"), std::to_string(0x20191));
    EXPECT_EQ(ClassesRootValue(key + "\\ToolboxBitmap32"), ModulePath() + ", 1");
    const std::string libid = ClassesRootValue(key + "\\TypeLib");
    EXPECT_EQ(ClassesRootValue("TypeLib\\" + libid + "\\1.0"), "TESKCHATLib");
    com::Guid page;
    ASSERT_EQ(com::CLSIDFromProgID("TESKCHAT.TeskChatPropPage.1", &page), com::S_OK);
    EXPECT_EQ(ClassesRootValue("CLSID\\" + page.ToString()), "TeskChat Property Page");

    EXPECT_EQ(com::UnregisterModuleFile(ModulePath()), com::S_OK);
    EXPECT_NE(com::CLSIDFromProgID(kProgId, &clsid), com::S_OK);
    EXPECT_EQ(ClassesRootValue(key), "<no key>");
    EXPECT_EQ(ClassesRootValue("TypeLib\\" + libid), "<no key>");
}

TEST_F(TeskChatModuleTest, CreatedByProgIdItLogsLinesAndReportsItsResults) {
    com::HResult hr = com::E_FAIL;
    site_ = com::ControlSite::CreateByProgId(kProgId, &container_, &hr);
    ASSERT_EQ(hr, com::S_OK);
    ConfigureAndCreate(false);
    EXPECT_EQ(Write(Sjis("花子"), "", Sjis("こんにちは")), Variant::Bool(true));
    EXPECT_EQ(Write("Jiro", "0A000001:x", "a,b"), Variant::Bool(true));
    QFile log(chatDir_ + "/ChatDat.dat");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), QByteArray(Sjis("花子,Localhost,こんにちは\r\nJiro,10.0.0.1,a,b\r\n").c_str()));

    Variant result;
    EXPECT_EQ(site_->Call(kOpenEspWindow, {Variant::I2(4), Variant::Bstr(""), Variant::Bstr("1:2")}, &result), com::S_OK);
    EXPECT_EQ(result, Variant::I2(1));
    EXPECT_EQ(site_->Call(kWriteEspString, {Variant::I2(4), Variant::Bstr("a"), Variant::Bstr("b"), Variant::Bstr("c")},
                          &result),
              com::S_OK);
    EXPECT_EQ(result, Variant::Bool(false));
    EXPECT_EQ(site_->Call(kChangeModeGhost, {}, &result), com::S_OK);
    EXPECT_EQ(result, Variant::Bool(true));
    EXPECT_EQ(site_->Call(kChangeModeAvatar, {}, &result), com::S_OK);
    EXPECT_EQ(site_->Call(kDelete, {}, &result), com::S_OK);
    EXPECT_EQ(result, Variant::Bool(true));
    EXPECT_FALSE(log.exists());
}

TEST_F(TeskChatModuleTest, RefusesWrongArgumentsThroughItsResult) {
    CreateSite();
    ConfigureAndCreate(false);
    Variant result;
    EXPECT_EQ(site_->Call(kWriteChatString, {Variant::Bstr("a"), Variant::Bstr("b")}, &result), com::DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(site_->Call(kWriteChatString, {Variant::Bstr("a"), Variant::I4(1), Variant::Bstr("c")}, &result),
              com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(site_->Call(99, {}, &result), com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(site_->Call(kCreate, {Variant::I4(1)}, &result), com::S_OK);  // a BOOL may come as an integer
    EXPECT_EQ(site_->Get(kSaveChatPrefix, &result), com::S_OK);
    EXPECT_EQ(result, Variant::Bstr("chat"));
}

TEST_F(TeskChatModuleTest, TheUsersEnterFiresReadChatStringWithTheTypedText) {
    CreateSite();
    ConfigureAndCreate(true);
    std::vector<std::string> read;
    events_.On(kReadChatString, [&read](const std::vector<Variant>& a) {
        ASSERT_EQ(a.size(), 1u);
        read.push_back(a[0].AsBstr());
    });
    container_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&container_));
    auto* edit = site_->Window()->findChild<QPlainTextEdit*>("chatInput");
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(read.empty());
    for (QChar c : QString::fromUtf8("やあ!")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0], Sjis("やあ!"));
    EXPECT_TRUE(edit->toPlainText().isEmpty());
    // The host echoes it; the echo is what shows, and auto-save keeps it at the end.
    Write(Sjis("太郎"), "12345", read[0]);
    site_->Call(kDelete);
    const QStringList saved = QDir(chatDir_).entryList({"chat*.txt"}, QDir::Files);
    ASSERT_EQ(saved.size(), 1);
}

TEST_F(TeskChatModuleTest, ScreenshotOfThePaneWithJapaneseLines) {
    CreateSite();
    ConfigureAndCreate(false);
    Write(Sjis("太郎"), "C0A80001:1", Sjis("こんにちは！今日はいい天気ですね。"));
    Write(Sjis("花子"), "", Sjis("<b>太字ではありません</b> ただの文字です。とても長いメッセージは列の幅で折り返されて、"
                                 "行の高さもそれに合わせて高くなります。"));
    Write(Sjis("とても長いアバタの名前は省略されます"), "", Sjis("ｶﾀｶﾅ ♪ ～ ソ表"));
    QApplication::processEvents();
    const QImage shot = site_->Window()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(480, 320));
    const QString out = qEnvironmentVariable("MONEKO_BIN_DIR") + "/../screenshots";
    QDir().mkpath(out);
    EXPECT_TRUE(shot.save(out + "/teskchat_pane.png"));
}

}  // namespace

namespace {

TEST_F(TeskChatModuleTest, TheHostsModalSeamAnswersTheModulesDialogs) {
    // The module has its own copy of the ui library; what the host installs must still reach it,
    // or a host (and every end-to-end test) could not answer the control's questions.
    platform::ui::RecordingModalSeam seam;
    platform::ui::ScopedModalSeam scope(seam);
    seam.AnswerMessageBox(platform::ui::IDNO);
    CreateSite();
    ConfigureAndCreate(false);
    EXPECT_EQ(site_->Put(kConfirmSave, Variant::Bool(true)), com::S_OK);
    EXPECT_EQ(Write("Jiro", "", "unsaved"), Variant::Bool(true));
    EXPECT_EQ(site_->Call(kDelete), com::S_OK);
    EXPECT_EQ(seam.CountOf(platform::ui::RecordingModalSeam::Kind::MessageBox), 1);
    EXPECT_EQ(site_->Call(com::DISPID_ABOUTBOX), com::S_OK);
    EXPECT_EQ(seam.CountOf(platform::ui::RecordingModalSeam::Kind::RunModal), 1);
}

}  // namespace
