// The ESP window driven through the control by dispatch id, as the host drives it, with a
// recording modal seam answering its questions and save dialogs.
#include "teskchat/esp_input_edit.h"
#include "teskchat/esp_tab_ctrl.h"
#include "teskchat/esp_window.h"
#include "teskchat/tesk_chat_ctrl.h"
#include "teskchat/teskchat_ids.h"

#include "platform/text/cp932.h"
#include "platform/ui/beep.h"
#include "platform/ui/bitmap_button.h"
#include "platform/ui/message_box.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
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

struct Fired {
    int32_t event;
    std::vector<Variant> args;
};

class EspWindowTest : public ::testing::Test, public com::EventSink {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        espDir_ = dir_.filePath("Esp");
        ASSERT_TRUE(QDir().mkpath(espDir_));
        ctrl_ = std::make_unique<CTeskChatCtrl>();
        ctrl_->Advise(this);
        container_.resize(480, 320);
        ASSERT_NE(ctrl_->CreateControlWindow(&container_), nullptr);
        container_.show();
        Configure(false, false);
        Call(DISPID_Create, {Variant::Bool(false)});
    }
    void TearDown() override { ctrl_.reset(); }

    void OnEvent(int32_t dispid, const std::vector<Variant>& args) override { fired_.push_back({dispid, args}); }

    Variant Call(int32_t dispid, std::vector<Variant> args = {}) {
        Variant result;
        EXPECT_EQ(ctrl_->Invoke(dispid, DispatchKind::Method, args, &result), com::S_OK) << dispid;
        return result;
    }
    void Put(int32_t dispid, Variant value) {
        EXPECT_EQ(ctrl_->Invoke(dispid, DispatchKind::PropertyPut, {std::move(value)}, nullptr), com::S_OK);
    }
    void Configure(bool autoSave, bool confirm) {
        Put(DISPID_SaveEspDir, Variant::Bstr(platform::FromQString(espDir_)));
        Put(DISPID_SaveEspPrefix, Variant::Bstr("esp"));
        Put(DISPID_EspAutoSave, Variant::Bool(autoSave));
        Put(DISPID_ConfirmSave, Variant::Bool(confirm));
        Put(DISPID_AvatarName, Variant::Bstr("me"));
        Put(DISPID_UserId, Variant::Bstr("4242"));
    }
    int16_t Open(int16_t id, const std::string& name, const std::string& user = "") {
        return Call(DISPID_OpenEspWindow, {Variant::I2(id), Variant::Bstr(name), Variant::Bstr(user)}).AsI2();
    }
    bool Write(int16_t id, const std::string& name, const std::string& text, const std::string& user = "") {
        return Call(DISPID_WriteEspString, {Variant::I2(id), Variant::Bstr(name), Variant::Bstr(text), Variant::Bstr(user)})
            .AsBool();
    }
    bool Close(int16_t id) { return Call(DISPID_CloseEspWindow, {Variant::I2(id)}).AsBool(); }
    void Type(const QString& text) {
        for (QChar c : text) QTest::keyClick(Esp()->InputEdit(), c.toLatin1());
    }
    void Send(const QString& text) {
        Esp()->InputEdit()->setPlainText(text);
        QTest::keyClick(Esp()->InputEdit(), Qt::Key_Return);
    }

    EspWindow* Esp() const { return ctrl_->Esp(); }
    std::string Label(int position) const { return Esp()->Tabs()->Label(position); }
    std::vector<Fired> Events(int32_t event) const {
        std::vector<Fired> out;
        for (const auto& f : fired_)
            if (f.event == event) out.push_back(f);
        return out;
    }
    QString PaneText(int slot) const { return Esp()->Pane(slot)->toPlainText(); }
    QString LogPath(int slot) const { return espDir_ + QStringLiteral("/EspDat%1.dat").arg(slot); }
    QStringList Saved() const { return QDir(espDir_).entryList({"*.txt"}, QDir::Files, QDir::Name); }

    QTemporaryDir dir_;
    QString espDir_;
    QWidget container_;
    std::unique_ptr<CTeskChatCtrl> ctrl_;
    std::vector<Fired> fired_;
    ui::RecordingModalSeam seam_;
    ui::ScopedModalSeam scoped_{seam_};
};

TEST_F(EspWindowTest, FirstOpenMakesTheWindowWithOneLabelledTabAndAgainChangesNothing) {
    EXPECT_EQ(Esp(), nullptr);
    EXPECT_FALSE(Write(5, "Taro", "too early"));
    EXPECT_EQ(Open(5, "Taro"), 0);
    ASSERT_NE(Esp(), nullptr);
    EXPECT_TRUE(Esp()->isVisible());
    EXPECT_EQ(Esp()->windowTitle(), QString::fromUtf8("ESPウィンドウ"));
    ASSERT_EQ(Esp()->TabCount(), 1);
    EXPECT_EQ(Label(0), "Taro(Localhost)");
    EXPECT_EQ(Esp()->CurrentTab(), 0);
    EXPECT_EQ(Open(5, "Taro"), 0);
    EXPECT_EQ(Esp()->TabCount(), 1);
    EXPECT_EQ(Open(6, "Hana", "C0A80001:17"), 0);
    EXPECT_EQ(Label(1), "Hana(192.168.0.1)");
    EXPECT_EQ(Esp()->CurrentTab(), 0) << "a new partner does not take the focus";
    EXPECT_EQ(Open(7, ""), 1);
    EXPECT_EQ(Esp()->TabCount(), 2);
    EXPECT_TRUE(fired_.empty());
}

TEST_F(EspWindowTest, TenTabsThenTheEleventhPartnerIsRefusedThroughEvents) {
    for (int16_t id = 1; id <= 9; ++id) ASSERT_EQ(Open(id, "p" + std::to_string(id)), 0);
    EXPECT_TRUE(fired_.empty());
    ASSERT_EQ(Open(10, "p10"), 0);
    ASSERT_EQ(fired_.size(), 1u);
    EXPECT_EQ(fired_[0].event, DISPID_NotifyEspConnection);
    EXPECT_FALSE(fired_[0].args.at(0).AsBool());
    fired_.clear();

    EXPECT_EQ(Open(11, "late", "0A000001:3"), 2);
    EXPECT_EQ(Esp()->TabCount(), 10);
    ASSERT_EQ(fired_.size(), 2u);
    EXPECT_EQ(fired_[0].event, DISPID_ReadEspString);
    EXPECT_EQ(fired_[0].args.at(0).AsI2(), 11);
    EXPECT_EQ(fired_[0].args.at(1).AsBstr(), Sjis("ESP接続することはできません。"));
    EXPECT_EQ(fired_[1].event, DISPID_ClosedEspConnection);
    EXPECT_EQ(fired_[1].args.at(0).AsI2(), 11);
    EXPECT_EQ(fired_[1].args.at(1).AsBstr(), "0A000001:3");
    fired_.clear();

    // Back from ten to nine: further partners are possible again; from nine to eight says nothing.
    EXPECT_TRUE(Close(4));
    ASSERT_EQ(Events(DISPID_NotifyEspConnection).size(), 1u);
    EXPECT_TRUE(Events(DISPID_NotifyEspConnection)[0].args.at(0).AsBool());
    EXPECT_TRUE(Close(5));
    EXPECT_EQ(Events(DISPID_NotifyEspConnection).size(), 1u);
    EXPECT_TRUE(Events(DISPID_ClosedEspConnection).empty()) << "a close by the host fires nothing";
}

TEST_F(EspWindowTest, ClosingTheMiddleOfThreeKeepsTheOthersAndANewPartnerTakesTheFreedSlotLast) {
    Open(1, "a");
    Open(2, "b");
    Open(3, "c");
    ASSERT_TRUE(Write(1, "a", "to a"));
    ASSERT_TRUE(Write(2, "b", "to b"));
    ASSERT_TRUE(Write(3, "c", "to c"));
    ASSERT_TRUE(QFile::exists(LogPath(1)));
    EXPECT_TRUE(Close(2));
    ASSERT_EQ(Esp()->TabCount(), 2);
    EXPECT_EQ(Label(0), "a(Localhost)");
    EXPECT_EQ(Label(1), "c(Localhost)");
    EXPECT_EQ(PaneText(0), "to a\n");
    EXPECT_EQ(PaneText(2), "to c\n");
    EXPECT_EQ(PaneText(1), "");
    EXPECT_FALSE(QFile::exists(LogPath(1))) << "a closed conversation's log goes";
    EXPECT_EQ(Esp()->TabPositionOf(2), 1);
    EXPECT_EQ(Esp()->TabPositionOf(1), 9);

    // The free slot standing at position 2 is slot 3 (slot 1 went to the end of the table).
    EXPECT_EQ(Open(4, "d"), 0);
    EXPECT_EQ(Label(2), "d(Localhost)");
    EXPECT_EQ(Esp()->SlotAt(2), 3);
    ASSERT_TRUE(Write(4, "d", "to d"));
    EXPECT_EQ(PaneText(3), "to d\n");
    EXPECT_EQ(PaneText(0), "to a\n");
    // Positions stay a permutation of 0..9.
    std::vector<int> positions;
    for (int n = 0; n < EspWindow::kSlotCount; ++n) positions.push_back(Esp()->TabPositionOf(n));
    std::sort(positions.begin(), positions.end());
    for (int p = 0; p < EspWindow::kSlotCount; ++p) EXPECT_EQ(positions[p], p);
}

TEST_F(EspWindowTest, PartnerTextIsBoldAndLoggedWithTheAddressOwnTextNormalWithTheUserId) {
    Open(3, "Hana", "C0A80001:17");
    ASSERT_TRUE(Write(3, "Hana", "<b>hello</b>, there", "C0A80001:17"));
    Send("hi Hana");
    ASSERT_EQ(Events(DISPID_ReadEspString).size(), 1u);
    EXPECT_EQ(Events(DISPID_ReadEspString)[0].args.at(0).AsI2(), 3);
    EXPECT_EQ(Events(DISPID_ReadEspString)[0].args.at(1).AsBstr(), "hi Hana");
    EXPECT_TRUE(Esp()->InputEdit()->toPlainText().isEmpty());

    QTextDocument* doc = Esp()->Pane(0)->document();
    EXPECT_EQ(doc->toPlainText(), "<b>hello</b>, there\nhi Hana\n") << "markup is shown as it came";
    const QTextBlock partner = doc->firstBlock();
    EXPECT_EQ(partner.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    EXPECT_NE(partner.next().begin().fragment().charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(ReadAll(LogPath(0)), "Hana,192.168.0.1,<b>hello</b>, there\r\nme,4242,hi Hana\r\n");
    // Empty input sends nothing.
    Send("");
    EXPECT_EQ(Events(DISPID_ReadEspString).size(), 1u);
}

TEST_F(EspWindowTest, TextForAnUnfocusedTabTurnsItsLabelRedUntilSelected) {
    Open(1, "a");
    Open(2, "b");
    EspTabCtrl* tabs = Esp()->Tabs();
    EXPECT_EQ(tabs->LabelColor(0), EspTabCtrl::kSelectedColor);
    EXPECT_EQ(tabs->LabelColor(1), EspTabCtrl::kNormalColor);
    Write(1, "a", "seen at once");
    EXPECT_EQ(tabs->LabelColor(0), EspTabCtrl::kSelectedColor);
    Write(2, "b", "unread");
    EXPECT_EQ(tabs->LabelColor(1), EspTabCtrl::kMarkedColor);
    EXPECT_FALSE(Esp()->Pane(1)->isVisibleTo(Esp()));
    Esp()->SelectTab(1);
    EXPECT_TRUE(Esp()->Pane(1)->isVisibleTo(Esp()));
    EXPECT_FALSE(Esp()->Pane(0)->isVisibleTo(Esp()));
    Esp()->SelectTab(0);
    EXPECT_EQ(tabs->LabelColor(1), EspTabCtrl::kNormalColor);
}

TEST_F(EspWindowTest, AMarkFollowsItsConversationWhenATabBeforeItCloses) {
    Open(1, "a");
    Open(2, "b");
    Open(3, "c");
    Open(4, "d");
    Write(4, "d", "unread");
    EXPECT_EQ(Esp()->Tabs()->LabelColor(3), EspTabCtrl::kMarkedColor);
    Close(2);  // the tab standing where b stood (c) becomes current
    EXPECT_EQ(Esp()->CurrentTab(), 1);
    EXPECT_EQ(Label(2), "d(Localhost)");
    EXPECT_EQ(Esp()->Tabs()->LabelColor(2), EspTabCtrl::kMarkedColor);
    EXPECT_EQ(Esp()->Tabs()->LabelColor(0), EspTabCtrl::kNormalColor);
}

TEST_F(EspWindowTest, CloseAllFiresOneClosedEventPerTabInTabOrderAndNoNotify) {
    for (int16_t id = 1; id <= 10; ++id) Open(id, "p", "u" + std::to_string(id));
    Close(3);
    Open(30, "p", "u30");  // takes the last tab, in the slot that held 3
    fired_.clear();
    ASSERT_TRUE(Write(7, "p", "kept on disk"));
    Call(DISPID_Delete);
    const auto closed = Events(DISPID_ClosedEspConnection);
    ASSERT_EQ(closed.size(), 10u);
    std::vector<int> ids;
    for (const auto& f : closed) ids.push_back(f.args.at(0).AsI2());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 4, 5, 6, 7, 8, 9, 10, 30}));
    EXPECT_EQ(closed[9].args.at(1).AsBstr(), "u30");
    EXPECT_TRUE(Events(DISPID_NotifyEspConnection).empty());
    EXPECT_FALSE(Esp()->IsOpen());
    EXPECT_FALSE(Esp()->isVisible());
    EXPECT_TRUE(QFile::exists(LogPath(6))) << "logs stay until the window is made again";
    EXPECT_FALSE(Write(7, "p", "gone"));

    EXPECT_EQ(Open(50, "new"), 0);
    EXPECT_FALSE(QFile::exists(LogPath(6)));
    EXPECT_EQ(Esp()->TabCount(), 1);
    EXPECT_EQ(PaneText(0), "");
}

TEST_F(EspWindowTest, TheCloseBoxClosesEverythingAndTheLastCloseDestroysTheWindow) {
    Open(1, "a", "u1");
    Open(2, "b", "u2");
    Esp()->close();
    EXPECT_EQ(Events(DISPID_ClosedEspConnection).size(), 2u);
    EXPECT_FALSE(Esp()->IsOpen());
    fired_.clear();

    Open(1, "a", "u1");
    Close(1);
    EXPECT_FALSE(Esp()->IsOpen());
    EXPECT_FALSE(Esp()->isVisible());
    EXPECT_TRUE(fired_.empty());
    // Escape does not throw every conversation away.
    Open(1, "a", "u1");
    QTest::keyClick(Esp(), Qt::Key_Escape);
    EXPECT_TRUE(Esp()->IsOpen());
}

TEST_F(EspWindowTest, TheEndButtonClosesTheCurrentTabAndTellsThePartner) {
    Open(1, "a", "u1");
    Open(2, "b", "u2");
    Esp()->SelectTab(1);
    Esp()->EndButton()->click();
    ASSERT_EQ(Esp()->TabCount(), 1);
    EXPECT_EQ(Label(0), "a(Localhost)");
    const auto closed = Events(DISPID_ClosedEspConnection);
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].args.at(0).AsI2(), 2);
    EXPECT_EQ(closed[0].args.at(1).AsBstr(), "u2");
    EXPECT_EQ(Esp()->EndButtonImages(), (std::pair{206, 208}));
    EXPECT_TRUE(Esp()->InputEdit()->isEnabled());
}

TEST_F(EspWindowTest, ClosingUnsavedTextAsksWithTheLabelAndSavesOnYes) {
    Configure(false, true);
    Open(1, "Taro", "C0A80001:17");
    Open(2, "b");
    Close(2);  // nothing written: no question
    EXPECT_EQ(seam_.CountOf(Kind::MessageBox), 0);
    Write(1, "Taro", "keep me", "C0A80001:17");
    seam_.AnswerMessageBox(ui::IDYES);
    seam_.AnswerSaveAs(platform::FromQString(espDir_) + "/kept.txt");
    Close(1);
    const auto boxes = seam_.CallsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Taro(192.168.0.1)" + Sjis("ウィンドウの内容を保存しますか？"));
    EXPECT_EQ(boxes[0].caption, Sjis("確認"));
    EXPECT_EQ(boxes[0].style, ui::MB_YESNO | ui::MB_ICONQUESTION);
    const auto saves = seam_.CallsOf(Kind::SaveAs);
    ASSERT_EQ(saves.size(), 1u);
    const std::string proposed = saves[0].proposedPath;
    const std::string head = platform::FromQString(espDir_) + "/espC0A80001_17";
    EXPECT_EQ(proposed.substr(0, head.size()), head);
    EXPECT_EQ(proposed.size(), head.size() + 14 + 4);
    EXPECT_EQ(ReadAll(espDir_ + "/kept.txt"), "Taro,192.168.0.1,keep me\r\n");
    EXPECT_FALSE(Esp()->IsOpen());
}

TEST_F(EspWindowTest, AutoSaveCopiesUnderAStampedNameWithoutAsking) {
    Configure(true, true);
    Open(1, "a", "0A000001:9");
    Write(1, "a", "line", "0A000001:9");
    Close(1);
    EXPECT_EQ(seam_.CountOf(Kind::MessageBox), 0);
    const QStringList saved = Saved();
    ASSERT_EQ(saved.size(), 1);
    EXPECT_TRUE(saved[0].startsWith("esp0A000001_9")) << saved[0].toStdString();
    EXPECT_EQ(ReadAll(espDir_ + "/" + saved[0]), "a,10.0.0.1,line\r\n");
}

TEST_F(EspWindowTest, HostileUserIdsNeverLeaveTheEspDirectory) {
    Configure(true, false);
    const std::string hostile[] = {"../../x", "..", "a/b\\c", "/etc/passwd", std::string("\x81/..", 4),
                                   std::string("n\nl\0z", 5), "-rf", std::string(300, 'y')};
    int16_t id = 1;
    for (const std::string& user : hostile) {
        ASSERT_EQ(Open(id, "bad", user), 0);
        ASSERT_TRUE(Write(id, "bad", "x", user));
        Close(id);
        ++id;
    }
    EXPECT_EQ(Saved().size(), static_cast<int>(std::size(hostile)));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 0) << "nothing written beside the directory";
    for (const QString& name : Saved()) {
        EXPECT_FALSE(name.contains('/'));
        EXPECT_LE(name.toUtf8().size(), 3 + 64 + 14 + 4);
    }
    EXPECT_EQ(EspWindow::FileNameSafe(".."), "__");
    EXPECT_EQ(EspWindow::FileNameSafe("../a"), ".._a");
    EXPECT_EQ(EspWindow::FileNameSafe(std::string("\x81/", 2)), "__") << "a lead byte does not hide a '/'";
    EXPECT_EQ(EspWindow::FileNameSafe(Sjis("表示")), Sjis("表示")) << "trail byte 0x5C stays with its character";
    EXPECT_EQ(EspWindow::FileNameSafe("C0A80001:17"), "C0A80001_17");
}

TEST_F(EspWindowTest, LabelsAreReadAt29BytesWithoutSplittingACharacter) {
    const std::string kanji = Sjis("漢");  // two bytes
    std::string name;
    for (int i = 0; i < 14; ++i) name += kanji;
    EXPECT_EQ(EspTabCtrl::CutToBytes("A" + name, 29), "A" + name);
    EXPECT_EQ(EspTabCtrl::CutToBytes("AB" + name, 29), "AB" + name.substr(0, 26));
    EXPECT_EQ(EspTabCtrl::CutToBytes(std::string(40, 'x'), 29), std::string(29, 'x'));

    Configure(false, true);
    Open(1, "AB" + name);
    Write(1, "x", "text");
    seam_.AnswerMessageBox(ui::IDNO);
    Close(1);
    ASSERT_EQ(seam_.CountOf(Kind::MessageBox), 1);
    const std::string text = seam_.CallsOf(Kind::MessageBox)[0].text;
    EXPECT_EQ(text, "AB" + name.substr(0, 26) + Sjis("ウィンドウの内容を保存しますか？"));
    EXPECT_TRUE(platform::Cp932ToUtf8(text).has_value());
    EXPECT_EQ(seam_.CountOf(Kind::SaveAs), 0);
}

TEST_F(EspWindowTest, CharactersBeyondCp932ShowInPaneAndLabelAndStayCarriedInTheLog) {
    const std::string name = Sjis("花") + "&#xC548;&#x1F338;";
    Open(3, name, "C0A80001:17");
    // The label is read at 29 bytes of its carried form, as every label is.
    EXPECT_EQ(Esp()->Tabs()->tabText(0), QString::fromUtf8("花안🌸(192.168.0"));
    EXPECT_EQ(Esp()->Tabs()->tabToolTip(0), QString::fromUtf8("花안🌸(192.168.0.1)"));
    ASSERT_TRUE(Write(3, name, "caf&#xE9; &#x26;#x41;", "C0A80001:17"));
    Send(QString::fromUtf8("😀 ok\nnext,Evil,line"));
    ASSERT_EQ(Events(DISPID_ReadEspString).size(), 1u);
    EXPECT_EQ(Events(DISPID_ReadEspString)[0].args.at(1).AsBstr(), "&#x1F600; ok\r\nnext,Evil,line");
    EXPECT_EQ(PaneText(0), QString::fromUtf8("café &#x41;\n😀 ok\nnext,Evil,line\n"));
    EXPECT_EQ(ReadAll(LogPath(0)).toStdString(), name + ",192.168.0.1,caf&#xE9; &#x26;#x41;\r\n"
                                          "me,4242,&#x1F600; ok\r\n\tnext,Evil,line\r\n");
    // A label cut at 29 bytes ends before a reference it would split.
    const std::string longName = std::string(20, 'x') + "&#x1F600;";
    EXPECT_EQ(EspTabCtrl::CutToBytes(longName, 29), longName);
    EXPECT_EQ(EspTabCtrl::CutToBytes("y" + longName, 29), "y" + std::string(20, 'x'));
}

TEST_F(EspWindowTest, TheInputTakes512BytesAndBeepsAtMore) {
    Open(1, "a");
    Esp()->InputEdit()->setPlainText(QString(510, 'x'));
    ui::ResetMessageBeepCount();
    Type("abc");
    EXPECT_EQ(Esp()->InputEdit()->Text().size(), 512u);
    EXPECT_GE(ui::MessageBeepCount(), 1);
}

TEST_F(EspWindowTest, AnUnwritableLogShowsTextButReportsAndKeepsOwnInput) {
    Open(1, "a");
    ASSERT_TRUE(QDir(espDir_).removeRecursively());
    EXPECT_FALSE(Write(1, "a", "shown anyway"));
    EXPECT_EQ(PaneText(0), "shown anyway\n");
    Send("not sent");
    EXPECT_TRUE(Events(DISPID_ReadEspString).empty());
    EXPECT_EQ(Esp()->InputEdit()->toPlainText(), "not sent");
}

TEST_F(EspWindowTest, TheSaveButtonOffersTheFocusedConversationAndCancelKeepsItUnsaved) {
    Configure(false, true);
    Open(1, "a", "u1");
    Write(1, "a", "x", "u1");
    seam_.AnswerSaveAs(std::nullopt);
    Esp()->SaveButton()->click();
    EXPECT_EQ(seam_.CountOf(Kind::SaveAs), 1);
    EXPECT_TRUE(Esp()->Slot(0).unsaved);
    seam_.AnswerSaveAs(std::string("saved.txt"));
    Esp()->SaveButton()->click();
    EXPECT_FALSE(Esp()->Slot(0).unsaved);
    EXPECT_EQ(ReadAll(espDir_ + "/saved.txt"), "a,Localhost,x\r\n");
    Close(1);
    EXPECT_EQ(seam_.CountOf(Kind::MessageBox), 0) << "saved text is not asked about";
}

TEST_F(EspWindowTest, ADeleteDuringTheCloseQuestionLeavesAConsistentWindow) {
    Configure(false, true);
    Open(1, "a", "u1");
    Open(2, "b", "u2");
    Write(1, "a", "x");
    // While the question is up the host ends everything.
    bool nested = false;
    struct DeletingSeam : ui::RecordingModalSeam {
        std::function<void()> during;
        int MessageBox(QWidget* o, const std::string& t, const std::string& c, unsigned s) override {
            if (auto f = std::exchange(during, nullptr)) f();
            return ui::RecordingModalSeam::MessageBox(o, t, c, s);
        }
    } deleting;
    deleting.SetDefaultMessageBoxAnswer(ui::IDNO);
    deleting.during = [&] {
        nested = true;
        Call(DISPID_Delete);
    };
    ui::ScopedModalSeam inner(deleting);
    Close(1);
    EXPECT_TRUE(nested);
    EXPECT_FALSE(Esp()->IsOpen());
    EXPECT_EQ(Esp()->TabCount(), 0);
    EXPECT_EQ(Open(3, "c"), 0);
    EXPECT_EQ(Esp()->TabCount(), 1);
    EXPECT_EQ(Esp()->SlotAt(0), 0);
}

}  // namespace
}  // namespace teskchat
