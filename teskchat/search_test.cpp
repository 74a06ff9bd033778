// Finding text the way a Japanese chat user expects, in the chat log and in a conversation pane.
#include "teskchat/chat_column_list.h"
#include "teskchat/chat_input_edit.h"
#include "teskchat/chat_log_search.h"
#include "teskchat/chat_log_view.h"
#include "teskchat/chat_pane.h"
#include "teskchat/chat_search_bar.h"
#include "teskchat/search_text.h"
#include "teskchat/text_pane_search.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace teskchat {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

SearchText::Match FindIn(const char* text, const char* needle, bool kana = false, int from = 0, bool backward = false) {
    return SearchText(U(text), kana).Find(SearchText(U(needle), kana), from, backward);
}

TEST(SearchTextFolding, CaseAndFullWidthLettersMatchEachOther) {
    EXPECT_EQ(FindIn("Hello ＷＯＲＬＤ！", "world!").start, 6);
    EXPECT_EQ(FindIn("Hello ＷＯＲＬＤ！", "world!").length, 6);
    EXPECT_EQ(FindIn("ｈｅｌｌｏ", "HELLO").start, 0);
    // The ideographic space is a space.
    EXPECT_EQ(FindIn("こんにちは　みなさん", "は み").start, 4);
    EXPECT_FALSE(FindIn("abc", "abd").Found());
}

TEST(SearchTextFolding, HalfWidthKanaMatchFullWidthAndKeepTheirOriginalLength) {
    // ｶﾞｰﾃﾞﾝ is six characters; ガーデン four. The match covers all six originals.
    const auto m = FindIn("ようこそｶﾞｰﾃﾞﾝへ", "ガーデン");
    EXPECT_EQ(m.start, 4);
    EXPECT_EQ(m.length, 6);
    // And the other way round.
    EXPECT_EQ(FindIn("パンとガーデン", "ﾊﾟﾝ").length, 2);
    EXPECT_EQ(FindIn("ヴァイオリン", "ｳﾞｧｲｵﾘﾝ").start, 0);
    // A voicing mark after a kana that has no voiced form stays a mark of its own.
    EXPECT_EQ(FindIn("ｱﾞ", "ア゛").length, 2);
    // ッ sits between the voiced rows: ﾂﾞ is ヅ, not ッ's neighbour.
    EXPECT_EQ(FindIn("ヅ", "ﾂﾞ").start, 0);
    EXPECT_EQ(FindIn("ボ", "ﾎﾞ").start, 0);
    EXPECT_EQ(FindIn("ポ", "ﾎﾟ").start, 0);
}

TEST(SearchTextFolding, HiraganaMatchKatakanaOnlyWhenAsked) {
    EXPECT_FALSE(FindIn("ネコです", "ねこ").Found());
    EXPECT_EQ(FindIn("ネコです", "ねこ", true).start, 0);
    EXPECT_EQ(FindIn("ねこです", "ﾈｺ", true).start, 0);
    EXPECT_EQ(FindIn("がっこう", "ｶﾞｯｺｳ", true).length, 4);
}

TEST(SearchTextFolding, FindsForwardAndBackwardFromAnOriginalPosition) {
    // Positions are the original text's, also after a half-width pair.
    const char* text = "ｶﾞa ｶﾞa ｶﾞa";
    EXPECT_EQ(FindIn(text, "ガa", false, 1).start, 4);
    EXPECT_EQ(FindIn(text, "ガa", false, 9).start, -1);
    EXPECT_EQ(FindIn(text, "ガa", false, 8, true).start, 4);
    EXPECT_EQ(FindIn(text, "ガa", false, 0, true).start, -1);
    EXPECT_FALSE(FindIn(text, "").Found());
    EXPECT_FALSE(FindIn("", "a").Found());
}

class ChatLogSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        pane_.resize(500, 300);
        pane_.show();
        pane_.Initialise(false);
        const char* lines[][2] = {
            {"alice", "こんにちは、みなさん"}, {"bob", "ＨＥＬＬＯ everyone"}, {"carol", "ネコがいます"},
            {"Hello Kitty", "にゃー"},       {"dave", "hello again"},       {"erin", "さようなら"},
        };
        for (auto& line : lines) pane_.View()->AddLine(U(line[0]), "id", U(line[1]));
        bar_ = pane_.SearchBar();
        ASSERT_NE(bar_, nullptr);
    }
    ChatColumnList* Messages() const { return pane_.View()->Column(1); }

    ChatPane pane_;
    ChatSearchBar* bar_ = nullptr;
};

TEST_F(ChatLogSearchTest, CtrlFOpensTheBarWithTheFocusAndMakesRoomAboveTheLog) {
    pane_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&pane_));
    pane_.InputEdit()->setFocus();
    const QRect before = pane_.View()->geometry();
    QTest::keyClick(pane_.InputEdit(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar_->isVisible());
    EXPECT_TRUE(bar_->Line()->hasFocus());
    EXPECT_FALSE(bar_->geometry().intersects(pane_.View()->geometry()));
    EXPECT_EQ(pane_.View()->geometry().bottom(), before.bottom());
    EXPECT_GT(pane_.View()->geometry().top(), before.top());
    // Escape closes it, gives the room back and the focus to the input line.
    QTest::keyClick(bar_->Line(), Qt::Key_Escape);
    EXPECT_FALSE(bar_->isVisible());
    EXPECT_EQ(pane_.View()->geometry(), before);
    EXPECT_TRUE(pane_.InputEdit()->hasFocus());
}

TEST_F(ChatLogSearchTest, MatchesNamesAndMessagesInAnyCaseAndWidthAndWalksThemRound) {
    bar_->Open();
    bar_->Line()->setText("hello");
    EXPECT_EQ(pane_.Search()->Matches(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(Messages()->Marks(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(pane_.View()->Column(0)->Marks(), (std::vector<int>{1, 3, 4}));
    const int first = pane_.Search()->CurrentLine();
    EXPECT_EQ(bar_->ResultLabel()->text(), QStringLiteral("%1/3").arg(first == 1 ? 1 : first == 3 ? 2 : 3));
    // Enter walks forward and wraps; Shift+Enter walks back.
    std::vector<int> seen;
    for (int k = 0; k < 3; ++k) {
        QTest::keyClick(bar_->Line(), Qt::Key_Return);
        seen.push_back(pane_.Search()->CurrentLine());
    }
    EXPECT_EQ(seen.back(), first);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 4}));
    QTest::keyClick(bar_->Line(), Qt::Key_Return, Qt::ShiftModifier);
    const int back = pane_.Search()->CurrentLine();
    EXPECT_NE(back, first);
    EXPECT_EQ(Messages()->CurrentMark(), back);
}

TEST_F(ChatLogSearchTest, KanaOptionAndNothingFound) {
    bar_->Open();
    bar_->Line()->setText(U("ねこ"));
    EXPECT_TRUE(pane_.Search()->Matches().empty());
    EXPECT_EQ(bar_->ResultLabel()->text(), U("見つかりません"));
    EXPECT_EQ(pane_.Search()->CurrentLine(), -1);
    bar_->KanaBox()->setChecked(true);
    EXPECT_EQ(pane_.Search()->Matches(), (std::vector<int>{2}));
    EXPECT_EQ(bar_->ResultLabel()->text(), QStringLiteral("1/1"));
}

TEST_F(ChatLogSearchTest, TheCurrentMatchIsScrolledIntoViewAndClosingClearsTheMarks) {
    for (int i = 0; i < 60; ++i) pane_.View()->AddLine("x", "id", QStringLiteral("filler %1").arg(i));
    // The log shows the newest lines; the match is far above.
    ASSERT_GT(pane_.View()->TopLine(), 2);
    bar_->Open();
    bar_->Line()->setText(U("ネコ"));
    EXPECT_EQ(pane_.Search()->CurrentLine(), 2);
    EXPECT_LE(pane_.View()->TopLine(), 2);
    EXPECT_GT(pane_.View()->TopLine() + pane_.View()->PageLines(), 2);
    bar_->Close();
    EXPECT_TRUE(Messages()->Marks().empty());
    EXPECT_EQ(Messages()->CurrentMark(), -1);
}

TEST_F(ChatLogSearchTest, AClearedLogLeavesNoStaleMarks) {
    bar_->Open();
    bar_->Line()->setText("hello");
    ASSERT_FALSE(Messages()->Marks().empty());
    pane_.View()->Clear();
    EXPECT_TRUE(Messages()->Marks().empty());
    // Stepping in an empty log finds nothing and does not crash.
    QTest::keyClick(bar_->Line(), Qt::Key_Return);
    EXPECT_EQ(pane_.Search()->CurrentLine(), -1);
}

TEST(TextPaneSearchTest, HighlightsEveryMatchSelectsTheCurrentAndFollowsThePaneOnScreen) {
    QWidget window;
    auto* bar = new ChatSearchBar(&window);
    auto* first = new QTextEdit(&window);
    auto* second = new QTextEdit(&window);
    first->setPlainText(U("alice: ﾈｺはどこ？\nbob: ネコならここ\nalice: ありがとう、ねこ"));
    second->setPlainText(U("no cats here"));
    second->hide();
    QTextEdit* shown = first;
    TextPaneSearch search(bar, [&] { return shown; });
    window.show();
    bar->Open();
    bar->Line()->setText(U("ネコ"));
    ASSERT_EQ(search.Matches().size(), 2u);
    EXPECT_EQ(first->extraSelections().size(), 2);
    // The newest (last) match is current and its text is where the cursor is.
    EXPECT_EQ(search.CurrentIndex(), 1);
    EXPECT_EQ(first->textCursor().position(), search.Matches()[1].first);
    bar->KanaBox()->setChecked(true);
    EXPECT_EQ(search.Matches().size(), 3u);
    emit bar->FindNext();
    EXPECT_EQ(search.CurrentIndex(), 0);  // wrapped round
    emit bar->FindPrevious();
    EXPECT_EQ(search.CurrentIndex(), 2);
    // Another tab comes to the front: its pane is searched, the old one loses its marks.
    shown = second;
    search.Refresh();
    EXPECT_TRUE(search.Matches().empty());
    EXPECT_TRUE(first->extraSelections().isEmpty());
    bar->Close();
    search.Refresh();  // a closed bar looks for nothing
    EXPECT_TRUE(search.Matches().empty());
}

}  // namespace
}  // namespace teskchat
