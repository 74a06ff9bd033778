#include "plexa/data/action_palette.h"

#include "platform/text/cp932.h"
#include "platform/ui/bitmap_button.h"
#include "plexa/data/avatar_tree_test_support.h"
#include "plexa/data/definition_file.h"

#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace plexa {
namespace {
using platform::ui::BitmapButton;

class ActionPaletteTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree_.Install("ant", 3);
        tree_.Install("Cat01", 10);
        tree_.Install("many", 20);
        tree_.Install("lost", 2);
        definitions_ = ParseDefinitionText(test::AvatarTree::Section("ant", 3) + test::AvatarTree::Section("cat01", 10) +
                                           test::AvatarTree::Section("many", 20));
        palette_.SetDefinitionList(&definitions_);
    }

    std::vector<int> ShownButtons() const {
        std::vector<int> ids;
        for (int id = 147; id <= 162; ++id)
            if (!palette_.Button(id)->isHidden()) ids.push_back(id);
        return ids;
    }
    QRgb ButtonColour(int id) const { return palette_.Button(id)->ImageFor(BitmapButton::Face::Up).pixel(0, 0); }

    test::AvatarTree tree_;
    AvatarDefinitionList definitions_;
    std::vector<std::string> sent_;
    ActionPalette palette_{[this](const std::string& code) { sent_.push_back(code); }};
};

TEST_F(ActionPaletteTest, StartsHiddenWithoutButtons) {
    EXPECT_FALSE(palette_.isVisible());
    EXPECT_EQ(palette_.windowTitle(), QString::fromUtf8("アバタ動作"));
    EXPECT_TRUE(ShownButtons().empty());
    EXPECT_EQ(palette_.ButtonCount(), 0);
}

TEST_F(ActionPaletteTest, ThreeButtonsInOneRow) {
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "ant"));
    palette_.show();
    EXPECT_EQ(palette_.ButtonCount(), 3);
    EXPECT_EQ(ShownButtons(), (std::vector<int>{147, 148, 149}));
    EXPECT_EQ(palette_.Button(147)->geometry(), QRect(10, 5, 32, 32));
    EXPECT_EQ(palette_.Button(148)->geometry(), QRect(47, 5, 32, 32));
    EXPECT_EQ(palette_.Button(149)->geometry(), QRect(84, 5, 32, 32));
    EXPECT_EQ(palette_.frameGeometry().size(), QSize(126, 67));
    EXPECT_EQ(ButtonColour(149), 0xFF000000 | test::ButtonColour(2));
}

TEST_F(ActionPaletteTest, TenButtonsFillTheFirstRowAndTwoOfTheSecond) {
    // Directory name Cat01 finds the section [cat01].
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "Cat01"));
    palette_.show();
    EXPECT_EQ(palette_.ButtonCount(), 10);
    EXPECT_EQ(ShownButtons().size(), 10u);
    EXPECT_EQ(palette_.Button(154)->geometry(), QRect(269, 5, 32, 32));
    EXPECT_EQ(palette_.Button(155)->geometry(), QRect(10, 42, 32, 32));
    EXPECT_EQ(palette_.Button(156)->geometry(), QRect(47, 42, 32, 32));
    EXPECT_EQ(ButtonColour(156), 0xFF000000 | test::ButtonColour(9));
    EXPECT_EQ(palette_.frameGeometry().size(), QSize(311, 104));
}

TEST_F(ActionPaletteTest, RebuildHidesButtonsOfALargerAvatarAndKeepsTheCorner) {
    palette_.move(200, 150);
    palette_.show();
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "many"));
    EXPECT_EQ(palette_.ButtonCount(), 16) << "only the first sixteen lines";
    EXPECT_EQ(palette_.Button(162)->geometry(), QRect(269, 42, 32, 32));
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "ant"));
    EXPECT_EQ(ShownButtons(), (std::vector<int>{147, 148, 149}));
    EXPECT_EQ(palette_.frameGeometry().size(), QSize(126, 67));
    EXPECT_EQ(palette_.pos(), QPoint(200, 150));
}

TEST_F(ActionPaletteTest, NoSectionMeansNoButtonsAndANarrowWindow) {
    palette_.show();
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "ant"));
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "lost"));
    EXPECT_EQ(palette_.ButtonCount(), 0);
    EXPECT_TRUE(ShownButtons().empty());
    EXPECT_EQ(palette_.frameGeometry().size(), QSize(15, 67));
}

TEST_F(ActionPaletteTest, EmptyDirectoryChangesNothing) {
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "ant"));
    EXPECT_FALSE(palette_.SetAvatar("", "Cat01"));
    EXPECT_EQ(palette_.ButtonCount(), 3);
    EXPECT_EQ(palette_.DirectoryName(), "ant");
    EXPECT_EQ(ShownButtons().size(), 3u);
}

TEST_F(ActionPaletteTest, MissingPictureKeepsTheSlotsEarlierOne) {
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "ant"));
    const QRgb before = ButtonColour(148);
    QFile::remove(tree_.QPath() + "/ant/Button/b01.bmp");
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "ant"));
    EXPECT_EQ(ButtonColour(148), before);
    EXPECT_FALSE(palette_.Button(148)->isHidden());
}

TEST_F(ActionPaletteTest, ButtonsSendTheirCodesByMouseAndKeyboard) {
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "many"));
    palette_.show();
    QTest::mouseClick(palette_.Button(147), Qt::LeftButton);
    QTest::mouseClick(palette_.Button(158), Qt::LeftButton);  // the twelfth button
    QTest::mouseClick(palette_.Button(162), Qt::LeftButton);
    EXPECT_EQ(sent_, (std::vector<std::string>{"a00", "a11", "a15"}));

    // From the keyboard: focus on the first, right twice, down once, Space.
    sent_.clear();
    palette_.Button(147)->setFocus();
    QTest::keyClick(&palette_, Qt::Key_Right);
    QTest::keyClick(&palette_, Qt::Key_Right);
    QTest::keyClick(&palette_, Qt::Key_Down);
    ASSERT_EQ(palette_.focusWidget(), palette_.Button(157));
    QTest::keyClick(palette_.Button(157), Qt::Key_Space);
    EXPECT_EQ(sent_, (std::vector<std::string>{"a10"}));
}

TEST_F(ActionPaletteTest, ButtonsCarryNameAndTooltip) {
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "ant"));
    EXPECT_EQ(palette_.Button(149)->accessibleName(), QString::fromUtf8("動作 3"));
    EXPECT_EQ(palette_.Button(149)->toolTip(), QString::fromUtf8("動作 3"));
}

TEST_F(ActionPaletteTest, ButtonsCarryTheGesturesOwnNamesAndForgetThemWithTheAvatar) {
    // The second of three gestures has a name of its own, in the file's encoding.
    std::string section = test::AvatarTree::Section("ant", 3);
    const std::string plain = "BUTTON=AvatarData/ant/Button/b01.bmp";
    section.replace(section.find(plain), plain.size(),
                    "BUTTON:" + platform::FromQString(QString::fromUtf8("おじぎ")) + "=AvatarData/ant/Button/b01.bmp");
    definitions_ = ParseDefinitionText(section + test::AvatarTree::Section("cat01", 10));
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "ant"));
    EXPECT_EQ(palette_.Button(148)->accessibleName(), QString::fromUtf8("おじぎ"));
    EXPECT_EQ(palette_.Button(148)->toolTip(), QString::fromUtf8("おじぎ"));
    EXPECT_EQ(palette_.Button(147)->toolTip(), QString::fromUtf8("動作 1")) << "unnamed ones keep their number";
    EXPECT_NE(ButtonColour(148), ButtonColour(147)) << "the named line still loads its picture";

    // Another avatar's second button is not a bow.
    ASSERT_TRUE(palette_.SetAvatar(tree_.Path(), "Cat01"));
    EXPECT_EQ(palette_.Button(148)->accessibleName(), QString::fromUtf8("動作 2"));
    EXPECT_EQ(palette_.Button(148)->toolTip(), QString::fromUtf8("動作 2"));
}

TEST_F(ActionPaletteTest, EscapeClosesThePalette) {
    palette_.show();
    ASSERT_TRUE(palette_.isVisible());
    QTest::keyClick(&palette_, Qt::Key_Escape);
    EXPECT_FALSE(palette_.isVisible());
}

}  // namespace
}  // namespace plexa
