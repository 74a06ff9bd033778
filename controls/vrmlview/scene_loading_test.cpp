// Hostile and foreign worlds: nothing may crash or hang the view, and what can be shown is.
#include "controls/vrmlview/coin_environment.h"
#include "controls/vrmlview/scene_load_context.h"
#include "controls/vrmlview/scene_loader.h"
#include "controls/vrmlview/scene_load_test_fixture.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <zlib.h>

namespace {

class SceneLoadingTest : public SceneLoadTest {};

// The view shows the world and draws a few frames of it; a bad graph would crash here.
void ExpectRedBoxShown(VrmlView* view) {
    ShowForTest(view);
    QImage image = Frame(view);
    QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
    EXPECT_GT(centre.red(), 200) << centre.name().toStdString();
    EXPECT_LT(centre.green(), 60);
}

TEST_F(SceneLoadingTest, NodesOfTheWrongKindInNodeFieldsAreRemovedBeforeTheFirstFrame) {
    const QString path = Write("wrong.wrl", kHeader +
        "Shape { geometry Text { string \"x\" fontStyle Color { } } }\n"
        "Shape { appearance Material { } geometry Cube { } }\n"
        "Transform { children [ Appearance { } Coordinate { } ] }\n"
        "Shape { appearance Appearance { material ImageTexture { } texture Material { } } geometry Box { } }\n"
        "Shape { geometry IndexedFaceSet { coord Color { } color Coordinate { } normal TextureCoordinate { }\n"
        "  texCoord Normal { } coordIndex [ 0 1 2 ] } }\n"
        "Sound { source Box { } }\n" + kRedBox);
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(path), 1) << view.LastError().toStdString();
    for (const char* what : {"Color from field fontStyle of Text", "Material from field appearance of Shape",
                             "Cube from field geometry", "Appearance from field children of Transform",
                             "Coordinate from field children", "ImageTexture from field material",
                             "Material from field texture", "Color from field coord", "Coordinate from field color",
                             "TextureCoordinate from field normal", "Normal from field texCoord",
                             "Box from field source of Sound"}) {
        bool found = false;
        for (const QString& w : view.LastWarnings()) found = found || w.contains(what);
        EXPECT_TRUE(found) << what << " in " << view.LastWarnings().join(" | ").toStdString();
    }
    ExpectRedBoxShown(&view);
}

TEST_F(SceneLoadingTest, InlinesThatIncludeThemselvesAreSkipped) {
    Write("self.wrl", kHeader + "Inline { url \"self.wrl\" }\n" + kRedBox);
    Write("a.wrl", kHeader + "Inline { url \"b.wrl\" }\n" + kRedBox);
    Write("b.wrl", kHeader + "Inline { url \"./sub/../a.wrl\" }\nShape { geometry Sphere { } }\n");
    QDir(dir.path()).mkdir("sub");
    EXPECT_EQ(Shapes(dir.filePath("self.wrl")), 1) << All();
    EXPECT_TRUE(Warned("self.wrl:2: Inline \"self.wrl\" skipped: it includes itself")) << All();
    EXPECT_EQ(Shapes(dir.filePath("a.wrl")), 2) << All();
    EXPECT_TRUE(Warned("b.wrl:2: Inline \"./sub/../a.wrl\" skipped: it includes itself")) << All();

    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile("file://" + dir.filePath("a.wrl")), 1) << view.LastError().toStdString();
    ExpectRedBoxShown(&view);
}

TEST_F(SceneLoadingTest, InlinesNestDeepOnlyToTheLimitAndSharedFilesAreReadOnce) {
    for (int i = 0; i < 20; ++i) {
        Write(QStringLiteral("level%1.wrl").arg(i),
              kHeader + QStringLiteral("Inline { url \"level%1.wrl\" }\n").arg(i + 1).toUtf8() +
                  "Shape { geometry Sphere { } }\n");
    }
    const int shown = Shapes(dir.filePath("level0.wrl"));
    EXPECT_GE(shown, 8) << All();
    EXPECT_LT(shown, 20) << All();
    EXPECT_TRUE(Warned("skipped: Inlines nested deeper than")) << All();

    // The same file twice is one read and shows twice.
    Write("twice.wrl", kHeader + "Inline { url \"part.wrl\" } Transform { translation 3 0 0 children Inline { url \"part.wrl\" } }\n");
    Write("part.wrl", kHeader + "Shape { geometry Box { } }\n");
    EXPECT_EQ(Shapes(dir.filePath("twice.wrl")), 2) << All();
}

TEST_F(SceneLoadingTest, AFailingInlineDropsOnlyItself) {
    Write("bad.wrl", kHeader + "Transform { children [ Shape { geometry Box {} }\n");  // cut short
    Write("text.wrl", "just some words\n");
    const QString path = Write("main.wrl", kHeader +
        "Inline { url \"bad.wrl\" }\n"
        "Inline { url [ \"missing.wrl\" \"text.wrl\" ] }\n"
        "Inline { url \"ftp://127.0.0.1/x.wrl\" }\n" + kRedBox);
    EXPECT_EQ(Shapes(path), 1) << All();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(Warned("main.wrl:2: Inline \"bad.wrl\" not loaded: ")) << All();
    EXPECT_TRUE(Warned("bad.wrl:3: Premature end of file")) << All();
    EXPECT_TRUE(Warned("main.wrl:3: Inline \"missing.wrl\" not loaded: no such file")) << All();
    EXPECT_TRUE(Warned("main.wrl:3: Inline \"text.wrl\" not loaded: ")) << All();
    EXPECT_TRUE(Warned("main.wrl:4: Inline \"ftp://127.0.0.1/x.wrl\" not read")) << All();
}

TEST_F(SceneLoadingTest, NodesThatContainThemselvesOrNestTooDeepAreCut) {
    const QString loop = Write("loop.wrl", kHeader + "DEF A Group { children [ USE A " + kRedBox + " ] }\n");
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(loop), 1) << view.LastError().toStdString();
    EXPECT_TRUE(view.LastWarnings().join("|").contains("removed a Group that contains itself"));
    ExpectRedBoxShown(&view);

    // A chain of USEs nests far deeper than the text does.
    QByteArray chain = kHeader + "DEF N0 Group { children [ " + kRedBox + " ] }\n";
    for (int i = 1; i < 400; ++i) chain += QStringLiteral("DEF N%1 Group { children [ USE N%2 ] }\n").arg(i).arg(i - 1).toUtf8();
    ASSERT_EQ(view.LoadVrmlFile(Write("chain.wrl", chain)), 1) << view.LastError().toStdString();
    EXPECT_TRUE(view.LastWarnings().join("|").contains("removed nodes nested deeper than 256")) << All();
    Frame(&view);
}

TEST_F(SceneLoadingTest, OversizedWorldsAreRefusedBeforeTheyAreParsed) {
    QByteArray deep = kHeader;
    for (int i = 0; i < 300; ++i) deep += "Group { children [\n";
    EXPECT_EQ(Shapes(Write("deep.wrl", deep)), -1);
    EXPECT_TRUE(error.contains("deep.wrl:130: nested deeper than 256 levels")) << All();

    QByteArray many = kHeader;
    many.reserve(8 * 1000001 + 32);
    for (int i = 0; i < 1000001; ++i) many += "Group{}\n";
    EXPECT_EQ(Shapes(Write("many.wrl", many)), -1);
    EXPECT_TRUE(error.contains("more than 1000000 nodes")) << All();

    // 80 MB of spaces packs into a small gzip file; unpacking stops at the limit.
    QByteArray spaces = kHeader + QByteArray(80 * 1024 * 1024, ' ');
    QByteArray packed(static_cast<int>(compressBound(spaces.size())) + 64, '\0');
    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(spaces.data());
    z.avail_in = static_cast<uInt>(spaces.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    packed.truncate(static_cast<int>(z.total_out));
    deflateEnd(&z);
    spaces.clear();
    EXPECT_EQ(Shapes(Write("bomb.wrl.gz", packed)), -1);
    EXPECT_TRUE(error.contains("too large when unpacked")) << All();
    EXPECT_EQ(Shapes(Write("cut.wrl.gz", packed.left(packed.size() / 2))), -1);
    EXPECT_TRUE(error.contains("damaged gzip data")) << All();
}

TEST_F(SceneLoadingTest, UnknownNodesAndFieldsAreSkippedWithFileAndLine) {
    const QString path = Write("foreign.wrl", kHeader +
        "Shape { geometry Box {} }\n"
        "FooBar {}\n"
        "Shape { geometry Box { size 1 1 1 vendorSize 3 } }\n"
        "DEF V VendorNode { a 1 b [ 1 2 ] c Box {} }\n"
        "Shape { geometry VendorGeometry { x 1 } }\n"
        "Transform { children VendorNode { } }\n"
        "Group { children [ USE V ] }\n"
        "Shape { appearance Appearance { material Material { diffuseColor 1 0 } } geometry Sphere { } }\n");
    EXPECT_EQ(Shapes(path), 4) << All();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(Warned("foreign.wrl:3: skipped unknown node FooBar")) << All();
    EXPECT_TRUE(Warned("foreign.wrl:4: skipped unknown field vendorSize of Box")) << All();
    EXPECT_TRUE(Warned("foreign.wrl:5: skipped unknown node VendorNode")) << All();
    EXPECT_TRUE(Warned("foreign.wrl:6: skipped unknown node VendorGeometry")) << All();
    EXPECT_TRUE(Warned("foreign.wrl:8: skipped USE of undefined name V")) << All();
    EXPECT_TRUE(Warned("foreign.wrl:9: skipped unreadable value of field diffuseColor of Material")) << All();

    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(Write("box.wrl", kHeader + kRedBox + "FooBar {}\n")), 1);
    ExpectRedBoxShown(&view);
}

TEST_F(SceneLoadingTest, NodesOfTheOtherVersionAreSkippedInVrml1Files) {
    const QString path = Write("old.wrl",
        "#VRML V1.0 ascii\n"
        "Separator {\n"
        "  Background { skyColor 1 0 0 }\n"
        "  NavigationInfo { headlight TRUE }\n"
        "  Cube { vendorField 2 }\n"
        "}\n");
    SoSeparator* root = SceneLoader::Load(path, &error, &warnings);
    ASSERT_TRUE(root) << All();
    root->unref();
    EXPECT_TRUE(Warned("old.wrl:3: skipped VRML 2.0 node Background")) << All();
    EXPECT_TRUE(Warned("old.wrl:4: skipped VRML 2.0 node NavigationInfo")) << All();
    EXPECT_TRUE(Warned("old.wrl:5: skipped unknown field vendorField of Cube")) << All();
}

TEST_F(SceneLoadingTest, APrototypeIsKnownOnlyInTheFileThatDeclaresIt) {
    // The scene library keeps what it read in one list for the whole process; a world must not
    // make instances of a PROTO that only an earlier world declared.
    const QByteArray leftOver = "PROTO LeftOver [ ] { Group { children [ Shape { geometry Box { } } Shape { geometry Box { } } ] } }\n";
    ASSERT_EQ(Shapes(Write("first.wrl", kHeader + leftOver + "LeftOver { }\n")), 2) << All();
    SoSeparator* first = SceneLoader::Load(dir.filePath("first.wrl"), &error, &warnings);  // still in use
    ASSERT_TRUE(first);
    EXPECT_EQ(Shapes(Write("next.wrl", kHeader + "LeftOver { }\n" + kRedBox)), 1) << All();
    EXPECT_TRUE(Warned("next.wrl:2: skipped LeftOver: it is a PROTO of another file")) << All();
    // Declared only below its use, the name still meant the earlier world's PROTO there.
    EXPECT_EQ(Shapes(Write("later.wrl", kHeader + "LeftOver { }\n" + leftOver + kRedBox)), 1) << All();
    EXPECT_TRUE(Warned("later.wrl:2: skipped LeftOver: it is a PROTO of another file")) << All();
    // Declared again in the file, it is the file's own.
    EXPECT_EQ(Shapes(Write("own.wrl", kHeader + leftOver + "LeftOver { }\n" + kRedBox)), 3) << All();
    first->unref();
}

TEST_F(SceneLoadingTest, EveryUseOfAnotherFilesPrototypeIsCutHoweverItIsWritten) {
    // A PROTO of an earlier world, still in use; its name must not make instances in a later one,
    // whatever the text looks like around it.
    ASSERT_EQ(Shapes(Write("first.wrl", kHeader + "PROTO L [ ] { Shape { geometry Box { } } }\nL { }\n")), 1) << All();
    SoSeparator* first = SceneLoader::Load(dir.filePath("first.wrl"), &error, &warnings);
    ASSERT_TRUE(first);
    // Too short for a stand-in value, a form feed before the brace, VRML 1.0 text that looks
    // like a declaration, and a node the file leaves open.
    EXPECT_EQ(Shapes(Write("short.wrl", kHeader + kRedBox + "Shape { geometry L{} }\n")), 2) << All();
    EXPECT_TRUE(Warned("short.wrl:3: skipped L: it is a PROTO of another file")) << All();
    EXPECT_EQ(Shapes(Write("feed.wrl", kHeader + kRedBox + "L\f{ }\n")), 1) << All();
    EXPECT_TRUE(Warned("feed.wrl:3: skipped L")) << All();
    Shapes(Write("old.wrl", "#VRML V1.0 ascii\nSeparator { Cube { } }\nPROTO L [ ] { }\nL { }\n"));
    EXPECT_TRUE(Warned("old.wrl:4: skipped L: it is a PROTO of another file")) << All();
    EXPECT_EQ(Shapes(Write("open.wrl", kHeader + kRedBox + "L {\n")), 1) << All();
    EXPECT_TRUE(Warned("open.wrl:3: skipped L")) << All();
    // A file with more of them than may be cut is refused rather than read with some left.
    QByteArray many = kHeader + kRedBox;
    for (int i = 0; i < 300; ++i) many += "L { }\n";
    EXPECT_EQ(Shapes(Write("many.wrl", many)), -1);
    EXPECT_TRUE(error.contains("PROTO instances to cut")) << All();
    first->unref();
}

TEST_F(SceneLoadingTest, APrototypeLeftOpenCannotContainItself) {
    // The library makes the inner instance before it finds the definition unfinished, and keeps
    // a PROTO that contains itself for good: any later instance of it would never end.
    Shapes(Write("open.wrl", kHeader + "PROTO Loop [ field SFNode n Loop { } ]\n{ Group { } Loop { }\n"));
    EXPECT_TRUE(Warned("open.wrl:2: skipped Loop inside the definition of PROTO Loop")) << All();
    EXPECT_TRUE(Warned("open.wrl:3: skipped Loop inside the definition of PROTO Loop")) << All();
    EXPECT_EQ(Shapes(Write("next.wrl", kHeader + "Loop { }\n" + kRedBox)), 1) << All();
}

TEST_F(SceneLoadingTest, AWorldFailsOnlyWhenNothingInItLoads) {
    EXPECT_EQ(Shapes(Write("nothing.wrl", kHeader + "\nFooBar { }\nBarFoo { x 1 }\n")), -1);
    EXPECT_TRUE(error.contains("nothing.wrl:3: skipped unknown node FooBar")) << All();
    // The reason names where the failing file failed, not an Inline that did not matter.
    Write("noise.wrl", "noise");
    EXPECT_EQ(Shapes(Write("cut.wrl", kHeader + "Inline { url \"noise.wrl\" }\nShape { geometry Box {\n")), -1);
    EXPECT_TRUE(error.contains("cut.wrl:4: Expected '}'")) << All();

    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(Write("box.wrl", kHeader + kRedBox)), 1);
    EXPECT_TRUE(view.LastWarnings().isEmpty());
    EXPECT_EQ(view.LoadVrmlFile(dir.filePath("nothing.wrl")), -1);
    EXPECT_TRUE(view.LastError().contains("nothing.wrl:3")) << view.LastError().toStdString();
    ExpectRedBoxShown(&view);
}

}  // namespace

namespace {

TEST_F(SceneLoadingTest, Vrml1CamerasGiveTheStartViewAndWwwInlinesLoad) {
    Write("red.wrl", "#VRML V1.0 ascii\n"
                     "Separator { Material { diffuseColor 0 0 0 emissiveColor 1 0 0 } Cube { } }\n");
    const QString path = Write("old.wrl", "#VRML V1.0 ascii\n"
        "Separator {\n"
        "  Translation { translation 20 0 0 }\n"
        "  PerspectiveCamera { position 0 0 8 heightAngle 0.5 }\n"
        "  WWWInline { name \"red.wrl\" }\n"
        "  WWWInline { name \"old.wrl\" }\n"
        "}\n");
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(path), 1) << view.LastError().toStdString();
    EXPECT_TRUE(view.LastWarnings().join("|").contains("Inline \"old.wrl\" skipped: it includes itself"))
        << view.LastWarnings().join("|").toStdString();
    EXPECT_NEAR(view.Camera()->position.getValue()[0], 20.0f, 1e-3);
    EXPECT_NEAR(view.Camera()->heightAngle.getValue(), 0.5f, 1e-3);
    ExpectRedBoxShown(&view);
    // The scene's own camera no longer decides the picture: moving the view's camera moves it.
    view.Camera()->position = SbVec3f(0, 0, 8);
    QImage moved = Frame(&view);
    EXPECT_LT(moved.pixelColor(moved.width() / 2, moved.height() / 2).red(), 100);

    // An orthographic camera gives a place to stand too.
    ASSERT_EQ(view.LoadVrmlFile(Write("ortho.wrl", "#VRML V1.0 ascii\n"
        "Separator { OrthographicCamera { position 20 0 8 height 4 } WWWInline { name \"moved.wrl\" } }\n")), 1);
    EXPECT_NEAR(view.Camera()->position.getValue()[0], 20.0f, 1e-3);
}

}  // namespace

namespace {

TEST_F(SceneLoadingTest, IndexListsBeyondTheirCoordinatesAreMendedBeforeTheFirstFrame) {
    const QString path = Write("indices.wrl", kHeader +
        "Shape { geometry IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n"
        "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] } coordIndex [ 0 1 7 -1 ] } }\n"
        "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }\n"
        "  coordIndex [ 0 1 2 -1 0 2 3 -1 ] color Color { color [ 1 0 0 ] } colorPerVertex FALSE\n"
        "  normal Normal { vector [ 0 0 1 ] } texCoord TextureCoordinate { point [ 0 0 ] } } }\n"
        "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] } coordIndex [ 0 1 2 ]\n"
        "  color Color { color [ 1 0 0, 0 1 0 ] } colorIndex [ 0 5 1 ] } }\n"
        "Shape { geometry IndexedLineSet { coord Coordinate { point [ 0 0 0 ] } coordIndex [ 0 3 ] } }\n"
        "Shape { geometry PointSet { coord Coordinate { point [ 0 0 0, 1 1 1 ] } color Color { color [ 1 0 0 ] } } }\n"
        "Shape { geometry ElevationGrid { xDimension 3 zDimension 3 height [ 0 0 0 ] } }\n"
        "Shape { geometry ElevationGrid { xDimension 2 zDimension 2 height [ 0 0 0 0 ] color Color { color [ 1 0 0 ] } } }\n"
        // Exactly enough is kept: one colour a face, one normal a vertex.
        "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] } coordIndex [ 0 1 2 -1 ]\n"
        "  color Color { color [ 0 0 1 ] } colorPerVertex FALSE normal Normal { vector [ 0 0 1, 0 0 1, 0 0 1 ] } } }\n" +
        kRedBox);
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(path), 1) << view.LastError().toStdString();
    const QString all = view.LastWarnings().join("|");
    // The same mending in one file is listed once.
    EXPECT_EQ(all.count("an IndexedFaceSet indexes past its coordinates; not drawn"), 1) << all.toStdString();
    EXPECT_EQ(all.count("dropped the colours of an IndexedFaceSet"), 1) << all.toStdString();
    EXPECT_EQ(all.count("dropped the normals of an IndexedFaceSet"), 1) << all.toStdString();
    EXPECT_EQ(all.count("dropped the texture coordinates of an IndexedFaceSet"), 1) << all.toStdString();
    EXPECT_TRUE(all.contains("an IndexedLineSet indexes past its coordinates")) << all.toStdString();
    EXPECT_TRUE(all.contains("dropped the colours of an PointSet")) << all.toStdString();
    EXPECT_TRUE(all.contains("an ElevationGrid has fewer heights than its size")) << all.toStdString();
    EXPECT_TRUE(all.contains("dropped the colours of an ElevationGrid")) << all.toStdString();
    EXPECT_EQ(view.LastWarnings().size(), 8) << all.toStdString();
    ExpectRedBoxShown(&view);
}

}  // namespace

namespace {

TEST_F(SceneLoadingTest, PastTheTimeBudgetFurtherInlinesAreSkippedAndTheWorldStillLoads) {
    Write("part.wrl", kHeader + "Shape { geometry Sphere { } }\n");
    const QString path = Write("slow.wrl", kHeader + "Inline { url \"part.wrl\" }\n" + kRedBox);
    SceneLoadContext::Limits& limits = SceneLoadContext::Defaults();
    const SceneLoadContext::Limits saved = limits;
    limits.budgetMs = -1;  // already over when reading starts
    EXPECT_EQ(Shapes(path), 1) << All();
    limits = saved;
    EXPECT_TRUE(Warned("slow.wrl:2: Inline \"part.wrl\" not loaded: the world took longer than")) << All();
    EXPECT_EQ(Shapes(path), 2) << All();
}

}  // namespace

namespace {

TEST_F(SceneLoadingTest, ANodeThatFailsWhileHoldingTheNodeRoundItDoesNotTakeThatNodeAlong) {
    // The library drops a node that fails to read; one holding a USE of a node round it, still
    // being read, dropped that one too, and the parser went on in freed memory.
    const QString refused = Write("door.wrl", kHeader + "DEF Door Group { children Script { field SFNode door USE Door ] }\n");
    const QString mended = Write("held.wrl", kHeader +
        "DEF G Group { children Shape { geometry USE G bad 1 } }\n"
        "DEF H Transform { children [ Shape { appearance USE H geometry Box { } colour 7 } ] }\n" + kRedBox);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Shapes(refused), -1) << All();
        EXPECT_TRUE(error.startsWith(refused + ":2: ")) << All();
        EXPECT_GE(Shapes(mended), 1) << All();
    }
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(mended), 1) << view.LastError().toStdString();
    ExpectRedBoxShown(&view);
}

}  // namespace

namespace {

TEST_F(SceneLoadingTest, PrototypesWhoseBodiesMakeInstancesOfThemselvesAreCut) {
    // Each made the library build instances of instances until the stack ran out.
    const QString self = Write("selfproto.wrl", kHeader +
        "PROTO Tower [ ] { Group { children [ Shape { geometry Box { } } Tower { } ] } }\n"
        "Tower { }\n" + kRedBox);
    EXPECT_EQ(Shapes(self), 2) << All();
    EXPECT_TRUE(Warned("selfproto.wrl:2: skipped Tower inside the definition of PROTO Tower")) << All();

    // Through other PROTOs, and as a field's value; a PROTO using another one is left alone.
    const QString cycle = Write("cycle.wrl", kHeader +
        "PROTO CycBox [ ] { Shape { geometry Box { } } }\n"
        "PROTO CycA [ ] { Transform { children [ CycBox { } CycB { } ] } }\n"
        "PROTO CycB [ ] { Shape { geometry Sphere { } appearance CycC { } } }\n"
        "PROTO CycC [ ] { Appearance { material Material { } texture CycA { } } }\n"
        "CycA { }\n" + kRedBox);
    // CycBox and the red box; CycC is used before it is declared, so the library knows no CycC there.
    EXPECT_EQ(Shapes(cycle), 2) << All();
    EXPECT_TRUE(Warned("cycle.wrl:3: skipped CycB inside the definition of PROTO CycA")) << All();
    EXPECT_FALSE(Warned("skipped CycBox")) << All();

    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(self), 1) << view.LastError().toStdString();
    ExpectRedBoxShown(&view);
}

}  // namespace
