#include "teskchat/chat_log_view.h"

#include "teskchat/chat_column_list.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace teskchat {
namespace {

class ChatLogViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        font_ = QFont(QStringLiteral("VL PGothic"));
        font_.setPixelSize(12);
        view_.resize(400, 300);
        view_.SetColumns(QStringLiteral("name"), QStringLiteral("id"), QStringLiteral("message"));
        view_.SetChatFont(font_);
        view_.show();
        view_.ResizeColumns(view_.viewport()->width());
    }
    int RowHeight() const { return QFontMetrics(font_).height(); }
    int MessageWidth() const { return view_.Header()->sectionSize(1); }
    QString TextWiderThan(int pixels) const {
        QString text;
        while (QFontMetrics(font_).horizontalAdvance(text) <= pixels) text += QString::fromUtf8("あいうえお ");
        return text;
    }
    // Lines from the top line down that fit in the column entirely.
    int LastFullyVisible() const {
        const ChatColumnList* list = view_.Column(1);
        int y = 0;
        int last = -1;
        for (int i = view_.TopLine(); i < view_.LineCount(); ++i) {
            y += list->ItemHeight(i);
            if (y > list->height()) break;
            last = i;
        }
        return last;
    }

    QFont font_;
    ChatLogView view_;
};

TEST_F(ChatLogViewTest, ColumnsSplitTheWidthAQuarterAndThreeQuarters) {
    const int w = view_.viewport()->width();
    EXPECT_EQ(view_.Header()->count(), 2);
    EXPECT_EQ(view_.Header()->sectionSize(0), w / 4);
    EXPECT_EQ(view_.Header()->sectionSize(1), (w / 4) * 3);
    EXPECT_EQ(view_.Column(0)->x(), 0);
    EXPECT_EQ(view_.Column(1)->x(), w / 4);
    EXPECT_EQ(view_.Column(1)->y(), view_.Header()->height());
    EXPECT_FALSE(view_.Column(0)->Wraps());
    EXPECT_TRUE(view_.Column(1)->Wraps());
}

TEST_F(ChatLogViewTest, MessagesWrapIntoRowsAndEmptyOnesTakeOne) {
    view_.AddLine("a", "", "");
    view_.AddLine("b", "", "short");
    const QString wide = TextWiderThan(2 * MessageWidth());
    view_.AddLine("c", "", wide);
    const int extent = QFontMetrics(font_).horizontalAdvance(wide);
    EXPECT_EQ(view_.Column(1)->ItemHeight(0), RowHeight());
    EXPECT_EQ(view_.Column(1)->ItemHeight(1), RowHeight());
    EXPECT_EQ(view_.LineRows(2), extent / MessageWidth() + 1);
    EXPECT_GE(view_.LineRows(2), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(view_.Column(0)->ItemHeight(i), view_.Column(1)->ItemHeight(i));
}

TEST_F(ChatLogViewTest, LineBreaksAddRowsAndTallLinesKeepTheirFullHeight) {
    view_.AddLine("a", "", "one\r\ntwo\r\nthree");
    EXPECT_EQ(view_.LineRows(0), 3);
    EXPECT_EQ(view_.Column(1)->ItemText(0), QStringLiteral("one\ntwo\nthree"));
    // Far beyond what a classic list box item may be tall.
    const QString huge = TextWiderThan(40 * MessageWidth());
    view_.AddLine("b", "", huge);
    EXPECT_GT(view_.Column(1)->ItemHeight(1), 255);
    EXPECT_EQ(view_.Column(1)->ItemHeight(1), RowHeight() * view_.LineRows(1));
}

TEST_F(ChatLogViewTest, DraggingAndFontChangesMeasureEveryLineAgain) {
    const QString wide = TextWiderThan(MessageWidth() + 10);
    for (int i = 0; i < 20; ++i) view_.AddLine("n", "", wide);
    EXPECT_EQ(view_.LineRows(0), 2);
    view_.Header()->resizeSection(1, MessageWidth() * 4);  // as a divider drag reports it
    EXPECT_EQ(view_.LineRows(19), 1);
    EXPECT_EQ(view_.Column(1)->ItemHeight(19), RowHeight());
    EXPECT_EQ(view_.Column(1)->width(), MessageWidth());
    QFont big = font_;
    big.setPixelSize(24);
    view_.SetChatFont(big);
    const int bigRow = QFontMetrics(big).height();
    const int rows = QFontMetrics(big).horizontalAdvance(wide) / MessageWidth() + 1;
    EXPECT_EQ(view_.Column(0)->ItemHeight(5), bigRow * rows);
    EXPECT_EQ(view_.Column(0)->ListFont().pixelSize(), 24);
    EXPECT_EQ(view_.HorizontalPosition(), 0);
}

TEST_F(ChatLogViewTest, TheNewestLineIsAlwaysBroughtIntoView) {
    for (int i = 0; i < 100; ++i) view_.AddLine("n", "", QString::number(i));
    EXPECT_EQ(LastFullyVisible(), 99);
    EXPECT_GT(view_.TopLine(), 0);
    view_.verticalScrollBar()->setValue(0);  // the user scrolls up to read
    EXPECT_EQ(view_.TopLine(), 0);
    EXPECT_EQ(view_.Column(0)->TopLine(), 0);
    view_.AddLine("n", "", TextWiderThan(3 * MessageWidth()));
    EXPECT_EQ(LastFullyVisible(), 100);
    EXPECT_EQ(view_.Column(0)->TopLine(), view_.Column(1)->TopLine());
    EXPECT_EQ(view_.TopLine(), 100 - view_.PageLines() + 1);
}

TEST_F(ChatLogViewTest, PagingMovesByAVisiblePageLessTwo) {
    for (int i = 0; i < 100; ++i) view_.AddLine("n", "", QString::number(i));
    view_.verticalScrollBar()->setValue(0);
    const int perPage = view_.Column(1)->height() / RowHeight() + 1;  // counted while the sum stays below
    view_.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view_.TopLine(), perPage - 2);
    view_.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(view_.TopLine(), perPage - 1);
    // Counting upwards finds the same full page: back by that page less two.
    view_.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(view_.TopLine(), 1);
    view_.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(view_.TopLine(), 0);
}

TEST_F(ChatLogViewTest, TheMessageColumnNeverGetsNarrowerThanTheWidestCharacter) {
    const int widest = QFontMetrics(font_).maxWidth();
    view_.Header()->resizeSection(1, 2);
    EXPECT_EQ(view_.Header()->sectionSize(1), widest);
    view_.AddLine("n", "", QString::fromUtf8("漢字かな"));
    EXPECT_GE(view_.LineRows(0), 1);
}

TEST_F(ChatLogViewTest, ANarrowViewScrollsSidewaysInAverageCharacters) {
    view_.Header()->resizeSection(0, 300);
    view_.Header()->resizeSection(1, 500);
    const int a = view_.AverageCharWidth();
    QScrollBar* bar = view_.horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->pageStep(), view_.viewport()->width() / a);
    bar->setValue(5);
    EXPECT_EQ(view_.HorizontalPosition(), 5);
    EXPECT_EQ(view_.Column(0)->x(), -5 * a);
    EXPECT_EQ(view_.Column(1)->x(), 300 - 5 * a);
    EXPECT_EQ(view_.Header()->x(), -5 * a);
    bar->setValue(bar->maximum());
    // Widening the view puts the position past the new maximum: the columns come back.
    view_.resize(1000, 300);
    view_.Header()->resizeSection(1, 500);
    EXPECT_LE(view_.HorizontalPosition(), bar->maximum());
    EXPECT_EQ(view_.Column(1)->x(), 300 - view_.HorizontalPosition() * a);
}

TEST_F(ChatLogViewTest, ClearRemovesEveryLineFromBothColumns) {
    for (int i = 0; i < 30; ++i) view_.AddLine("n", "", "m");
    view_.Clear();
    EXPECT_EQ(view_.LineCount(), 0);
    EXPECT_EQ(view_.Column(0)->Count(), 0);
    EXPECT_EQ(view_.TopLine(), 0);
    view_.AddLine("again", "", "m");
    EXPECT_EQ(view_.LineCount(), 1);
    EXPECT_EQ(view_.TopLine(), 0);
}

class ChatColumnCopyTest : public ChatLogViewTest {
protected:
    void SetUp() override {
        ChatLogViewTest::SetUp();
        view_.AddLine(QString::fromUtf8("太郎"), "", QString::fromUtf8("こんにちは"));
        view_.AddLine(QString::fromUtf8("花子"), "", QStringLiteral("<b>not markup</b>"));
        for (int k = 0; k < 2; ++k) {
            view_.Column(k)->SetPopupMenuRunner([this](QWidget*, const QPoint& at, const QStringList& entries) {
                menus_.push_back(entries);
                menuAt_ = at;
                return answer_;
            });
        }
        QApplication::clipboard()->setText(QStringLiteral("before"));
    }
    QPoint ItemCentre(int k, int index) const {
        int y = 0;
        for (int i = view_.TopLine(); i < index; ++i) y += view_.Column(k)->ItemHeight(i);
        return {10, y + view_.Column(k)->ItemHeight(index) / 2};
    }

    std::vector<QStringList> menus_;
    QPoint menuAt_;
    int answer_ = 0;
};

TEST_F(ChatColumnCopyTest, CtrlCCopiesTheSelectedCellOnly) {
    ChatColumnList* messages = view_.Column(1);
    QTest::keyClick(messages, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));  // nothing selected
    QTest::mouseClick(messages, Qt::LeftButton, {}, ItemCentre(1, 1));
    EXPECT_EQ(messages->SelectedIndex(), 1);
    EXPECT_EQ(view_.Column(0)->SelectedIndex(), -1);
    QTest::keyClick(messages, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("<b>not markup</b>"));
    // Arrow keys do not move the selection.
    QTest::keyClick(messages, Qt::Key_Up);
    EXPECT_EQ(messages->SelectedIndex(), 1);
}

TEST_F(ChatColumnCopyTest, TheContextMenuCopiesAndNeedsASelection) {
    ChatColumnList* names = view_.Column(0);
    names->SetCopyCaption(QString::fromUtf8("コピー"));
    QTest::mouseClick(names, Qt::RightButton, {}, ItemCentre(0, 0));
    EXPECT_TRUE(menus_.empty());
    QTest::mouseClick(names, Qt::LeftButton, {}, ItemCentre(0, 0));
    QTest::mouseClick(names, Qt::RightButton, {}, ItemCentre(0, 0));
    ASSERT_EQ(menus_.size(), 1u);
    EXPECT_EQ(menus_[0], QStringList{QString::fromUtf8("コピー")});
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("太郎"));
    answer_ = -1;  // dismissed
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::mouseClick(names, Qt::RightButton, {}, ItemCentre(0, 0));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(ChatColumnCopyTest, LosingTheFocusClearsTheSelection) {
    view_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view_));
    ChatColumnList* names = view_.Column(0);
    QTest::mouseClick(names, Qt::LeftButton, {}, ItemCentre(0, 1));
    EXPECT_EQ(names->SelectedIndex(), 1);
    QTest::mouseClick(view_.Column(1), Qt::LeftButton, {}, ItemCentre(1, 0));
    EXPECT_EQ(names->SelectedIndex(), -1);
    EXPECT_EQ(view_.Column(1)->SelectedIndex(), 0);
    // A click below the last line selects nothing.
    QTest::mouseClick(view_.Column(1), Qt::LeftButton, {}, QPoint(10, view_.Column(1)->height() - 2));
    EXPECT_EQ(view_.Column(1)->SelectedIndex(), -1);
}

}  // namespace
}  // namespace teskchat
