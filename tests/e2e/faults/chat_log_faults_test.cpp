// The chat control's log directory when the disk says no: made read-only, or full. The chat
// must still show every line, the failed writes must be reported through WriteChatString's
// result, and nothing may crash. The real teskchat.ocx, driven by dispatch id only.
//
// Read-only: permission bits, and for root (whom permissions do not stop) the immutable flag.
// Full: the process's file size limit (RLIMIT_FSIZE) held at the log's current size, so the
// log cannot grow, as on a full disk; this needs no mount and no privilege.
#include "platform/com/control_site.h"
#include "platform/com/module_loader.h"
#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

namespace com = platform::com;
using com::Variant;
using platform::Sjis;
using platform::ui::RecordingModalSeam;

enum : int32_t {
    kSaveEspPrefix = 1, kSaveEspDir, kSaveChatPrefix, kSaveChatDir, kEspAutoSave, kChatAutoSave, kConfirmSave,
    kAvatarName, kUserId, kWriteChatString, kDelete = 14, kCreate = 18
};

// Flips the immutable attribute; false where the file system or the process cannot.
bool SetImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

// The paths made read-only for the scope; Locked() tells whether a write is really refused.
class ReadOnly {
public:
    explicit ReadOnly(QStringList paths) : paths_(std::move(paths)) {
        for (const QString& p : paths_) {
            QFile::setPermissions(p, QFileInfo(p).isDir() ? QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                                 QFile::ExeGroup
                                                           : QFile::ReadOwner | QFile::ReadGroup);
            if (::geteuid() == 0) SetImmutable(p, true);
        }
        const QString probe = QFileInfo(paths_.first()).isDir() ? paths_.first() + "/probe" : paths_.first();
        QFile file(probe);
        locked_ = !file.open(QIODevice::Append);
        if (!locked_ && probe != paths_.first()) QFile::remove(probe);
    }
    ~ReadOnly() { Release(); }
    void Release() {
        for (const QString& p : paths_) {
            if (::geteuid() == 0) SetImmutable(p, false);
            QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                         QFile::ExeGroup);
        }
        paths_.clear();
    }
    bool Locked() const { return locked_; }

private:
    QStringList paths_;
    bool locked_ = false;
};

// Files of the process cannot grow past limit bytes while this lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = saved_;
        lower.rlim_cur = limit;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &lower) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    bool Ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
    bool ok_ = false;
};

class ChatLogFaults : public platform::registry::RegistryTestEnv {
protected:
    void SetUp() override {
        RegistryTestEnv::SetUp();
        chatDir_ = dir_.filePath("ChatLog/Chat");
        ASSERT_TRUE(QDir().mkpath(chatDir_));
        ASSERT_EQ(com::RegisterModuleFile(qEnvironmentVariable("MONEKO_BIN_DIR").toStdString() + "/teskchat.ocx"),
                  com::S_OK);
    }
    void TearDown() override {
        site_.reset();
        RegistryTestEnv::TearDown();
    }

    void CreateChat(bool reload) {
        com::HResult hr = com::E_FAIL;
        site_ = com::ControlSite::CreateByProgId("TESKCHAT.TeskChatCtrl.1", &container_, &hr);
        ASSERT_EQ(hr, com::S_OK);
        container_.resize(480, 320);
        site_->SetGeometry(QRect(0, 0, 480, 320));
        container_.show();
        site_->Put(kSaveChatPrefix, Variant::Bstr("chat"));
        site_->Put(kSaveChatDir, Variant::Bstr(platform::FromQString(chatDir_)));
        site_->Put(kSaveEspDir, Variant::Bstr(platform::FromQString(dir_.filePath("ChatLog"))));
        site_->Put(kChatAutoSave, Variant::Bool(true));
        site_->Put(kEspAutoSave, Variant::Bool(false));
        site_->Put(kConfirmSave, Variant::Bool(false));
        Variant result;
        ASSERT_EQ(site_->Call(kCreate, {Variant::Bool(reload)}, &result), com::S_OK);
        ASSERT_EQ(result, Variant::Bool(true));
    }

    Variant Write(const std::string& name, const std::string& text) {
        Variant result;
        EXPECT_EQ(site_->Call(kWriteChatString, {Variant::Bstr(name), Variant::Bstr("7F000001:1"), Variant::Bstr(text)},
                              &result),
                  com::S_OK);
        return result;
    }

    // The chat log view (the scroll area that is not the input line).
    QAbstractScrollArea* LogView() const {
        for (auto* area : site_->Window()->findChildren<QAbstractScrollArea*>())
            if (!qobject_cast<QPlainTextEdit*>(area)) return area;
        return nullptr;
    }
    // Lines beyond one page make the view scrollable: a shown line is a held line.
    int ScrollRange() const { return LogView() ? LogView()->verticalScrollBar()->maximum() : -1; }

    QByteArray LogBytes() const {
        QFile log(chatDir_ + "/ChatDat.dat");
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    QString chatDir_;
    QWidget container_;
    std::unique_ptr<com::ControlSite> site_;
    RecordingModalSeam seam_;
    platform::ui::ScopedModalSeam scoped_{seam_};
};

TEST_F(ChatLogFaults, AReadOnlyDirectoryStillShowsTheChatAndReportsEachWriteFailure) {
    CreateChat(false);
    ReadOnly lock({chatDir_});
    if (!lock.Locked()) GTEST_SKIP() << "this file system cannot make the directory read-only here";

    const int before = ScrollRange();
    const QImage empty = site_->Window()->grab().toImage();
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(Write(Sjis("花子"), Sjis("読み取り専用でも見える ") + std::to_string(i)), Variant::Bool(false)) << i;
    EXPECT_GT(ScrollRange(), before) << "the lines are in the view";
    EXPECT_NE(site_->Window()->grab().toImage(), empty);
    EXPECT_FALSE(QFile::exists(chatDir_ + "/ChatDat.dat"));

    // Writable again: logging resumes with the next line.
    lock.Release();
    EXPECT_EQ(Write("Jiro", "back"), Variant::Bool(true));
    EXPECT_EQ(LogBytes(), QByteArray("Jiro,127.0.0.1,back\r\n"));
    Variant result;
    EXPECT_EQ(site_->Call(kDelete, {}, &result), com::S_OK);
    EXPECT_EQ(QDir(chatDir_).entryList({"chat*.txt"}, QDir::Files).size(), 1);
}

TEST_F(ChatLogFaults, ALogThatBecomesReadOnlyFailsItsSaveWithAMessageAndKeepsTheText) {
    CreateChat(false);
    ASSERT_EQ(Write("Jiro", "first"), Variant::Bool(true));
    ReadOnly lock({chatDir_ + "/ChatDat.dat", chatDir_});
    if (!lock.Locked()) GTEST_SKIP() << "this file system cannot make the log read-only here";
    EXPECT_EQ(Write("Jiro", "second"), Variant::Bool(false));

    // The end of the chat cannot save into the directory: the user is told, nothing crashes, and
    // the log with the text written so far is still there.
    Variant result;
    EXPECT_EQ(site_->Call(kDelete, {}, &result), com::S_OK);
    EXPECT_EQ(seam_.CountOf(RecordingModalSeam::Kind::MessageBox), 1);
    lock.Release();
    EXPECT_EQ(LogBytes(), QByteArray("Jiro,127.0.0.1,first\r\n"));
}

TEST_F(ChatLogFaults, AFullDiskStillShowsTheChatAndLeavesNoTornLineBehind) {
    // An earlier session's log, which the new chat reloads.
    {
        QFile log(chatDir_ + "/ChatDat.dat");
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
        for (int i = 0; i < 200; ++i) log.write(QByteArray("Jiro,127.0.0.1,earlier line ") + QByteArray::number(i) + "\r\n");
    }
    const QByteArray earlier = LogBytes();
    CreateChat(true);
    const int reloaded = ScrollRange();
    ASSERT_GT(reloaded, 0);
    {
        FileSizeLimit full(static_cast<rlim_t>(earlier.size() + 8));
        ASSERT_TRUE(full.Ok());
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(Write("Hanako", "a line that does not fit " + std::to_string(i)), Variant::Bool(false)) << i;
        EXPECT_GT(ScrollRange(), reloaded) << "the lines are in the view";
    }
    // Space again: the next line is logged whole, after the earlier ones, with nothing torn between.
    EXPECT_EQ(Write("Hanako", "after"), Variant::Bool(true));
    EXPECT_EQ(LogBytes().mid(earlier.size()).toStdString(), "Hanako,127.0.0.1,after\r\n");
    EXPECT_TRUE(LogBytes().startsWith(earlier));
}

}  // namespace
