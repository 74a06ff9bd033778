// A crowd in the view: lighter drawings for figures further away, name tags for the nearest
// only, and the drawings the figures of one kind share.
#include "controls/vrmlview/avatar.h"
#include "controls/vrmlview/avatar_lod.h"
#include "controls/vrmlview/avatar_model_cache.h"
#include "controls/vrmlview/coin_environment.h"
#include "controls/vrmlview/node_search.h"
#include "controls/vrmlview/room_view_test_fixture.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/SbBox.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// In the test room the entry view looks from (0, 1.6, 10) towards -z.
AvatarPose At(float xMetres, float zMetres) {
    AvatarPose pose;
    pose.x = xMetres * 1000;
    pose.z = zMetres * 1000;
    pose.dz = 1;
    return pose;
}

QString DefaultAvatar(const QString& kind) {
    return QDir(TestDataPath(QString())).filePath(QStringLiteral("../../../content/AvatarData/%1/%1.wrl").arg(kind));
}

// The box of what the figure draws now (its name tag left out).
SbBox3f FigureBox(const Avatar* avatar) {
    SoGetBoundingBoxAction box(SbViewportRegion(100, 100));
    box.apply(avatar->Root()->getChild(0));
    return box.getBoundingBox();
}

// How far apart two boxes are at their furthest corner coordinate.
float BoxDifference(const SbBox3f& a, const SbBox3f& b) {
    float most = 0;
    for (int axis = 0; axis < 3; ++axis) {
        most = std::max(most, std::abs(a.getMin()[axis] - b.getMin()[axis]));
        most = std::max(most, std::abs(a.getMax()[axis] - b.getMax()[axis]));
    }
    return most;
}

SoGroup* ReadVrml(const char* text) {
    SoInput in;
    in.setBuffer(text, strlen(text));
    SoGroup* root = SoDB::readAllVRML(&in);
    if (root) root->ref();
    return root;
}

class CrowdViewTest : public RoomViewTest {};

TEST_F(CrowdViewTest, FiguresFurtherAwayAreDrawnLighterAndInFullAgainNearby) {
    ASSERT_TRUE(view.CreateAvatar(1, "u", "walker", "1", 1, At(0, 8)));
    const Avatar* avatar = view.FindAvatar(1);
    Frame(&view);
    EXPECT_EQ(avatar->LighterLevels(), AvatarModelCache::kLighterLevels);
    EXPECT_EQ(avatar->Level(), 0);
    const SbBox3f full = FigureBox(avatar);

    ASSERT_TRUE(view.MoveAvatar(1, At(0, -10)));
    RunEvents(700);
    const QImage far = Frame(&view);
    EXPECT_EQ(avatar->Level(), AvatarModelCache::kLighterLevels);
    EXPECT_TRUE(avatar->ShowsRigid());
    EXPECT_GT(DifferentPixels(empty, far), 0);  // still drawn, only lighter
    // The lightest drawing still stands as tall as the figure (its top is a round head, cut
    // coarser, so a little lower).
    float w0, h0, d0, w3, h3, d3;
    full.getSize(w0, h0, d0);
    FigureBox(avatar).getSize(w3, h3, d3);
    EXPECT_NEAR(h3, h0, 0.1f * h0);

    ASSERT_TRUE(view.MoveAvatar(1, At(0, 8)));
    RunEvents(1200);
    Frame(&view);
    EXPECT_EQ(avatar->Level(), 0);
}

TEST_F(CrowdViewTest, AFigureWalkingAlongAStepKeepsItsDrawingUntilClearlyPast) {
    // The first step is at 4 m from the eye at (0, 1.6, 10): z = 10 - sqrt(d * d - 1.6 * 1.6).
    auto atDistance = [](float d) { return At(0, 10 - std::sqrt(d * d - 1.6f * 1.6f)); };
    auto goTo = [&](float d) {
        EXPECT_TRUE(view.MoveAvatar(1, atDistance(d)));
        RunEvents(1200);  // the glide takes at most a second
        Frame(&view);
        return view.FindAvatar(1)->Level();
    };
    ASSERT_TRUE(view.CreateAvatar(1, "u", "walker", "1", 1, atDistance(3)));
    Frame(&view);
    EXPECT_EQ(view.FindAvatar(1)->Level(), 0);
    EXPECT_EQ(goTo(4.1f), 0);  // just past the step: still in full
    EXPECT_EQ(goTo(3.9f), 0);
    EXPECT_EQ(goTo(4.5f), 1);  // clearly past
    EXPECT_EQ(goTo(3.9f), 1);  // just back: still the lighter one
    EXPECT_EQ(goTo(4.1f), 1);
    EXPECT_EQ(goTo(3.5f), 0);
}

TEST_F(CrowdViewTest, AFarWalkerWhosePosesComeSeldomKeepsMovingBetweenThem) {
    // The server sends a far figure's pose under a second apart; the figure glides all that time
    // instead of striding and standing.
    ASSERT_TRUE(view.CreateAvatar(1, "u", "walker", "1", 1, At(0, -10)));
    const Avatar* walker = view.FindAvatar(1);
    ASSERT_TRUE(view.MoveAvatar(1, At(1, -10)));
    RunEvents(800);
    ASSERT_TRUE(view.MoveAvatar(1, At(2, -10)));
    RunEvents(550);
    const float halfway = walker->ShownPosition()[0];
    EXPECT_GT(halfway, 1.2f);
    EXPECT_LT(halfway, 1.95f) << "the figure already stands at the next pose";
    RunEvents(600);
    EXPECT_NEAR(walker->ShownPosition()[0], 2.0f, 1e-3);

    // After a stop, a new step still takes half a second, not the whole pause.
    RunEvents(800);
    ASSERT_TRUE(view.MoveAvatar(1, At(3, -10)));
    RunEvents(700);
    EXPECT_NEAR(walker->ShownPosition()[0], 3.0f, 1e-3);
}

TEST_F(CrowdViewTest, OnlyTheNearestFiguresCarryTagsAndAFarOneRegainsItsTagWhenItComesNear) {
    constexpr int kCount = 40;
    for (int i = 0; i < kCount; ++i)
        ASSERT_TRUE(view.CreateAvatar(static_cast<int16_t>(i + 1), "u", QString("n%1").arg(i), "1", 1,
                                      At((i % 8) - 3.5f, 6.0f - (i / 8) * 3.0f)));
    Frame(&view);
    auto tagged = [&] {
        int n = 0;
        for (int i = 1; i <= kCount; ++i) n += view.FindAvatar(static_cast<int16_t>(i))->TagShown() ? 1 : 0;
        return n;
    };
    EXPECT_EQ(tagged(), 30);
    const Avatar* farthest = view.FindAvatar(kCount);  // last row, far corner
    const Avatar* nearest = view.FindAvatar(4);
    EXPECT_FALSE(farthest->TagShown());
    EXPECT_TRUE(nearest->TagShown());

    ASSERT_TRUE(view.MoveAvatar(kCount, At(0.5f, 8)));
    RunEvents(700);
    Frame(&view);
    EXPECT_TRUE(farthest->TagShown());
    EXPECT_EQ(tagged(), 30);
}

TEST_F(CrowdViewTest, AFarFigureGesturesInItsLighterDrawingAndStandsRigidAgainAfterwards) {
    ASSERT_TRUE(view.CreateAvatar(1, "u", "far", "1", 1, At(0, -6)));
    const Avatar* avatar = view.FindAvatar(1);
    Frame(&view);
    ASSERT_GE(avatar->Level(), 1);
    EXPECT_TRUE(avatar->ShowsRigid());
    const SbBox3f rest = FigureBox(avatar);

    ASSERT_TRUE(view.ControlAvatar(1, "a00"));  // swings the right arm out and up
    EXPECT_FALSE(avatar->ShowsRigid());
    RunEvents(500);
    Frame(&view);
    EXPECT_GE(avatar->Level(), 1);
    EXPECT_GT(BoxDifference(FigureBox(avatar), rest), 0.1f);

    RunEvents(900);
    Frame(&view);
    EXPECT_FALSE(avatar->GestureRunning());
    EXPECT_TRUE(avatar->ShowsRigid());
    EXPECT_LT(BoxDifference(FigureBox(avatar), rest), 1e-3f);
}

TEST_F(CrowdViewTest, AGhostsLighterDrawingIsTranslucentWithoutFadingOthersOfItsKind) {
    // The ghost comes first: were the drawing they share changed by it, both would fade.
    ASSERT_TRUE(view.CreateAvatar(2, "u", "ghost", "1", 2, At(1.5f, -1)));
    ASSERT_TRUE(view.CreateAvatar(1, "u", "solid", "1", 1, At(-1.5f, -1)));
    QImage shown = Frame(&view);
    ASSERT_GE(view.FindAvatar(1)->Level(), 1);
    ASSERT_GE(view.FindAvatar(2)->Level(), 1);
    const QPoint solidAt = ScreenPoint(&view, SbVec3f(-1.5f, 0.85f, -1));
    const QPoint ghostAt = ScreenPoint(&view, SbVec3f(1.5f, 0.85f, -1));
    const QColor solid = shown.pixelColor(solidAt), ghost = shown.pixelColor(ghostAt);
    EXPECT_FALSE(Near(solid, empty.pixelColor(solidAt), 10));
    EXPECT_FALSE(Near(ghost, empty.pixelColor(ghostAt), 10));
    EXPECT_FALSE(Near(ghost, solid, 10));

    // The solid one looks the same with or without the ghost beside it.
    ASSERT_TRUE(view.DeleteAvatar(2));
    EXPECT_TRUE(Near(Frame(&view).pixelColor(solidAt), solid, 4));
}

TEST_F(CrowdViewTest, EveryFigureOfAKindShowsTheModelsTexture) {
    view.SetAvatarModelFile(DefaultAvatar("cat"));
    for (int16_t id = 1; id <= 3; ++id) ASSERT_TRUE(view.CreateAvatar(id, "u", "cat", "1", 1, At(id - 2.0f, 6)));
    EXPECT_EQ(view.Models().ParseCount(), 1);
    const std::vector<SoVRMLImageTexture*> first = FindAllNodes<SoVRMLImageTexture>(view.FindAvatar(1)->Root());
    ASSERT_FALSE(first.empty());
    for (int16_t id = 1; id <= 3; ++id) {
        const std::vector<SoVRMLImageTexture*> own = FindAllNodes<SoVRMLImageTexture>(view.FindAvatar(id)->Root());
        ASSERT_EQ(own.size(), first.size());
        for (SoVRMLImageTexture* texture : own) {
            const SbImage* image = texture->getImage();
            ASSERT_NE(image, nullptr) << "figure " << id;
            SbVec2s size;
            int components = 0;
            image->getValue(size, components);
            EXPECT_GT(size[0], 0) << "figure " << id;
        }
    }
}

TEST(CrowdClippingTest, FiguresBeyondTheWorldsFurthestShapeAreStillDrawn) {
    // The far plane is fitted to the world and the crowd: here the world ends 3 m ahead, and
    // the figures stand 20 and 40 m away, one of them walking further.
    QTemporaryDir dir;
    const QString world = WriteWorld(dir.path(), "small.wrl",
        "#VRML V2.0 utf8\n"
        "Viewpoint { position 0 1.6 10 }\n"
        "Transform { translation -3 0.5 8 children Shape { geometry Box { } } }\n");
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(world), 1);
    view.SetAvatarModelFile(TestDataPath("avatar.wrl"));
    ShowForTest(&view);
    const QImage empty = Frame(&view);
    ASSERT_TRUE(view.CreateAvatar(1, "u", "far", "1", 1, At(0.5f, -10)));
    ASSERT_TRUE(view.CreateAvatar(2, "u", "further", "1", 1, At(-0.5f, -30)));
    const QImage crowd = Frame(&view);
    for (const SbVec3f& feet : {SbVec3f(0.5f, 0, -10), SbVec3f(-0.5f, 0, -30)}) {
        const QPoint at = ScreenPoint(&view, feet + SbVec3f(0, 0.8f, 0));
        const QRect around(at - QPoint(3, 3), QSize(7, 7));
        EXPECT_GT(DifferentPixels(empty.copy(around), crowd.copy(around)), 5) << feet[2];
    }
}

TEST(AvatarLodTest, TheLighterDrawingFillsTheFiguresSpaceAndFollowsItsOwnJoints) {
    CoinEnvironment::Ensure();
    AvatarModelCache cache;
    const QString model = DefaultAvatar("cat");
    SoSeparator* own = cache.Instantiate(model);
    ASSERT_NE(own, nullptr);
    own->ref();
    const AvatarLod* lod = cache.Lighter(model, 1, false, false);
    ASSERT_NE(lod, nullptr);
    EXPECT_GT(lod->Parts(), 1);  // the moving parts are apart
    SoSeparator* lighter = lod->Instantiate(own);
    ASSERT_NE(lighter, nullptr);
    lighter->ref();
    auto boxOf = [](SoNode* node) {
        SoGetBoundingBoxAction box(SbViewportRegion(100, 100));
        box.apply(node);
        return box.getBoundingBox();
    };
    const SbBox3f full = boxOf(own), light = boxOf(lighter);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(light.getMin()[axis], full.getMin()[axis], 0.05f) << axis;
        EXPECT_NEAR(light.getMax()[axis], full.getMax()[axis], 0.05f) << axis;
    }
    // Turning the own model's arm up turns the lighter drawing's arm up with it.
    auto arms = FindAllNodes<SoVRMLTransform>(own);
    auto arm = std::find_if(arms.begin(), arms.end(), [](SoNode* n) { return n->getName() == SbName("ArmR"); });
    ASSERT_NE(arm, arms.end());
    (*arm)->rotation = SbRotation(SbVec3f(0, 0, 1), 1.57f);  // straight out sideways
    EXPECT_GT(BoxDifference(boxOf(lighter), light), 0.2f);
    EXPECT_LT(BoxDifference(boxOf(lighter), boxOf(own)), 0.05f);
    // Another figure of the kind still stands at rest: the meshes are shared, the joints not.
    SoSeparator* other = cache.Instantiate(model);
    other->ref();
    SoSeparator* otherLighter = lod->Instantiate(other);
    otherLighter->ref();
    EXPECT_LT(BoxDifference(boxOf(otherLighter), light), 1e-3f);
    for (SoSeparator* node : {lighter, own, otherLighter, other}) node->unref();
}

TEST(AvatarLodTest, ModelsWhoseGesturesChangeMoreThanTransformsAreAlwaysDrawnInFull) {
    CoinEnvironment::Ensure();
    SoGroup* blushing = ReadVrml(
        "#VRML V2.0 utf8\n"
        "Shape { appearance Appearance { material DEF Skin Material { diffuseColor 1 1 1 } } geometry Sphere {} }\n"
        "DEF a00 TimeSensor { cycleInterval 1 }\n"
        "DEF Blush ColorInterpolator { key [ 0 1 ] keyValue [ 1 1 1, 1 0 0 ] }\n"
        "ROUTE a00.fraction_changed TO Blush.set_fraction\n"
        "ROUTE Blush.value_changed TO Skin.set_diffuseColor\n");
    ASSERT_NE(blushing, nullptr);
    EXPECT_FALSE(AvatarLod::Supports(blushing));
    EXPECT_FALSE(AvatarLod(blushing, 0.5f, 0).Valid());
    SoGroup* plain = ReadVrml("#VRML V2.0 utf8\nShape { geometry Box {} }\n");
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(AvatarLod::Supports(plain));
    AvatarLod lod(plain, 0.5f, 0);
    EXPECT_TRUE(lod.Valid());
    EXPECT_EQ(lod.Triangles(), 12);
    for (SoGroup* node : {blushing, plain}) node->unref();
}

}  // namespace
