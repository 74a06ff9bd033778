#include "controls/vrmlview/avatar.h"
#include "controls/vrmlview/room_view_test_fixture.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/SbRotation.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/SbBox.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>


#include <cmath>

namespace {

// In the test room the entry view looks from (0, 1.6, 10) towards -z.
AvatarPose At(float xMetres, float zMetres) {
    AvatarPose pose;
    pose.x = xMetres * 1000;
    pose.z = zMetres * 1000;
    pose.dz = 1;  // facing the viewer
    return pose;
}

float ArmAngle(const Avatar* avatar) {
    SoSearchAction search;
    search.setName("RightArm");
    search.setInterest(SoSearchAction::FIRST);
    search.setSearchingAll(TRUE);  // the full figure may be switched off for a lighter drawing
    search.apply(avatar->Root());
    if (!search.getPath()) return -1;
    auto* arm = static_cast<SoVRMLTransform*>(search.getPath()->getTail());
    SbVec3f axis;
    float angle = 0;
    arm->rotation.getValue().getValue(axis, angle);
    return angle;
}

class AvatarViewTest : public RoomViewTest {
protected:
    // Screen points where an avatar at (-2, 4) and at (2, 4) shows its body.
    const QPoint left{62, 160}, right{258, 160};
};

TEST_F(AvatarViewTest, AvatarsAppearMoveByGlidingAndGo) {
    ASSERT_TRUE(view.CreateAvatar(7, "C0A80001:1", QString::fromUtf8("ねこ"), "1", 1, At(-2, 4)));
    QImage shown = Frame(&view);
    EXPECT_FALSE(Near(shown.pixelColor(left), empty.pixelColor(left)));
    EXPECT_TRUE(Near(shown.pixelColor(right), empty.pixelColor(right)));

    ASSERT_TRUE(view.MoveAvatar(7, At(2, 4)));
    // Not a jump: right after the call it is still on its way.
    const Avatar* avatar = view.FindAvatar(7);
    ASSERT_NE(avatar, nullptr);
    EXPECT_LT(avatar->ShownPosition()[0], 1.9f);
    RunEvents(700);
    EXPECT_NEAR(avatar->ShownPosition()[0], 2.0f, 1e-3);
    QImage moved = Frame(&view);
    EXPECT_TRUE(Near(moved.pixelColor(left), empty.pixelColor(left)));
    EXPECT_FALSE(Near(moved.pixelColor(right), empty.pixelColor(right)));

    EXPECT_FALSE(view.CreateAvatar(7, "x", "twice", "1", 1, At(0, 0)));
    EXPECT_FALSE(view.MoveAvatar(8, At(0, 0)));
    EXPECT_FALSE(view.DeleteAvatar(8));
    EXPECT_TRUE(view.DeleteAvatar(7));
    EXPECT_FALSE(view.DeleteAvatar(7));
    EXPECT_EQ(DifferentPixels(empty, Frame(&view)), 0);
}

TEST_F(AvatarViewTest, EachModelFileIsParsedOnceAndUnreadableModelsGetAStandIn) {
    for (int16_t id = 1; id <= 5; ++id) ASSERT_TRUE(view.CreateAvatar(id, "u", "n", "1", 1, At(id - 3.0f, 0)));
    EXPECT_EQ(view.Models().ParseCount(), 1);
    view.SetAvatarModelFile(TestDataPath("broken.wrl"));
    ASSERT_TRUE(view.CreateAvatar(20, "u", "n", "1", 1, At(-2, 4)));
    view.SetAvatarModelFile(TestDataPath("nowhere.wrl"));
    ASSERT_TRUE(view.CreateAvatar(21, "u", "n", "1", 1, At(2, 4)));
    EXPECT_TRUE(view.FindAvatar(20)->IsStandIn());
    EXPECT_TRUE(view.FindAvatar(21)->IsStandIn());
    EXPECT_FALSE(view.FindAvatar(1)->IsStandIn());
    QImage shown = Frame(&view);
    EXPECT_FALSE(Near(shown.pixelColor(left), empty.pixelColor(left)));
    EXPECT_FALSE(Near(shown.pixelColor(right), empty.pixelColor(right)));
}

TEST_F(AvatarViewTest, AGhostIsDrawnTranslucent) {
    ASSERT_TRUE(view.CreateAvatar(1, "u", "solid", "1", 1, At(-2, 4)));
    ASSERT_TRUE(view.CreateAvatar(2, "u", "ghost", "1", 2, At(2, 4)));
    QImage shown = Frame(&view);
    QColor solid = shown.pixelColor(left), ghost = shown.pixelColor(right);
    QColor behind = empty.pixelColor(right);
    EXPECT_FALSE(Near(ghost, solid, 10));
    EXPECT_FALSE(Near(ghost, behind, 10));
    // The floor shows through: the ghost lies between the solid figure and the floor.
    EXPECT_GT(ghost.green(), std::min(solid.green(), behind.green()) - 5);
    // The picture itself stays opaque, or a window would show what lies behind the view
    // through the ghost.
    ASSERT_TRUE(shown.hasAlphaChannel());
    EXPECT_EQ(shown.pixelColor(right).alpha(), 255);
}

TEST_F(AvatarViewTest, GesturesPlayAndEndInTheRestPose) {
    ASSERT_TRUE(view.CreateAvatar(3, "u", "n", "1", 1, At(0, 4)));
    const Avatar* avatar = view.FindAvatar(3);
    EXPECT_NEAR(ArmAngle(avatar), 0.0f, 1e-3);
    ASSERT_TRUE(view.ControlAvatar(3, "a00"));
    EXPECT_TRUE(avatar->GestureRunning());
    RunEvents(500);
    EXPECT_GT(ArmAngle(avatar), 0.5f);
    RunEvents(900);
    EXPECT_FALSE(avatar->GestureRunning());
    EXPECT_NEAR(ArmAngle(avatar), 0.0f, 1e-3);
    RunEvents(200);
    EXPECT_NEAR(ArmAngle(avatar), 0.0f, 1e-3);

    // A looping sensor in the model still plays one cycle only.
    ASSERT_TRUE(view.ControlAvatar(3, "a01"));
    RunEvents(900);
    EXPECT_FALSE(avatar->GestureRunning());

    EXPECT_TRUE(view.ControlAvatar(3, "a15"));  // defined code the model lacks: stands still
    EXPECT_FALSE(avatar->GestureRunning());
    EXPECT_FALSE(view.ControlAvatar(3, "a16"));
    EXPECT_FALSE(view.ControlAvatar(3, "wave"));
    EXPECT_FALSE(view.ControlAvatar(3, ""));
    EXPECT_FALSE(view.ControlAvatar(4, "a00"));
}

TEST_F(AvatarViewTest, AFigureFacesTheWayItsPoseLooks) {
    // The stand-in's nose sticks out in front: its extent along the facing direction is longer.
    view.SetAvatarModelFile(TestDataPath("nowhere.wrl"));
    auto extent = [&](int16_t id, const AvatarPose& pose) {
        EXPECT_TRUE(view.CreateAvatar(id, "u", "", "1", 1, pose));
        SoGetBoundingBoxAction box(SbViewportRegion(100, 100));
        box.apply(view.FindAvatar(id)->Root());
        return box.getBoundingBox();
    };
    AvatarPose north;  // (0, 0, -1): looking towards -z
    SbBox3f bounds = extent(1, north);
    EXPECT_LT(bounds.getMin()[2], -0.26f);
    EXPECT_LT(bounds.getMax()[2], 0.26f);
    AvatarPose east;
    east.x = 5000;
    east.dx = 1;
    east.dz = 0;
    bounds = extent(2, east);
    EXPECT_GT(bounds.getMax()[0], 5.26f);
    EXPECT_GT(bounds.getMin()[0], 4.74f);
}

TEST_F(AvatarViewTest, FarFiguresAreDrawnWithFewerFacetsAndRegainThemNearby) {
    ASSERT_TRUE(view.CreateAvatar(1, "u", "near", "1", 1, At(-2, 4)));
    ASSERT_TRUE(view.CreateAvatar(2, "u", "far", "1", 1, At(0, -40)));
    const QImage first = Frame(&view);
    const float nearDetail = view.FindAvatar(1)->Detail();
    EXPECT_LT(view.FindAvatar(2)->Detail(), nearDetail);
    ASSERT_TRUE(view.MoveAvatar(2, At(2, 4)));
    RunEvents(700);
    Frame(&view);
    EXPECT_EQ(view.FindAvatar(2)->Detail(), nearDetail);
    // The far one was still drawn, just coarser.
    EXPECT_GT(DifferentPixels(empty, first), 0);
}

TEST(NameTagTest, JapaneseNamesAreDrawn) {
    QImage tag = Avatar::NameTagImage(QString::fromUtf8("しろねこ♪"));
    int white = 0;
    for (int y = 0; y < tag.height(); ++y)
        for (int x = 0; x < tag.width(); ++x)
            if (tag.pixelColor(x, y).lightness() > 200 && tag.pixelColor(x, y).alpha() > 200) ++white;
    EXPECT_GT(white, 50);
    EXPECT_GT(tag.width(), Avatar::NameTagImage("a").width());
}

}  // namespace
