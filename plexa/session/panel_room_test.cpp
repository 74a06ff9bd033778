// The panel in windows larger and lower than its template: where the fixed-size view goes, when
// the logo gives way to the lower buttons, and the toolbar's keyboard commands.
#include "platform/ui/bitmap_button.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/action_palette.h"
#include "plexa/data/own_avatar_card.h"
#include "plexa/session/fixed_view_rect.h"
#include "plexa/session/panel_commands.h"
#include "plexa/session/session_test_support.h"

#include <QAction>
#include <gtest/gtest.h>

namespace plexa::testing {
namespace {

TEST(FixedViewRect, KeepsTheTemplateSizeUpToTheTemplateWidth) {
    EXPECT_EQ(FixedViewRect(600, 500), QRect(-36, 46, 672, 249));
    EXPECT_EQ(FixedViewRect(688, 900), QRect(8, 46, 672, 249));
    // Wide but low: no room below for the chat to give, so no growth.
    EXPECT_EQ(FixedViewRect(1600, 46 + 190 + 249), QRect(464, 46, 672, 249));
}

TEST(FixedViewRect, GrowsWithTheWindowKeepingItsShapeAndTheChatsRoom) {
    // Width decides: the view spans the panel less its margins.
    const QRect wide = FixedViewRect(1280, 1024);
    EXPECT_EQ(wide, QRect(8, 46, 1264, 249 * 1264 / 672));
    // Height decides: the chat keeps its reserve below.
    const QRect low = FixedViewRect(1920, 700);
    EXPECT_EQ(low.bottom() + 1, 700 - kChatReserve);
    EXPECT_EQ(low.width(), 672 * low.height() / 249);
    EXPECT_EQ(low.left(), (1920 - low.width()) / 2);
}

class PanelRoomTest : public PanelTest {};

TEST_F(PanelRoomTest, TheLogoGivesWayToTheLowerButtonsInALowWindow) {
    auto panel = MakePanel();
    panel->resize(680, 420);
    // Lower buttons at 379..410 with the fixed view; the logo would start at 354.
    EXPECT_FALSE(panel->LogoShown());
    panel->resize(680, 600);
    EXPECT_TRUE(panel->LogoShown());
    EXPECT_GT(panel->LogoRect().top(), panel->Button(220)->geometry().bottom());
}

TEST_F(PanelRoomTest, AGrownFixedViewPushesTheChatAndCardDown) {
    auto panel = MakePanel();
    panel->resize(1280, 1024);
    const QRect view = panel->View().Window()->geometry();
    EXPECT_EQ(view, FixedViewRect(1280, 1024));
    EXPECT_EQ(panel->Chat().Window()->geometry().top(), view.bottom() + 1);
    EXPECT_EQ(panel->Card()->geometry().top(), view.bottom() + 5);
}

TEST_F(PanelRoomTest, ToolbarCommandsFollowTheirButtonsAndClickThem) {
    auto panel = MakePanel();
    auto* commands = panel->findChild<PanelCommands*>();
    ASSERT_NE(commands, nullptr);
    QAction* list = commands->ActionFor(panel->Button(217));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    EXPECT_FALSE(list->isEnabled()) << "disabled with its button until the region is entered";
    panel->Button(217)->setEnabled(true);
    EXPECT_TRUE(list->isEnabled());
    // The navigation sets share places and keys: only the shown one of a pair is active.
    QAction* walk = commands->ActionFor(panel->Button(207));
    QAction* look = commands->ActionFor(panel->Button(210));
    EXPECT_TRUE(walk->isVisible());
    EXPECT_FALSE(look->isVisible());
    EXPECT_EQ(walk->shortcut(), look->shortcut());
    panel->Button(205)->click();  // the other navigation set
    EXPECT_FALSE(walk->isVisible());
    EXPECT_TRUE(look->isVisible());
    // Every command is named after its button, which gets that name for screen readers too.
    for (int id : {201, 205, 206, 209, 215, 218, 220, 223, 224, 225}) {
        QAction* action = commands->ActionFor(panel->Button(id));
        ASSERT_NE(action, nullptr) << id;
        EXPECT_FALSE(action->text().isEmpty()) << id;
        EXPECT_EQ(panel->Button(id)->accessibleName(), action->text()) << id;
        EXPECT_FALSE(action->shortcut().isEmpty()) << id;
    }
    // Triggering the command is a click: 220 shows the gesture palette.
    ASSERT_NE(panel->Palette(), nullptr);
    panel->Button(220)->setEnabled(true);
    commands->ActionFor(panel->Button(220))->trigger();
    EXPECT_TRUE(panel->Palette()->isVisible());
}

}  // namespace
}  // namespace plexa::testing
