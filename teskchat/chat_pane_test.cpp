#include "teskchat/chat_pane.h"

#include "teskchat/chat_bitmaps.h"
#include "teskchat/chat_column_list.h"
#include "teskchat/chat_input_edit.h"
#include "teskchat/chat_log_view.h"

#include "platform/text/cp932.h"
#include "platform/ui/bitmap_button.h"

#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace teskchat {
namespace {

using platform::Sjis;

class ChatPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        pane_.resize(500, 300);
        pane_.SetSaveChatDir(platform::FromQString(dir_.path()));
        pane_.SetSendHandler([this](const std::string& text) { sent_.push_back(text); });
        pane_.show();
        pane_.Initialise(false);
        pane_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&pane_));
        pane_.InputEdit()->setFocus();
    }
    // What an input method sends when the user commits Japanese text.
    void Commit(const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(pane_.InputEdit(), &event);
    }
    void Enter(Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(pane_.InputEdit(), Qt::Key_Return, modifiers); }

    QTemporaryDir dir_;
    ChatPane pane_;
    std::vector<std::string> sent_;
};

TEST_F(ChatPaneTest, ChildrenKeepTheirDistanceFromTheEdges) {
    for (QSize size : {QSize(500, 300), QSize(260, 180)}) {
        pane_.resize(size);
        const int r = size.width();
        const int b = size.height();
        EXPECT_EQ(pane_.SendButton()->geometry(), QRect(r - 22, b - 22, 16, 16));
        EXPECT_EQ(pane_.InputEdit()->geometry(), QRect(6, b - 26, r - 22 - 6 - 6, 20));
        EXPECT_EQ(pane_.Label()->geometry(), QRect(6, b - 52, r - 12, 20));
        EXPECT_EQ(pane_.View()->geometry(), QRect(6, 6, r - 12, b - 64));
        // The view's columns follow its new width.
        EXPECT_EQ(pane_.View()->Column(1)->width() + pane_.View()->Column(0)->width(),
                  (pane_.View()->viewport()->width() / 4) * 4);
    }
}

TEST_F(ChatPaneTest, EnterSendsTheTextAsTypedAndEmptiesTheInput) {
    Enter();
    EXPECT_TRUE(sent_.empty());  // empty input sends nothing
    Commit(QString::fromUtf8("こんにちは、<b>世界</b>"));
    Enter();
    ASSERT_EQ(sent_.size(), 1u);
    EXPECT_EQ(sent_[0], Sjis("こんにちは、<b>世界</b>"));
    EXPECT_TRUE(pane_.InputEdit()->toPlainText().isEmpty());
    // The pane never shows its own text: the host echoes it.
    EXPECT_EQ(pane_.View()->LineCount(), 0);
    QTest::mouseClick(pane_.SendButton(), Qt::LeftButton);
    EXPECT_EQ(sent_.size(), 1u);
}

TEST_F(ChatPaneTest, CtrlEnterBreaksTheLineInsteadOfSending) {
    Commit(QStringLiteral("one"));
    Enter(Qt::ControlModifier);
    Commit(QStringLiteral("two"));
    EXPECT_TRUE(sent_.empty());
    QTest::mouseClick(pane_.SendButton(), Qt::LeftButton);
    ASSERT_EQ(sent_.size(), 1u);
    EXPECT_EQ(sent_[0], "one\r\ntwo");
}

TEST_F(ChatPaneTest, TheInputHoldsAtMost256Bytes) {
    Commit(QString(300, QLatin1Char('a')));
    EXPECT_EQ(pane_.InputEdit()->Text().size(), 256u);
    pane_.InputEdit()->clear();
    Commit(QString(130, QChar(0x6F22)));  // two bytes each
    EXPECT_EQ(pane_.InputEdit()->toPlainText().size(), 128);
    pane_.InputEdit()->clear();
    Commit(QString(255, QLatin1Char('a')));
    Commit(QString::fromUtf8("漢"));  // would need 257
    EXPECT_EQ(pane_.InputEdit()->toPlainText(), QString(255, QLatin1Char('a')));
    Commit(QStringLiteral("b"));
    EXPECT_EQ(pane_.InputEdit()->Text().size(), 256u);
}

TEST_F(ChatPaneTest, CharactersBeyondCp932AreSentCarriedAndShownAsTyped) {
    const QString typed = QString::fromUtf8("うん、了解 😀 café &#x41;");
    Commit(typed);
    Enter();
    ASSERT_EQ(sent_.size(), 1u);
    EXPECT_EQ(sent_[0], Sjis("うん、了解 ") + "&#x1F600; caf&#xE9; &#x26;#x41;");
    // The echo shows the characters; the log keeps the carried bytes and reloads them as typed.
    ASSERT_TRUE(pane_.WriteChatLine(Sjis("太郎") + "&#x2C;&#xC548;", "7F000001:1", sent_[0]));
    EXPECT_EQ(pane_.View()->Column(0)->ItemText(0), QString::fromUtf8("太郎,안"));
    EXPECT_EQ(pane_.View()->Column(1)->ItemText(0), typed);
    ChatPane reloaded;
    reloaded.resize(500, 300);
    reloaded.SetSaveChatDir(platform::FromQString(dir_.path()));
    reloaded.Initialise(true);
    ASSERT_EQ(reloaded.View()->LineCount(), 1);
    EXPECT_EQ(reloaded.View()->Column(0)->ItemText(0), QString::fromUtf8("太郎,안"));
    EXPECT_EQ(reloaded.View()->Column(1)->ItemText(0), typed);
}

TEST_F(ChatPaneTest, TheLimitCountsCarriedBytesAndKeepsCharactersWhole) {
    // An emoji carries as 9 bytes: 28 take 252 bytes, a 29th would need 261.
    QString emoji;
    for (int i = 0; i < 29; ++i) emoji += QString::fromUtf8("😀");
    Commit(emoji);
    EXPECT_EQ(pane_.InputEdit()->Text().size(), 252u);
    EXPECT_EQ(pane_.InputEdit()->toPlainText(), emoji.left(2 * 28));
    pane_.InputEdit()->clear();
    // A "&" typed after "#x..." would have to be escaped (6 bytes): only what fits stays.
    Commit(QString(250, QLatin1Char('a')));
    Commit(QStringLiteral("&#x"));
    EXPECT_EQ(pane_.InputEdit()->toPlainText(), QString(250, QLatin1Char('a')) + QStringLiteral("&#"));
    EXPECT_LE(pane_.InputEdit()->Text().size(), 256u);
}

TEST_F(ChatPaneTest, GhostModeLocksTheInputAndAvatarModeFreesIt) {
    using Face = platform::ui::BitmapButton::Face;
    EXPECT_EQ(pane_.SendButton()->CurrentFace(), Face::Up);
    EXPECT_EQ(pane_.SendButton()->ImageFor(Face::Up), ChatBitmap(IDB_SEND_UP));
    EXPECT_TRUE(pane_.ChangeModeGhost());
    EXPECT_FALSE(pane_.InputEdit()->isEnabled());
    EXPECT_FALSE(pane_.SendButton()->isEnabled());
    EXPECT_EQ(pane_.SendButton()->CurrentFace(), Face::Disabled);
    EXPECT_EQ(pane_.SendButton()->ImageFor(Face::Disabled), ChatBitmap(IDB_SEND_DISABLED));
    pane_.InputEdit()->setPlainText(QStringLiteral("ghost words"));
    pane_.Send();
    EXPECT_TRUE(sent_.empty());
    EXPECT_TRUE(pane_.ChangeModeAvatar());
    EXPECT_TRUE(pane_.InputEdit()->isEnabled());
    EXPECT_EQ(pane_.SendButton()->CurrentFace(), Face::Up);
    QTest::mouseClick(pane_.SendButton(), Qt::LeftButton);
    EXPECT_EQ(sent_.size(), 1u);
}

TEST_F(ChatPaneTest, TheLabelTakesTheFocusToTheInputWithAltS) {
    EXPECT_EQ(pane_.Label()->buddy(), pane_.InputEdit());
    EXPECT_EQ(pane_.Label()->text(), QString::fromUtf8("送信文字列入力(&S)"));
}

TEST(ChatPaneHidden, ColumnsFillTheViewOnceAPaneResizedWhileHiddenIsShown) {
    // As in a container: the pane gets its final size before its window is shown.
    QWidget window;
    window.resize(700, 400);
    ChatPane pane(&window);
    pane.resize(100, 80);
    pane.Initialise(false);
    pane.setGeometry(0, 0, 700, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
    ChatLogView* view = pane.View();
    const int client = view->viewport()->width();
    EXPECT_EQ(view->Header()->sectionSize(0), client / 4);
    EXPECT_EQ(view->Header()->sectionSize(1), (client / 4) * 3);
    // The caption of the name column is shown whole.
    EXPECT_GE(view->Header()->sectionSize(0),
              view->Header()->fontMetrics().horizontalAdvance(QString::fromUtf8("アバタ名")));
}

}  // namespace
}  // namespace teskchat
