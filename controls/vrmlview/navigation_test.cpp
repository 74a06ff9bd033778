#include "controls/vrmlview/avatar.h"
#include "controls/vrmlview/coin_environment.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/view_navigator.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

namespace {

class NavigatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoinEnvironment::Ensure();
        camera = new SoPerspectiveCamera;
        camera->ref();
        camera->position.setValue(0, 1.6f, 10);
        camera->focalDistance = 5;
    }
    void TearDown() override { camera->unref(); }
    SbVec3f Position() const { return camera->position.getValue(); }
    SbVec3f Forward() const {
        SbVec3f f;
        camera->orientation.getValue().multVec(SbVec3f(0, 0, -1), f);
        return f;
    }
    SoPerspectiveCamera* camera = nullptr;
};

TEST_F(NavigatorTest, RefusesUnknownModesAndSpeeds) {
    ViewNavigator nav(camera);
    EXPECT_FALSE(nav.SetMode(6));
    EXPECT_FALSE(nav.SetMode(-1));
    EXPECT_FALSE(nav.SetSpeed(5));
    EXPECT_FALSE(nav.SetSpeed(-1));
    for (int m = 0; m <= 5; ++m) EXPECT_TRUE(nav.SetMode(m));
    for (int s = 0; s <= 4; ++s) EXPECT_TRUE(nav.SetSpeed(s));
}

TEST_F(NavigatorTest, WalkMovesLevelAlongTheHeadingAndSpeedScalesIt) {
    ViewNavigator nav(camera);
    nav.SetSpeed(0);
    ASSERT_TRUE(nav.PressKey(ViewNavigator::kUp));
    const float slow = 10 - Position()[2];
    nav.SetSpeed(4);
    camera->position.setValue(0, 1.6f, 10);
    ASSERT_TRUE(nav.PressKey(ViewNavigator::kUp));
    const float fast = 10 - Position()[2];
    EXPECT_GT(slow, 0);
    EXPECT_NEAR(fast / slow, 16.0f, 0.01f);
    // Looking down does not make walking sink.
    camera->orientation = SbRotation(SbVec3f(1, 0, 0), -0.5f);
    nav.PressKey(ViewNavigator::kUp);
    EXPECT_NEAR(Position()[1], 1.6f, 1e-5);
    nav.PressKey(ViewNavigator::kPageUp);
    EXPECT_GT(Position()[1], 1.6f);
    nav.PressKey(ViewNavigator::kRight);
    EXPECT_GT(Forward()[0], 0.01f);
}

TEST_F(NavigatorTest, StudyOrbitsRoundTheCentreAndStraightUpLevels) {
    ViewNavigator nav(camera);
    nav.SetMode(ViewNavigator::kStudy);
    const SbVec3f centre = Position() + Forward() * 5;
    for (int i = 0; i < 7; ++i) nav.PressKey(ViewNavigator::kLeft);
    for (int i = 0; i < 3; ++i) nav.PressKey(ViewNavigator::kUp);
    EXPECT_NEAR((Position() - centre).length(), 5.0f, 1e-3);
    EXPECT_LT(((Position() + Forward() * 5) - centre).length(), 1e-3);
    nav.SetMode(ViewNavigator::kRoll);
    nav.PressKey(ViewNavigator::kLeft);
    nav.StraightUp();
    EXPECT_NEAR(Forward()[1], 0.0f, 1e-5);
    SbVec3f up;
    camera->orientation.getValue().multVec(SbVec3f(0, 1, 0), up);
    EXPECT_NEAR(up[1], 1.0f, 1e-5);
}

TEST_F(NavigatorTest, CollisionStopsMovesThatPassThroughGeometry) {
    ViewNavigator nav(camera);
    nav.SetBlockTest([](const SbVec3f&, const SbVec3f& to) { return to[2] < 9.5f; });
    nav.SetCollision(true);
    nav.SetSpeed(4);
    EXPECT_FALSE(nav.PressKey(ViewNavigator::kUp));
    EXPECT_FLOAT_EQ(Position()[2], 10.0f);
    nav.SetCollision(false);
    EXPECT_TRUE(nav.PressKey(ViewNavigator::kUp));
    EXPECT_LT(Position()[2], 9.5f);
}

class ViewNavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(view.LoadVrmlFile(TestDataPath("room.wrl")), 1);
        view.SetAvatarModelFile(TestDataPath("avatar.wrl"));
        ShowForTest(&view);
        view.activateWindow();
        view.setFocus();
    }
    VrmlView view;
};

TEST_F(ViewNavigationTest, KeysMoveTheViewAndReportTheOwnPoseThrottled) {
    QSignalSpy spy(&view, &VrmlView::viewpointMoved);
    AvatarPose home;
    home.x = 10000;
    home.z = 10000;
    ASSERT_TRUE(view.CreateAvatar(5, "1234", "me", "1", 1, home));
    view.AttachViewpoint();
    QImage before = Frame(&view);
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(&view, Qt::Key_Up);
        QTest::qWait(15);
    }
    RunEvents(500);
    // 20 presses over ~300 ms: a few reports, and the last one is the final pose.
    ASSERT_GE(spy.count(), 2);
    EXPECT_LE(spy.count(), 6);
    auto last = spy.last();
    EXPECT_EQ(last.at(0).value<int16_t>(), 5);
    AvatarPose reported = last.at(1).value<AvatarPose>();
    const Avatar* own = view.FindAvatar(5);
    EXPECT_EQ(reported, own->Pose());
    EXPECT_LT(reported.z, 10000 - 1000);
    EXPECT_NEAR(reported.x, 10000, 1);
    EXPECT_GT(DifferentPixels(before, Frame(&view)), 100);

    const int reports = spy.count();
    view.Revert();
    RunEvents(400);
    EXPECT_GT(spy.count(), reports);
}

TEST_F(ViewNavigationTest, CollisionKeepsTheWalkOutOfTheBlock) {
    view.SetCollision(true);
    view.ChangeWalkthroughSpeed(4);
    for (int i = 0; i < 40; ++i) QTest::keyClick(&view, Qt::Key_Up);
    // The block's front face is at z = -4.
    EXPECT_GT(view.Camera()->position.getValue()[2], -4.0f);
    view.SetCollision(false);
    for (int i = 0; i < 40; ++i) QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_LT(view.Camera()->position.getValue()[2], -6.0f);
}

TEST_F(ViewNavigationTest, GraphicModeMovingAppliesOnlyWhileMoving) {
    view.SetGraphicModeStill(CoinView::kSmooth);
    ASSERT_TRUE(view.SetGraphicModeMoving(CoinView::kWireFrame));
    EXPECT_FALSE(view.SetGraphicModeMoving(4));
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.GraphicModeShown(), CoinView::kWireFrame);
    RunEvents(500);
    EXPECT_EQ(view.GraphicModeShown(), CoinView::kSmooth);
}

}  // namespace
