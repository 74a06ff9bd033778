// Arriving where someone already stands: the newcomer steps aside and tells the host where.
#include "controls/vrmlview/arrival_obstacles.h"
#include "controls/vrmlview/arrival_spot.h"
#include "controls/vrmlview/avatar.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/nodes/SoSeparator.h>

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

float Apart(const SbVec3f& a, const SbVec3f& b) { return std::hypot(a[0] - b[0], a[2] - b[2]); }

TEST(ArrivalSpotFind, TheEntryPointWhenFreeElseTheNearestFreeSpot) {
    const SbVec3f entry(0, 0, 8);
    EXPECT_EQ(ArrivalSpot::Find(entry, {}), entry);
    EXPECT_EQ(ArrivalSpot::Find(entry, {SbVec3f(5, 0, 8)}), entry);
    const SbVec3f one = ArrivalSpot::Find(entry, {entry});
    EXPECT_GE(Apart(one, entry), ArrivalSpot::kClearance - 1e-4f);
    EXPECT_LE(Apart(one, entry), ArrivalSpot::kClearance + 1e-4f) << "the first ring";
    // A crowd: the spot keeps its distance from everyone.
    std::vector<SbVec3f> crowd{entry, one, SbVec3f(-1.2f, 0, 8)};
    const SbVec3f next = ArrivalSpot::Find(entry, crowd);
    for (const SbVec3f& other : crowd) EXPECT_GE(Apart(next, other), ArrivalSpot::kClearance - 1e-4f);
}

TEST(ArrivalSpotFind, SpotsBehindWallsAreNotTakenAndAFullRoomKeepsTheEntry) {
    const SbVec3f entry(0, 0, 0);
    // A wall along x = 0.5: everything to the right is out of reach.
    auto wall = [](const SbVec3f& from, const SbVec3f& to) { return (from[0] < 0.5f) != (to[0] < 0.5f); };
    const SbVec3f spot = ArrivalSpot::Find(entry, {entry}, wall);
    EXPECT_LT(spot[0], 0.5f);
    EXPECT_GE(Apart(spot, entry), ArrivalSpot::kClearance - 1e-4f);
    auto everywhere = [](const SbVec3f&, const SbVec3f&) { return true; };
    EXPECT_EQ(ArrivalSpot::Find(entry, {entry}, everywhere), entry);
}

TEST(ArrivalSpotFind, AnEntryInsideFurnitureIsLeftAndSpotsInsideItAreSkipped) {
    const SbVec3f entry(0, 0, 0);
    // A crate of 3 x 3 m round the entry: the first ring lies inside it.
    auto crate = [](const SbVec3f& at) { return std::fabs(at[0]) < 1.5f && std::fabs(at[2]) < 1.5f; };
    const SbVec3f spot = ArrivalSpot::Find(entry, {}, {}, crate);
    EXPECT_FALSE(crate(spot));
    EXPECT_NEAR(Apart(spot, entry), 2 * ArrivalSpot::kClearance, 1e-4f) << "the nearest ring outside";
    EXPECT_EQ(ArrivalSpot::Find(entry, {}, {}, [](const SbVec3f&) { return false; }), entry);
}

// The crate round the entry point, the wall to its right and the curtain to its left.
class EntryInACrate : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(view_.LoadVrmlFile(TestDataPath("entry_in_crate.wrl")), 1);
        view_.SetAvatarModelFile(TestDataPath("avatar.wrl"));
    }
    // Enters at the entry point (inside the crate) with collision on or off; returns where the
    // own figure then stands. Every pose reported to the others goes into reports_.
    SbVec3f Enter(bool collision) {
        ShowForTest(&view_);
        view_.SetCollision(collision);
        QObject::connect(&view_, &VrmlView::viewpointMoved, [&](int16_t, AvatarPose pose) { reports_.push_back(pose); });
        entry_.dz = -1;
        EXPECT_TRUE(view_.CreateAvatar(1, "me", "me", "1", 1, entry_));
        view_.AttachViewpoint();
        RunEvents(50);
        return view_.FindAvatar(1)->ShownPosition();
    }
    VrmlView view_;
    AvatarPose entry_;
    std::vector<AvatarPose> reports_;
};

TEST_F(EntryInACrate, FigureBoxesCutIntoFurnitureAndWallsButWaysThroughCurtainsAreOpen) {
    const ArrivalObstacles obstacles(view_.Scene(), SbVec3f(0, 0, 0), 6.0f, 1.6f);
    ASSERT_GT(obstacles.TriangleCount(), 0u);
    EXPECT_TRUE(obstacles.Obstructed(SbVec3f(0, 0, 0))) << "inside the crate";
    EXPECT_TRUE(obstacles.Obstructed(SbVec3f(1.25f, 0, 3))) << "against the wall";
    EXPECT_TRUE(obstacles.Obstructed(SbVec3f(0, 0, 1.2f))) << "half in the crate";
    EXPECT_FALSE(obstacles.Obstructed(SbVec3f(0, 0, 2.4f))) << "the floor alone does not count";
    EXPECT_FALSE(obstacles.Obstructed(SbVec3f(-1.6f, 0, 3))) << "the curtain lets one through";
    // Out of the crate one stood in, but not through the wall.
    EXPECT_FALSE(obstacles.Blocked(SbVec3f(0, 0, 0), SbVec3f(0, 0, 2.4f)));
    EXPECT_TRUE(obstacles.Blocked(SbVec3f(0, 0, 0), SbVec3f(2.4f, 0, 0)));
    EXPECT_FALSE(obstacles.Blocked(SbVec3f(0, 0, 0), SbVec3f(-2.4f, 0, 0)));
    // Someone outside the crate does find it in the way.
    EXPECT_TRUE(obstacles.Blocked(SbVec3f(0, 0, 2.4f), SbVec3f(0, 0, -2.4f)));
    // Surfaces far beyond the reach are not collected.
    const ArrivalObstacles far(view_.Scene(), SbVec3f(15, 0, 15), 1.0f, 1.6f);
    EXPECT_FALSE(far.Obstructed(SbVec3f(0, 0, 0)));
}

TEST_F(EntryInACrate, WithCollisionTheArrivingFigureStepsOutOnTheOpenSide) {
    const SbVec3f own = Enter(true);
    EXPECT_TRUE(std::fabs(own[0]) > 1.25f || std::fabs(own[2]) > 1.25f) << own[0] << "," << own[2] << " is in the crate";
    EXPECT_LT(own[0], 1.5f) << "not behind the wall";
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NEAR(reports_[0].x, own[0] * 1000.0f, 1.0f);
    EXPECT_NEAR(reports_[0].z, own[2] * 1000.0f, 1.0f);
}

TEST_F(EntryInACrate, OneWhoTookTheSameSpotOutOfTheCrateEarlierIsMadeWayFor) {
    const SbVec3f firstSpot = Enter(true);
    ASSERT_GT(Apart(firstSpot, SbVec3f(0, 0, 0)), 1.0f);
    // Someone who came earlier stepped out of the crate to that very spot; the server announces
    // them only now.
    AvatarPose there = entry_;
    there.x = firstSpot[0] * 1000.0f;
    there.z = firstSpot[2] * 1000.0f;
    ASSERT_TRUE(view_.CreateAvatar(2, "u", "earlier", "1", 1, there));
    RunEvents(50);
    const SbVec3f own = view_.FindAvatar(1)->Pose().Position();
    EXPECT_GE(Apart(own, firstSpot), ArrivalSpot::kClearance - 1e-3f) << "not inside the other";
    EXPECT_TRUE(std::fabs(own[0]) > 1.25f || std::fabs(own[2]) > 1.25f) << "nor back in the crate";
    ASSERT_EQ(reports_.size(), 2u) << "the others learn the new place";
    EXPECT_NEAR(reports_[1].x, own[0] * 1000.0f, 1.0f);
    EXPECT_NEAR(reports_[1].z, own[2] * 1000.0f, 1.0f);
}

TEST_F(EntryInACrate, WithoutCollisionTheEntryPointIsKept) {
    EXPECT_LT(Apart(Enter(false), SbVec3f(0, 0, 0)), 1e-3f);
}

TEST(ArrivalInTheView, TheSecondToArriveStandsApartAndReportsWhere) {
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(TestDataPath("room.wrl")), 1);
    view.SetAvatarModelFile(TestDataPath("avatar.wrl"));
    ShowForTest(&view);
    std::vector<AvatarPose> reports;
    QObject::connect(&view, &VrmlView::viewpointMoved, [&](int16_t, AvatarPose pose) { reports.push_back(pose); });
    AvatarPose entry;
    entry.z = 8000;
    entry.dz = -1;
    // Someone already stands on the entry point; then the own avatar enters at the same pose.
    ASSERT_TRUE(view.CreateAvatar(2, "u", "first", "1", 1, entry));
    ASSERT_TRUE(view.CreateAvatar(1, "me", "second", "1", 1, entry));
    view.AttachViewpoint();
    RunEvents(50);
    ASSERT_EQ(view.OwnClientId(), 1);
    const SbVec3f own = view.FindAvatar(1)->ShownPosition();
    const SbVec3f first = view.FindAvatar(2)->ShownPosition();
    EXPECT_GE(Apart(own, first), ArrivalSpot::kClearance - 1e-3f);
    EXPECT_FALSE(view.FindAvatar(1)->SeeThrough()) << "nobody inside the own figure";
    // The host learns the new place, so the others see the newcomer there too.
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NEAR(reports[0].x, own[0] * 1000.0f, 1.0f);
    EXPECT_NEAR(reports[0].z, own[2] * 1000.0f, 1.0f);
}

// Share of pixels whose colour changed a lot between two pictures of the same view.
double StronglyChanged(const QImage& a, const QImage& b) {
    int changed = 0;
    for (int y = 0; y < a.height(); y += 2)
        for (int x = 0; x < a.width(); x += 2) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) > 150)
                ++changed;
        }
    return changed / (double(a.width() / 2) * (a.height() / 2));
}

TEST(NearTheCamera, AFigureAtTheEyeIsDrawnFaintAndWithoutItsTag) {
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(TestDataPath("room.wrl")), 1);
    view.SetAvatarModelFile(TestDataPath("avatar.wrl"));
    ShowForTest(&view);
    AvatarPose pose;
    pose.z = 8000;
    pose.dz = -1;
    ASSERT_TRUE(view.CreateAvatar(1, "me", "me", "1", 1, pose));
    view.AttachViewpoint();  // the camera follows 3 m behind: at z = 11 m
    AvatarPose away = pose;
    away.x = -3000;
    away.z = 2000;
    ASSERT_TRUE(view.CreateAvatar(2, "u", "other", "1", 1, away));
    RunEvents(100);
    const QImage before = Frame(&view);
    EXPECT_FALSE(view.FindAvatar(2)->SeeThrough());

    // The other walks up to the camera and stops 0.6 m in front of it.
    AvatarPose atTheEye = pose;
    atTheEye.z = 10400;
    ASSERT_TRUE(view.MoveAvatar(2, atTheEye));
    RunEvents(900);
    const QImage close = Frame(&view);
    EXPECT_TRUE(view.FindAvatar(2)->SeeThrough()) << "faint and untagged";
    // A solid figure this close would cover much of the picture; a faint one changes it little.
    EXPECT_LT(StronglyChanged(before, close), 0.02);

    // Stepping back makes it solid again.
    ASSERT_TRUE(view.MoveAvatar(2, away));
    RunEvents(900);
    Frame(&view);
    EXPECT_FALSE(view.FindAvatar(2)->SeeThrough());
}

}  // namespace
