// Where a world's links may lead, and Anchors clicked in the view.
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"
#include "controls/vrmlview/world_link.h"

#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QByteArray kHeader = "#VRML V2.0 utf8\n";

class WorldLinkTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& body) {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kHeader + body);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(WorldLinkTest, FilesOutsideTheWorldsFolderAndOtherSchemesAreRefused) {
    const QString world = Write("worlds/home.wrl", "");
    Write("worlds/rooms/hall.wrl", "");
    Write("worlds/notes.txt", "");
    Write("secret.wrl", "");
    QFile::link(dir.filePath("secret.wrl"), dir.filePath("worlds/door.wrl"));

    const WorldLink hall = WorldLink::Resolve(world, "rooms/hall.wrl#Entrance");
    EXPECT_EQ(hall.kind, WorldLink::kWorld);
    EXPECT_EQ(hall.target, dir.filePath("worlds/rooms/hall.wrl"));
    EXPECT_EQ(WorldLink::Resolve(world, "file://" + dir.filePath("worlds/rooms/hall.wrl")).kind, WorldLink::kWorld);
    const WorldLink viewpoint = WorldLink::Resolve(world, "#Over%20There");
    EXPECT_EQ(viewpoint.kind, WorldLink::kViewpoint);
    EXPECT_EQ(viewpoint.target, "Over There");

    for (const QString& bad : {QStringLiteral("../secret.wrl"), QStringLiteral("rooms/../../secret.wrl"),
                               QStringLiteral("door.wrl"), dir.filePath("secret.wrl"),
                               QStringLiteral("file:///etc/passwd"), QStringLiteral("notes.txt"),
                               QStringLiteral("missing.wrl"), QStringLiteral("javascript:alert(1)"),
                               QStringLiteral("http://127.0.0.1/x.wrl"), QStringLiteral("mailto:a@b"),
                               QStringLiteral("#"), QStringLiteral("")}) {
        const WorldLink link = WorldLink::Resolve(world, bad);
        EXPECT_EQ(link.kind, WorldLink::kRefused) << bad.toStdString();
        EXPECT_FALSE(link.reason.isEmpty()) << bad.toStdString();
    }
}

TEST_F(WorldLinkTest, WebWorldsLinkOnlyToWorldsOfTheirOwnOrigin) {
    const QString world = "http://127.0.0.1:8080/worlds/home.wrl";
    EXPECT_EQ(WorldLink::Resolve(world, "hall.wrl").target, "http://127.0.0.1:8080/worlds/hall.wrl");
    EXPECT_EQ(WorldLink::Resolve(world, "/other/../top.wrz#x").target, "http://127.0.0.1:8080/top.wrz");
    EXPECT_EQ(WorldLink::Resolve(world, "http://127.0.0.1:8080/a.wrl.gz").kind, WorldLink::kWorld);
    for (const QString& bad : {QStringLiteral("http://127.0.0.1:8081/hall.wrl"), QStringLiteral("https://127.0.0.1:8080/hall.wrl"),
                               QStringLiteral("//example.invalid/hall.wrl"), QStringLiteral("file:///tmp/hall.wrl"),
                               QStringLiteral("page.html"), QStringLiteral("javascript:go()")}) {
        EXPECT_EQ(WorldLink::Resolve(world, bad).kind, WorldLink::kRefused) << bad.toStdString();
    }
}

TEST_F(WorldLinkTest, ClickingAnAnchorMovesTheViewOrReplacesTheWorldOrRefuses) {
    Write("next.wrl", "DEF InNext Transform { }\n");
    const QString world = Write("anchors.wrl",
        "Viewpoint { position 0 0 10 }\n"
        "DEF Far Viewpoint { position 0 0 40 }\n"
        "Anchor { url \"#Far\" children Transform { translation -3 0 0 children Shape { geometry Box { } } } }\n"
        "Anchor { url \"next.wrl\" children Transform { translation 0 0 0 children Shape { geometry Box { } } } }\n"
        "Anchor { url [ \"../elsewhere.wrl\" \"file:///etc/passwd\" ] children Transform { translation 3 0 0 children Shape { geometry Box { } } } }\n"
        "DEF InAnchors Transform { }\n");
    VrmlView view;
    ShowForTest(&view);
    QSignalSpy refused(&view, &VrmlView::linkRefused);
    ASSERT_EQ(view.LoadVrmlFile(world), 1) << view.LastError().toStdString();
    auto inScene = [&view](const char* name) {
        SoSearchAction search;
        search.setName(SbName(name));
        search.setSearchingAll(TRUE);
        search.apply(view.Scene());
        return search.getPath() != nullptr;
    };

    // Empty space is no link.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    RunEvents(50);
    EXPECT_EQ(refused.count(), 0);
    EXPECT_TRUE(inScene("InAnchors"));

    // A link that leads out of the world's folder: refused with a reason, nothing changes.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, ScreenPoint(&view, SbVec3f(3, 0, 1)));
    RunEvents(50);
    ASSERT_EQ(refused.count(), 1);
    EXPECT_TRUE(refused[0][0].toString().contains("outside the world's folder")) << refused[0][0].toString().toStdString();
    EXPECT_TRUE(inScene("InAnchors"));
    EXPECT_TRUE(view.LastWarnings().join(" ").contains("Link not followed")) << view.LastWarnings().join(" ").toStdString();
    if (qEnvironmentVariableIsSet("MONEKO_SCREENSHOT_DIR")) {
        view.grab().save(qEnvironmentVariable("MONEKO_SCREENSHOT_DIR") + "/anchor-refused.png");
    }

    // A viewpoint of the world.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, ScreenPoint(&view, SbVec3f(-3, 0, 1)));
    RunEvents(50);
    EXPECT_NEAR(view.Camera()->position.getValue()[2], 40.0f, 0.01f);
    EXPECT_TRUE(inScene("InAnchors"));

    // Back at the start, a world beside this one replaces it.
    view.Revert();
    RunEvents(50);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, ScreenPoint(&view, SbVec3f(0, 0, 1)));
    RunEvents(100);
    EXPECT_TRUE(inScene("InNext")) << view.LastWarnings().join(" ").toStdString() << view.Camera()->position.getValue()[2];
    EXPECT_FALSE(inScene("InAnchors"));
    EXPECT_EQ(refused.count(), 1);
}

}  // namespace
