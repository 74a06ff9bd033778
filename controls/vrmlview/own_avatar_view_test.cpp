// The view as one user sees the others: the camera follows the own avatar from behind, and
// everyone else must still be seen where the server puts them.
#include "controls/vrmlview/avatar.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

AvatarPose Pose(float xMm, float zMm, float dz = -1) {
    AvatarPose pose;
    pose.x = xMm;
    pose.z = zMm;
    pose.dz = dz;
    return pose;
}

// Chest height of the test avatar, where a figure is surely drawn.
SbVec3f Chest(float xMm, float zMm) { return SbVec3f(xMm / 1000.0f, 0.85f, zMm / 1000.0f); }

class OwnAvatarViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(view.LoadVrmlFile(TestDataPath("room.wrl")), 1);
        view.SetAvatarModelFile(TestDataPath("avatar.wrl"));
        ShowForTest(&view);
        QObject::connect(&view, &VrmlView::viewpointMoved,
                         [this](int16_t id, AvatarPose pose) { reports.emplace_back(id, pose); });
    }
    // The own avatar 8 m in, facing -z, with the view attached behind it.
    void EnterAsOwn() {
        ASSERT_TRUE(view.CreateAvatar(1, "1234", "me", "1", 1, Pose(0, 8000)));
        view.AttachViewpoint();
        RunEvents(50);
    }
    QColor At(const QImage& image, const SbVec3f& point) { return image.pixelColor(ScreenPoint(&view, point)); }

    VrmlView view;
    std::vector<std::pair<int16_t, AvatarPose>> reports;
};

TEST_F(OwnAvatarViewTest, OthersArrivingAfterTheAttachAreShownAndMovedWhereTheServerSays) {
    EnterAsOwn();
    const QImage alone = Frame(&view);
    // Another user: presence 1 like every ordinary avatar, 4 m ahead and to the left.
    ASSERT_TRUE(view.CreateAvatar(2, "C0A80001:1", "bob", "3", 1, Pose(-1500, 4000, 1)));
    EXPECT_EQ(view.OwnClientId(), 1);
    EXPECT_EQ(view.AvatarState(2).toStdString(), "2,-1500,0,4000,1");
    const QImage met = Frame(&view);
    EXPECT_FALSE(Near(At(met, Chest(-1500, 4000)), At(alone, Chest(-1500, 4000))));

    ASSERT_TRUE(view.MoveAvatar(2, Pose(1500, 4000, 1)));
    RunEvents(700);
    EXPECT_EQ(view.AvatarState(2).toStdString(), "2,1500,0,4000,1");
    const QImage moved = Frame(&view);
    EXPECT_FALSE(Near(At(moved, Chest(1500, 4000)), At(alone, Chest(1500, 4000))));
    EXPECT_TRUE(Near(At(moved, Chest(-1500, 4000)), At(alone, Chest(-1500, 4000))));

    // The own figure still follows the camera, and the other stays where the server put it.
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Up);
    RunEvents(100);
    EXPECT_LT(view.FindAvatar(1)->ShownPosition()[2], 8.0f);
    EXPECT_EQ(view.AvatarState(2).toStdString(), "2,1500,0,4000,1");
    for (const auto& report : reports) EXPECT_EQ(report.first, 1);
}

TEST_F(OwnAvatarViewTest, SomeoneOnTheOwnSpotIsSeenThroughTheOwnFigure) {
    EnterAsOwn();
    const Avatar* own = view.FindAvatar(1);
    const QImage alone = Frame(&view);
    const QColor ownColour = At(alone, Chest(0, 8000));
    // Everyone enters at the same pose; a grey stand-in just behind the own (orange) figure.
    view.SetAvatarModelFile(TestDataPath("nowhere.wrl"));
    ASSERT_TRUE(view.CreateAvatar(2, "u", "bob", "1", 1, Pose(0, 7700)));
    EXPECT_TRUE(own->SeeThrough());
    EXPECT_TRUE(view.AvatarVisible(2));
    const QImage together = Frame(&view);
    EXPECT_FALSE(Near(At(together, Chest(0, 8000)), ownColour, 10));

    // Once the other walks away the own figure is solid again.
    ASSERT_TRUE(view.MoveAvatar(2, Pose(-3000, 4000)));
    RunEvents(700);
    EXPECT_FALSE(own->SeeThrough());
    EXPECT_TRUE(Near(At(Frame(&view), Chest(0, 8000)), ownColour, 6));
    // And it comes back when they meet again; leaving clears it.
    ASSERT_TRUE(view.MoveAvatar(2, Pose(300, 8000)));
    RunEvents(700);
    EXPECT_TRUE(own->SeeThrough());
    ASSERT_TRUE(view.DeleteAvatar(2));
    EXPECT_FALSE(own->SeeThrough());
}

TEST_F(OwnAvatarViewTest, TheAttachTellsTheHostWhereTheOwnAvatarStands) {
    EnterAsOwn();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, 1);
    EXPECT_NEAR(reports[0].second.x, 0.0f, 1.0f);
    EXPECT_NEAR(reports[0].second.z, 8000.0f, 1.0f);
    EXPECT_NEAR(reports[0].second.dz, -1.0f, 1e-4);
    // The host's own call has returned before the report arrives.
    ASSERT_TRUE(view.CreateAvatar(5, "u", "late", "1", 1, Pose(0, 0)));
    view.AttachViewpoint();
    EXPECT_EQ(reports.size(), 1u);
    RunEvents(50);
    EXPECT_EQ(reports.size(), 1u) << "the same pose is not reported twice";
    EXPECT_EQ(view.OwnClientId(), 1);

    // After the own avatar is gone, the next one with presence 1 is the new own avatar.
    ASSERT_TRUE(view.DeleteAvatar(1));
    EXPECT_EQ(view.OwnClientId(), -1);
    ASSERT_TRUE(view.CreateAvatar(9, "u", "me again", "1", 1, Pose(2000, 8000)));
    view.AttachViewpoint();
    RunEvents(50);
    EXPECT_EQ(view.OwnClientId(), 9);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].first, 9);
    EXPECT_NEAR(reports[1].second.x, 2000.0f, 1.0f);
}

TEST_F(OwnAvatarViewTest, VisibilityMeansInThePictureAndInSight) {
    // The entry camera at (0, 1.6, 10) looks towards -z; a red block stands at z = -5.
    ASSERT_TRUE(view.CreateAvatar(2, "u", "front", "1", 1, Pose(-2000, 4000)));
    ASSERT_TRUE(view.CreateAvatar(3, "u", "behind the block", "1", 1, Pose(0, -8000)));
    ASSERT_TRUE(view.CreateAvatar(4, "u", "behind the camera", "1", 1, Pose(0, 12000)));
    ASSERT_TRUE(view.CreateAvatar(5, "u", "far left", "1", 1, Pose(-30000, 4000)));
    EXPECT_TRUE(view.AvatarVisible(2));
    EXPECT_FALSE(view.AvatarVisible(3));
    EXPECT_FALSE(view.AvatarVisible(4));
    EXPECT_FALSE(view.AvatarVisible(5));
    EXPECT_EQ(view.AvatarState(3).toStdString(), "3,0,0,-8000,0");
    EXPECT_EQ(view.AvatarState(42).toStdString(), "");
    // A figure halfway along the line of sight hides the one behind it.
    ASSERT_TRUE(view.CreateAvatar(6, "u", "hidden", "1", 1, Pose(-2000, 2000)));
    EXPECT_TRUE(view.AvatarVisible(6));
    ASSERT_TRUE(view.CreateAvatar(7, "u", "in the way", "1", 1, Pose(-1000, 6000)));
    EXPECT_FALSE(view.AvatarVisible(6));
    EXPECT_TRUE(view.AvatarVisible(7));
}

}  // namespace
