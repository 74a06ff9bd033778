// The control driven by dispatch id, in process, with a recording modal seam answering its
// message boxes and save dialogs.
#include "teskchat/tesk_chat_ctrl.h"

#include "teskchat/chat_column_list.h"
#include "teskchat/chat_log_view.h"
#include "teskchat/chat_pane.h"
#include "teskchat/teskchat_ids.h"

#include "platform/text/cp932.h"
#include "platform/ui/message_box.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace teskchat {
namespace {

namespace com = platform::com;
namespace ui = platform::ui;
using com::DispatchKind;
using com::Variant;
using platform::Sjis;
using Kind = ui::RecordingModalSeam::Kind;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TeskChatCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        chatDir_ = dir_.filePath("Chat");
        ASSERT_TRUE(QDir().mkpath(chatDir_));
        container_.resize(480, 320);
        ctrl_ = std::make_unique<CTeskChatCtrl>();
        ctrl_->Advise(&events_);
        QWidget* window = ctrl_->CreateControlWindow(&container_);
        ASSERT_NE(window, nullptr);
        window->setGeometry(0, 0, 480, 320);
        container_.show();
        events_.On(DISPID_ReadChatString, [this](const std::vector<Variant>& a) { read_.push_back(a.at(0).AsBstr()); });
    }

    Variant Call(int32_t dispid, std::vector<Variant> args = {}) {
        Variant result;
        EXPECT_EQ(ctrl_->Invoke(dispid, DispatchKind::Method, args, &result), com::S_OK) << dispid;
        return result;
    }
    void Put(int32_t dispid, Variant value) {
        EXPECT_EQ(ctrl_->Invoke(dispid, DispatchKind::PropertyPut, {std::move(value)}, nullptr), com::S_OK) << dispid;
    }
    // What the host does before Create.
    void Configure(bool autoSave, bool confirm, const std::string& prefix = "chat") {
        Put(DISPID_SaveChatDir, Variant::Bstr(platform::FromQString(chatDir_)));
        Put(DISPID_SaveChatPrefix, Variant::Bstr(prefix));
        Put(DISPID_ChatAutoSave, Variant::Bool(autoSave));
        Put(DISPID_ConfirmSave, Variant::Bool(confirm));
    }
    bool Write(const std::string& name, const std::string& id, const std::string& text) {
        return Call(DISPID_WriteChatString, {Variant::Bstr(name), Variant::Bstr(id), Variant::Bstr(text)}).AsBool();
    }
    QString LogPath() const { return chatDir_ + "/ChatDat.dat"; }
    QStringList SavedFiles() const { return QDir(chatDir_).entryList({"*.txt"}, QDir::Files, QDir::Name); }
    ChatLogView* View() const { return ctrl_->Pane()->View(); }

    QTemporaryDir dir_;
    QString chatDir_;
    QWidget container_;
    com::EventSinkMap events_;
    std::vector<std::string> read_;
    std::unique_ptr<CTeskChatCtrl> ctrl_;
    ui::RecordingModalSeam seam_;
    ui::ScopedModalSeam scopedSeam_{seam_};
};

TEST_F(TeskChatCtrlTest, WrittenLinesAreShownAndLoggedWithTheUserAddress) {
    Configure(false, true);
    EXPECT_TRUE(Call(DISPID_Create, {Variant::Bool(false)}).AsBool());
    EXPECT_TRUE(Write(Sjis("太郎"), "0A000001:x", Sjis("こんにちは, 皆さん")));
    EXPECT_TRUE(Write("Hana,ko", "", "hi"));
    EXPECT_TRUE(Write("Jiro", "C0A80001:17", "<i>plain</i>"));
    EXPECT_EQ(ReadAll(LogPath()), QByteArray(Sjis("太郎,10.0.0.1,こんにちは, 皆さん\r\n").c_str()) +
                                      "Hana,ko,Localhost,hi\r\nJiro,192.168.0.1,<i>plain</i>\r\n");
    ASSERT_EQ(View()->LineCount(), 3);
    EXPECT_EQ(View()->Column(0)->ItemText(0), QString::fromUtf8("太郎"));
    EXPECT_EQ(View()->Column(1)->ItemText(0), QString::fromUtf8("こんにちは, 皆さん"));
    EXPECT_EQ(View()->Column(1)->ItemText(2), QStringLiteral("<i>plain</i>"));
    EXPECT_TRUE(ctrl_->Pane()->Unsaved());
}

TEST_F(TeskChatCtrlTest, AnUnwritableLogReportsFalseButShowsTheLine) {
    Put(DISPID_SaveChatDir, Variant::Bstr(platform::FromQString(dir_.filePath("missing"))));
    Call(DISPID_Create, {Variant::Bool(false)});
    EXPECT_FALSE(Write("a", "", "b"));
    EXPECT_EQ(View()->LineCount(), 1);
    EXPECT_FALSE(ctrl_->Pane()->Unsaved());
    Call(DISPID_Delete);
    EXPECT_EQ(seam_.Calls().size(), 0u);
}

TEST_F(TeskChatCtrlTest, CreateWithoutReloadDeletesTheOldLog) {
    QFile old(LogPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old,Localhost,line\r\n");
    old.close();
    Configure(false, true);
    Call(DISPID_Create, {Variant::Bool(false)});
    EXPECT_FALSE(QFile::exists(LogPath()));
    EXPECT_EQ(View()->LineCount(), 0);
}

TEST_F(TeskChatCtrlTest, ReloadShowsOldLinesKeepsTheFileAndCountsAsSaved) {
    QFile old(LogPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("  Taro,Localhost,a,b,c\r\nHana,ko,Localhost,hi\r\n");
    old.close();
    Configure(false, true);
    Call(DISPID_Create, {Variant::Bool(true)});
    ASSERT_EQ(View()->LineCount(), 2);
    EXPECT_EQ(View()->Column(0)->ItemText(0), QStringLiteral("Taro"));
    EXPECT_EQ(View()->Column(1)->ItemText(0), QStringLiteral("a,b,c"));
    EXPECT_EQ(View()->Column(0)->ItemText(1), QStringLiteral("Hana"));
    EXPECT_EQ(View()->Column(1)->ItemText(1), QStringLiteral("Localhost,hi"));
    EXPECT_TRUE(QFile::exists(LogPath()));
    // Reloaded lines are not new: ending the chat asks nothing.
    Call(DISPID_Delete);
    EXPECT_EQ(seam_.CountOf(Kind::MessageBox), 0);
    EXPECT_FALSE(QFile::exists(LogPath()));
    EXPECT_EQ(View()->LineCount(), 0);
}

TEST_F(TeskChatCtrlTest, NewLinesAfterAReloadAreAppended) {
    QFile old(LogPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("Taro,Localhost,old\r\n");
    old.close();
    Configure(false, false);
    Call(DISPID_Create, {Variant::Bool(true)});
    Write("Jiro", "", "new");
    EXPECT_EQ(ReadAll(LogPath()), QByteArray("Taro,Localhost,old\r\nJiro,Localhost,new\r\n"));
    EXPECT_EQ(View()->LineCount(), 2);
}

TEST_F(TeskChatCtrlTest, RestoreBringsBackWhatTheLastDeleteRemovedOnce) {
    Configure(true, false);
    Call(DISPID_Create, {Variant::Bool(false)});
    EXPECT_TRUE(Call(DISPID_RestoreChat).AsBool()) << "nothing to restore is no failure";
    EXPECT_EQ(View()->LineCount(), 0);
    Write(Sjis("太郎"), "C0A80001:17", "before, the loss");
    Write("Hana", "", "second");
    Call(DISPID_Delete);
    ASSERT_EQ(View()->LineCount(), 0);
    ASSERT_FALSE(QFile::exists(LogPath()));
    const QStringList saved = SavedFiles();
    ASSERT_EQ(saved.size(), 1u) << "the ended chat was saved as usual";

    Write("Jiro", "", "after");
    EXPECT_TRUE(Call(DISPID_RestoreChat).AsBool());
    ASSERT_EQ(View()->LineCount(), 3);
    EXPECT_EQ(View()->Column(0)->ItemText(1), QString::fromUtf8("太郎"));
    EXPECT_EQ(View()->Column(1)->ItemText(1), QStringLiteral("before, the loss"));
    EXPECT_EQ(ReadAll(LogPath()), QByteArray("Jiro,Localhost,after\r\n") +
                                      QByteArray(Sjis("太郎,192.168.0.1,before, the loss\r\n").c_str()) +
                                      "Hana,Localhost,second\r\n");
    // A second restore adds nothing: the lines came back once.
    Call(DISPID_RestoreChat);
    EXPECT_EQ(View()->LineCount(), 3);
}

TEST_F(TeskChatCtrlTest, ALockedInputSaysWhyAndKeepsWhatWasTyped) {
    Configure(false, false);
    Call(DISPID_Create, {Variant::Bool(false)});
    auto* edit = ctrl_->Pane()->findChild<QPlainTextEdit*>("chatInput");
    ASSERT_NE(edit, nullptr);
    edit->setPlainText("half typed");
    Call(DISPID_ChangeModeGhost);
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_FALSE(edit->placeholderText().isEmpty());
    EXPECT_EQ(edit->toolTip(), edit->placeholderText());
    EXPECT_EQ(edit->toPlainText(), "half typed");
    Call(DISPID_ChangeModeAvatar);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_TRUE(edit->placeholderText().isEmpty());
}

TEST_F(TeskChatCtrlTest, DeleteAsksOnlyWithUnsavedLinesAndSavesOnYes) {
    Configure(false, true, "chat_");
    Call(DISPID_Create, {Variant::Bool(false)});
    Call(DISPID_Delete);
    EXPECT_EQ(seam_.CountOf(Kind::MessageBox), 0);  // nothing unsaved

    Write("Taro", "", "one");
    const QString chosen = chatDir_ + "/mine.txt";
    seam_.AnswerMessageBox(ui::IDYES);
    seam_.AnswerSaveAs(platform::FromQString(chosen));
    EXPECT_TRUE(Call(DISPID_Delete).AsBool());
    ASSERT_EQ(seam_.CountOf(Kind::MessageBox), 1);
    const auto box = seam_.CallsOf(Kind::MessageBox)[0];
    EXPECT_EQ(box.text, Sjis("チャットの内容を保存しますか？"));
    EXPECT_EQ(box.caption, Sjis("確認"));
    EXPECT_EQ(box.style, ui::MB_YESNO | ui::MB_ICONQUESTION);
    ASSERT_EQ(seam_.CountOf(Kind::SaveAs), 1);
    const auto save = seam_.CallsOf(Kind::SaveAs)[0];
    EXPECT_TRUE(QRegularExpression("/Chat/chat_\\d{14}\\.txt$").match(QString::fromStdString(save.proposedPath)).hasMatch())
        << save.proposedPath;
    EXPECT_EQ(save.filter, Sjis("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)|*.txt||"));
    EXPECT_EQ(ReadAll(chosen), QByteArray("Taro,Localhost,one\r\n"));
    EXPECT_FALSE(QFile::exists(LogPath()));
    EXPECT_EQ(View()->LineCount(), 0);
    EXPECT_FALSE(ctrl_->Pane()->Unsaved());
}

TEST_F(TeskChatCtrlTest, NoAtTheQuestionSavesNothing) {
    Configure(false, true);
    Call(DISPID_Create, {Variant::Bool(false)});
    Write("Taro", "", "one");
    seam_.AnswerMessageBox(ui::IDNO);
    Call(DISPID_Delete);
    EXPECT_EQ(seam_.CountOf(Kind::SaveAs), 0);
    EXPECT_TRUE(SavedFiles().isEmpty());
    EXPECT_FALSE(QFile::exists(LogPath()));
}

TEST_F(TeskChatCtrlTest, AutoSaveNeverAsksAndCopiesTheLog) {
    Configure(true, true, "auto");
    Call(DISPID_Create, {Variant::Bool(false)});
    Write("Taro", "7F000001:0", "one");
    Write("Hana", "", "two");
    Call(DISPID_Delete);
    EXPECT_EQ(seam_.Calls().size(), 0u);
    const QStringList saved = SavedFiles();
    ASSERT_EQ(saved.size(), 1);
    EXPECT_TRUE(QRegularExpression("^auto\\d{14}\\.txt$").match(saved[0]).hasMatch()) << saved[0].toStdString();
    EXPECT_EQ(ReadAll(chatDir_ + "/" + saved[0]), QByteArray("Taro,127.0.0.1,one\r\nHana,Localhost,two\r\n"));
    // Nothing new: the next end of chat saves nothing more.
    QFile::remove(chatDir_ + "/" + saved[0]);
    Call(DISPID_Delete);
    EXPECT_TRUE(SavedFiles().isEmpty());
}

TEST_F(TeskChatCtrlTest, SaveChatThenCancelClearsTheUnsavedFlag) {
    Configure(false, true);
    Call(DISPID_Create, {Variant::Bool(false)});
    Write("Taro", "", "one");
    EXPECT_TRUE(Call(DISPID_SaveChat, {Variant::Bstr("proposal.txt")}).AsBool());
    ASSERT_EQ(seam_.CountOf(Kind::SaveAs), 1);
    EXPECT_EQ(seam_.CallsOf(Kind::SaveAs)[0].proposedPath, platform::FromQString(chatDir_) + "/proposal.txt");
    EXPECT_TRUE(SavedFiles().isEmpty());
    Call(DISPID_Delete);
    EXPECT_EQ(seam_.CountOf(Kind::MessageBox), 0);
}

TEST_F(TeskChatCtrlTest, SaveChatToABareNameLandsInTheChatDirectory) {
    Configure(false, false);
    Call(DISPID_Create, {Variant::Bool(false)});
    Write("Taro", "", "one");
    const QString before = QDir::currentPath();
    seam_.AnswerSaveAs(std::string("kept.txt"));
    EXPECT_TRUE(Call(DISPID_SaveChat, {Variant::Bstr("x.txt")}).AsBool());
    EXPECT_EQ(ReadAll(chatDir_ + "/kept.txt"), QByteArray("Taro,Localhost,one\r\n"));
    EXPECT_FALSE(QFile::exists(before + "/kept.txt"));
    EXPECT_EQ(QDir::currentPath(), before);  // the process's directory is left alone
}

TEST_F(TeskChatCtrlTest, AFailedSaveIsReportedInsteadOfLosingTheChatSilently) {
    Configure(false, true);
    Call(DISPID_Create, {Variant::Bool(false)});
    Write("Taro", "", "one");
    seam_.AnswerSaveAs(platform::FromQString(dir_.filePath("no/such/dir/x.txt")));
    Call(DISPID_SaveChat, {Variant::Bstr("x.txt")});
    ASSERT_EQ(seam_.CountOf(Kind::MessageBox), 1);
    EXPECT_EQ(seam_.CallsOf(Kind::MessageBox)[0].style & ui::MB_ICONMASK, ui::MB_ICONEXCLAMATION);
    EXPECT_TRUE(seam_.CallsOf(Kind::MessageBox)[0].text.find("x.txt") != std::string::npos);
}

TEST_F(TeskChatCtrlTest, FontSetBeforeCreateIsUsedByTheView) {
    EXPECT_TRUE(Call(DISPID_SetChatFont, {Variant::Bstr(Sjis("ＭＳ Ｐゴシック")), Variant::I2(14)}).AsBool());
    Configure(false, false);
    Call(DISPID_Create, {Variant::Bool(false)});
    EXPECT_EQ(View()->Column(1)->ListFont().pointSize(), 14);
    Call(DISPID_SetChatFont, {Variant::Bstr("VL PGothic"), Variant::I2(20)});
    EXPECT_EQ(View()->Column(0)->ListFont().pointSize(), 20);
    EXPECT_EQ(View()->Column(0)->ListFont().family(), QStringLiteral("VL PGothic"));
}

TEST_F(TeskChatCtrlTest, ThePaneFillsTheControlAndFollowsItsSize) {
    Configure(false, false);
    Call(DISPID_Create, {Variant::Bool(false)});
    QWidget* window = ctrl_->ControlWindow();
    EXPECT_EQ(ctrl_->Pane()->parentWidget(), window);
    EXPECT_TRUE(ctrl_->Pane()->isVisible());
    window->resize(300, 200);
    QApplication::processEvents();
    EXPECT_EQ(ctrl_->Pane()->geometry(), QRect(0, 0, 300, 200));
}

TEST_F(TeskChatCtrlTest, TypedTextIsFiredAsReadChatString) {
    Configure(false, false);
    Call(DISPID_Create, {Variant::Bool(false)});
    container_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&container_));
    QWidget* edit = ctrl_->Pane()->findChild<QWidget*>("chatInput");
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(read_.empty());
    QTest::keyClicks(edit, "hello");
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(read_.size(), 1u);
    EXPECT_EQ(read_[0], "hello");
    Call(DISPID_ChangeModeGhost);
    QTest::keyClicks(edit, "ghost");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(read_.size(), 1u);
}

TEST_F(TeskChatCtrlTest, BeforeAnyEspWindowTheEspCallsFindNoConversation) {
    Configure(false, false);
    Call(DISPID_Create, {Variant::Bool(false)});
    EXPECT_FALSE(Call(DISPID_WriteEspString, {Variant::I2(3), Variant::Bstr("Taro"), Variant::Bstr("hi"),
                                              Variant::Bstr("")}).AsBool());
    EXPECT_TRUE(Call(DISPID_CloseEspWindow, {Variant::I2(3)}).AsBool());
    // Delete without an ESP window only ends the chat part.
    EXPECT_TRUE(Call(DISPID_Delete).AsBool());
    EXPECT_EQ(Call(DISPID_OpenEspWindow, {Variant::I2(3), Variant::Bstr(""), Variant::Bstr("")}), Variant::I2(1));
}

TEST_F(TeskChatCtrlTest, AboutBoxRunsModallyThroughTheSeam) {
    Variant result = Variant::I4(99);
    EXPECT_EQ(ctrl_->Invoke(com::DISPID_ABOUTBOX, DispatchKind::Method, {}, &result), com::S_OK);
    ASSERT_EQ(seam_.CountOf(Kind::RunModal), 1);
    EXPECT_EQ(seam_.CallsOf(Kind::RunModal)[0].dialogTitle, QStringLiteral("About TeskChat Control"));
    EXPECT_EQ(result.Type(), com::VarType::Empty);
}

}  // namespace
}  // namespace teskchat
