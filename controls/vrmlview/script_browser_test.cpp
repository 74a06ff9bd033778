// What a script asks of the browser beyond its own node: pictures (SFImage), its end
// (shutdown), the user's speed, another world (loadURL, replaceWorld) — never anything outside.
#include "controls/vrmlview/script_engine.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/VRMLnodes/SoVRMLPixelTexture.h>
#include <Inventor/VRMLnodes/SoVRMLScript.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QByteArray kHeader = "#VRML V2.0 utf8\n";
const char* kRedBox = "Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 0 0 } } geometry Box { size 2 2 2 } }";

class ScriptBrowserTest : public ::testing::Test {
protected:
    void SetUp() override { ScriptEngine::ClearMessages(); }
    QString Write(const QString& name, const QByteArray& body) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kHeader + body);
        return path;
    }
    int Load(VrmlView* target, const QString& name, const QByteArray& body) {
        const int result = target->LoadVrmlFile(Write(name, body));
        RunEvents(100);  // scripts start from the scene library's sensors
        return result;
    }
    QString Printed() const { return ScriptEngine::Messages().join(QStringLiteral("\n")); }
    bool InScene(const char* name) {
        SoSearchAction search;
        search.setName(SbName(name));
        search.setSearchingAll(TRUE);
        search.apply(view.Scene());
        return search.getPath() != nullptr;
    }

    QTemporaryDir dir;
    VrmlView view;
};

const QByteArray kFarewell = "Script { url \"javascript: function shutdown() { print('bye from ' + Browser.getWorldURL().split('/').pop()); }\" }\n";

TEST_F(ScriptBrowserTest, ShutdownRunsOnceWhenTheWorldIsReplacedOrTheViewCloses) {
    ASSERT_EQ(Load(&view, "first.wrl", kFarewell), 1);
    EXPECT_FALSE(Printed().contains("bye")) << Printed().toStdString();
    ASSERT_EQ(Load(&view, "second.wrl", QByteArray(kRedBox) + "\n"), 1);
    EXPECT_EQ(ScriptEngine::Messages().count("bye from first.wrl"), 1) << Printed().toStdString();
    ASSERT_EQ(Load(&view, "third.wrl", QByteArray(kRedBox) + "\n"), 1);
    EXPECT_EQ(ScriptEngine::Messages().count("bye from first.wrl"), 1) << Printed().toStdString();
    // A world that fails to load leaves the shown one, scripts included, running.
    ASSERT_EQ(Load(&view, "fourth.wrl", kFarewell), 1);
    EXPECT_EQ(view.LoadVrmlFile(dir.filePath("missing.wrl")), -1);
    EXPECT_FALSE(Printed().contains("bye from fourth.wrl")) << Printed().toStdString();

    auto closing = std::make_unique<VrmlView>();
    ASSERT_EQ(Load(closing.get(), "closing.wrl", kFarewell), 1);
    closing.reset();
    EXPECT_TRUE(Printed().contains("bye from closing.wrl")) << Printed().toStdString();
    EXPECT_FALSE(Printed().contains("bye from fourth.wrl")) << Printed().toStdString();
}

TEST_F(ScriptBrowserTest, PicturesPassBetweenScriptsAndPixelTextures) {
    ASSERT_EQ(Load(&view, "image.wrl",
                   "Shape { appearance Appearance { texture DEF Tex PixelTexture { } } geometry Box { } }\n"
                   "DEF Painter Script {\n"
                   "  field SFImage given 2 1 3 0xFF0000 0x00FF80\n"
                   "  eventIn SFBool bad\n"
                   "  eventOut SFImage out\n"
                   "  url \"javascript:\n"
                   "    function initialize() {\n"
                   "      print('given', given.width, given.height, given.comp, given.array[0].toString(16), given.array[1].toString(16));\n"
                   "      out = new SFImage(1, 2, 4, [0x11223344, 0xAABBCCDD]); }\n"
                   "    function bad() { out = new SFImage(2, 2, 3, [1]); }\"\n"
                   "}\n"
                   "ROUTE Painter.out TO Tex.set_image\n"),
              1);
    EXPECT_TRUE(Printed().contains("given 2 1 3 ff0000 ff80")) << Printed().toStdString();
    auto* texture = static_cast<SoVRMLPixelTexture*>(SoNode::getByName("Tex"));
    ASSERT_TRUE(texture);
    SbVec2s size;
    int components = 0;
    const unsigned char* bytes = texture->image.getValue(size, components);
    ASSERT_EQ(size, SbVec2s(1, 2));
    ASSERT_EQ(components, 4);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes), 8), QByteArray("\x11\x22\x33\x44\xAA\xBB\xCC\xDD", 8));

    // Pixels that do not fill the picture are refused and the texture stays as it was.
    auto* script = static_cast<SoVRMLScript*>(SoNode::getByName("Painter"));
    ASSERT_TRUE(script);
    static_cast<SoSFBool*>(script->getField("bad"))->setValue(TRUE);
    RunEvents(50);
    EXPECT_TRUE(Printed().contains("cannot assign")) << Printed().toStdString();
    texture->image.getValue(size, components);
    EXPECT_EQ(size, SbVec2s(1, 2));
}

TEST_F(ScriptBrowserTest, CurrentSpeedIsTheUsersWalkingSpeed) {
    ASSERT_EQ(Load(&view, "speed.wrl",
                   "NavigationInfo { speed 3 }\n"
                   "DEF Asker Script { eventIn SFBool ask url \"javascript:\n"
                   "  function initialize() { print('speed', Browser.getCurrentSpeed()); }\n"
                   "  function ask() { print('now', Browser.getCurrentSpeed()); }\" }\n"),
              1);
    EXPECT_TRUE(Printed().contains("speed 3")) << Printed().toStdString();
    ASSERT_TRUE(view.ChangeWalkthroughSpeed(4));  // the fastest setting, four times the scene's
    static_cast<SoSFBool*>(SoNode::getByName("Asker")->getField("ask"))->setValue(TRUE);
    RunEvents(50);
    EXPECT_TRUE(Printed().contains("now 12")) << Printed().toStdString();
}

TEST_F(ScriptBrowserTest, LoadUrlFollowsOnlyWorldsOfTheWorldsOwnFolder) {
    QDir(dir.path()).mkdir("inner");
    Write("inner/next.wrl", "DEF InNext Transform { }\n");
    Write("outside.wrl", "DEF Outside Transform { }\n");
    QSignalSpy refused(&view, &VrmlView::linkRefused);
    ASSERT_EQ(Load(&view, "inner/start.wrl",
                   "DEF InStart Transform { }\n"
                   "DEF Go Script { eventIn SFBool go url \"javascript:\n"
                   "  function initialize() { Browser.loadURL(['../outside.wrl', 'file:///etc/hostname'], []); }\n"
                   "  function go() { Browser.loadURL(new MFString('javascript:print(1)', 'next.wrl#Somewhere'), []); }\" }\n"),
              1);
    RunEvents(50);
    EXPECT_TRUE(InScene("InStart"));
    ASSERT_EQ(refused.count(), 1);
    EXPECT_TRUE(refused[0][0].toString().contains("outside the world's folder")) << refused[0][0].toString().toStdString();
    static_cast<SoSFBool*>(SoNode::getByName("Go")->getField("go"))->setValue(TRUE);
    RunEvents(100);
    EXPECT_TRUE(InScene("InNext"));
    EXPECT_FALSE(InScene("InStart"));
    EXPECT_EQ(refused.count(), 1);
}

TEST_F(ScriptBrowserTest, ReplaceWorldShowsTheNodesAScriptMade) {
    ShowForTest(&view);
    ASSERT_EQ(Load(&view, "replace.wrl",
                   QByteArray("DEF Old Transform { }\n"
                              "Script { url \"javascript: function initialize() {\n"
                              "  Browser.replaceWorld(Browser.createVrmlFromString('Viewpoint { position 0 0 6 } DEF New ") +
                       kRedBox + "')); }\" }\n"),
              1);
    RunEvents(100);
    EXPECT_FALSE(InScene("Old"));
    EXPECT_TRUE(InScene("New"));
    const QImage image = Frame(&view);
    EXPECT_GT(image.pixelColor(image.width() / 2, image.height() / 2).red(), 200) << Printed().toStdString();
}

}  // namespace
