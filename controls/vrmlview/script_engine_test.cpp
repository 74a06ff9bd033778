// Script nodes: fields, events and routes, value classes, Browser, the time budget, and worlds
// whose geometry only a script makes.
#include "controls/vrmlview/script_engine.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/VRMLnodes/SoVRMLScript.h>
#include <Inventor/VRMLnodes/SoVRMLTouchSensor.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/fields/SoSFBool.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QByteArray kHeader = "#VRML V2.0 utf8\n";
const char* kRedBox = "Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 0 0 } } geometry Box { size 2 2 2 } }";

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override { ScriptEngine::ClearMessages(); }
    int Load(const QByteArray& body) {
        const QString path = dir.filePath(QStringLiteral("w%1.wrl").arg(++files));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(kHeader + body);
        file.close();
        const int result = view.LoadVrmlFile(path);
        RunEvents(100);  // scripts start from the scene library's sensors
        return result;
    }
    QString Printed() const { return ScriptEngine::Messages().join(QStringLiteral("\n")); }
    QColor Centre() {
        const QImage image = Frame(&view);
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }

    QTemporaryDir dir;
    int files = 0;
    VrmlView view;
};

SbVec3f Translation(const char* name) {
    auto* node = static_cast<SoVRMLTransform*>(SoNode::getByName(name));
    return node ? node->translation.getValue() : SbVec3f(-99, -99, -99);
}

TEST_F(ScriptTest, FieldsEventOutsAndEventInsTravelAlongRoutes) {
    ASSERT_EQ(Load("DEF T1 Transform { }\n"
                   "DEF S1 Script {\n"
                   "  field SFFloat k 2\n"
                   "  field MFFloat list [ 1 2 5 ]\n"
                   "  field SFInt32 events 0\n"
                   "  eventIn SFBool go\n"
                   "  eventOut SFVec3f pos\n"
                   "  url \"javascript:\n"
                   "    function initialize() { pos = new SFVec3f(k, list[2], list.length); }\n"
                   "    function go(value, time) { if (value && time > 0) pos = pos.add(new SFVec3f(0, 0, 10)); }\n"
                   "    function eventsProcessed() { events = events + 1; print('processed ' + events); }\"\n"
                   "}\n"
                   "ROUTE S1.pos TO T1.set_translation\n"),
              1)
        << view.LastError().toStdString();
    EXPECT_EQ(Translation("T1"), SbVec3f(2, 5, 3)) << Printed().toStdString();
    auto* script = static_cast<SoVRMLScript*>(SoNode::getByName("S1"));
    ASSERT_TRUE(script);
    static_cast<SoSFBool*>(script->getField("go"))->setValue(TRUE);
    RunEvents(50);
    EXPECT_EQ(Translation("T1"), SbVec3f(2, 5, 13)) << Printed().toStdString();
    EXPECT_TRUE(Printed().contains("processed 1")) << Printed().toStdString();
}

TEST_F(ScriptTest, ValueClassesBrowserAndNothingBeyondTheWorld) {
    ASSERT_EQ(Load("DEF S2 Script { url \"vrmlscript:\n"
                   "  function r(v) { return Math.round(v * 1000) / 1000; }\n"
                   "  function initialize() {\n"
                   "    var c = new SFVec3f(1, 0, 0).cross(new SFVec3f(0, 1, 0));\n"
                   "    print('cross', c.x, c.y, c.z, 'length', new SFVec3f(3, 4, 0).length());\n"
                   "    var turned = new SFRotation(0, 1, 0, Math.PI / 2).multVec(new SFVec3f(1, 0, 0));\n"
                   "    print('turned', r(turned.x), r(turned.y), r(turned.z));\n"
                   "    var both = new SFRotation(0, 1, 0, 0.5).multiply(new SFRotation(0, 1, 0, 0.25));\n"
                   "    print('angle', r(both.angle), 'colour', new SFColor(1, 0.5, 0).g);\n"
                   "    print('browser', Browser.getName() != '', Browser.getWorldURL().endsWith('.wrl'));\n"
                   "    print('outside', typeof XMLHttpRequest, typeof require, typeof Qt, typeof console, typeof fetch);\n"
                   "  }\" }\n"),
              1);
    const QString printed = Printed();
    EXPECT_TRUE(printed.contains("cross 0 0 1 length 5")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("turned 0 0 -1")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("angle 0.75 colour 0.5")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("browser true true")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("outside undefined undefined undefined undefined undefined")) << printed.toStdString();
}

TEST_F(ScriptTest, GeometryBuiltInInitializeIsShown) {
    ShowForTest(&view);
    ASSERT_EQ(Load(QByteArray("Viewpoint { position 0 0 6 }\n"
                              "DEF Holder Group { }\n"
                              "DEF Maker Script { eventOut MFNode made url \"javascript:\n"
                              "  function initialize() { made = Browser.createVrmlFromString('") +
                   kRedBox + "'); }\" }\n"
                             "ROUTE Maker.made TO Holder.set_children\n"),
              1);
    RunEvents(100);
    const QColor centre = Centre();
    EXPECT_GT(centre.red(), 200) << centre.name().toStdString() << " " << Printed().toStdString();
    EXPECT_LT(centre.green(), 60);
    Frame(&view).save(dir.filePath("built.png"));
    if (qEnvironmentVariableIsSet("MONEKO_SCREENSHOT_DIR")) {
        Frame(&view).save(qEnvironmentVariable("MONEKO_SCREENSHOT_DIR") + "/script-built-geometry.png");
    }
}

TEST_F(ScriptTest, ADoorOpensWhenItsTouchSensorFires) {
    ShowForTest(&view);
    ASSERT_EQ(Load(QByteArray("Viewpoint { position 0 0 6 }\n"
                              "DEF Door Transform { children [ DEF Knock TouchSensor { }\n"
                              "  Transform { translation 1 0 0 children ") +
                   kRedBox + " } ] }\n"
                             "DEF Hinge Script { eventIn SFTime touched eventOut SFRotation turn field SFBool open FALSE\n"
                             "  url \"javascript: function touched(value, time) {\n"
                             "    open = !open; turn = new SFRotation(0, 1, 0, open ? 1.5708 : 0); }\" }\n"
                             "ROUTE Knock.touchTime TO Hinge.touched\n"
                             "ROUTE Hinge.turn TO Door.set_rotation\n"),
              1);
    // The door leaf reaches 2 m to the right of its hinge; opened, it swings back out of there.
    const QImage closed = Frame(&view);
    const QPoint edge = ScreenPoint(&view, SbVec3f(1.8f, 0, 1));
    const QColor before = closed.pixelColor(edge);
    EXPECT_GT(before.red(), 200) << before.name().toStdString();
    // A click on the door leaf.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, edge);
    RunEvents(100);
    const QImage opened = Frame(&view);
    const QColor after = opened.pixelColor(edge);
    EXPECT_LT(after.red(), 100) << after.name().toStdString() << " " << Printed().toStdString();
    EXPECT_GT(DifferentPixels(closed, opened), 1000);
    // A click on the leaf where it stands now closes it again.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, ScreenPoint(&view, SbVec3f(0, 0, 0)));
    RunEvents(100);
    EXPECT_GT(Frame(&view).pixelColor(edge).red(), 200);
    if (qEnvironmentVariableIsSet("MONEKO_SCREENSHOT_DIR")) {
        closed.save(qEnvironmentVariable("MONEKO_SCREENSHOT_DIR") + "/script-door-closed.png");
        opened.save(qEnvironmentVariable("MONEKO_SCREENSHOT_DIR") + "/script-door-open.png");
    }
}

TEST_F(ScriptTest, NodeFieldsChangeDirectlyOnlyWithDirectOutput) {
    ASSERT_EQ(Load("DEF T3 Transform { translation 1 2 3 }\n"
                   "DEF T4 Transform { }\n"
                   "Script { directOutput TRUE field SFNode target USE T3 url \"javascript:\n"
                   "  function initialize() { print('was', target.translation.z, target.type);\n"
                   "    target.translation = new SFVec3f(7, 8, 9); }\" }\n"
                   "Script { field SFNode target USE T4 url \"javascript:\n"
                   "  function initialize() { target.translation = new SFVec3f(5, 5, 5); }\" }\n"),
              1);
    EXPECT_TRUE(Printed().contains("was 3 VRMLTransform")) << Printed().toStdString();
    EXPECT_EQ(Translation("T3"), SbVec3f(7, 8, 9));
    EXPECT_EQ(Translation("T4"), SbVec3f(0, 0, 0));
    EXPECT_TRUE(Printed().contains("translation not written: the Script has no directOutput")) << Printed().toStdString();
}

TEST_F(ScriptTest, ScriptFilesBesideTheWorldAreRunAndNothingElse) {
    QDir(dir.path()).mkdir("js");
    QFile code(dir.filePath("js/hello.js"));
    ASSERT_TRUE(code.open(QIODevice::WriteOnly));
    code.write("function initialize() { print('hello from a file'); }\n");
    code.close();
    ASSERT_EQ(Load("Script { url [ \"missing.js\" \"js/hello.js\" ] }\n"
                   "Script { url \"file:///etc/hostname.js\" }\n"),
              1);
    EXPECT_TRUE(Printed().contains("hello from a file")) << Printed().toStdString();
    EXPECT_TRUE(Printed().contains("script missing.js not read")) << Printed().toStdString();
    EXPECT_TRUE(Printed().contains("no script code found")) << Printed().toStdString();
}

TEST_F(ScriptTest, RunawayAndBrokenScriptsAreStoppedAndTheWorldGoesOn) {
    ShowForTest(&view);
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(Load(QByteArray("Viewpoint { position 0 0 6 }\n") + kRedBox +
                   "\nScript { url \"javascript: function initialize() { while (true) { } }\" }\n"
                   "Script { url \"javascript: var x = ; \" }\n"
                   "Script { url \"javascript: function initialize() { undefinedThing.call(); }\" }\n"
                   "Script { url \"scripts/outside.js\" }\n"),
              1);
    RunEvents(100);
    EXPECT_LT(clock.elapsed(), 5000);
    const QColor centre = Centre();
    EXPECT_GT(centre.red(), 200) << centre.name().toStdString();
    const QString printed = Printed();
    EXPECT_TRUE(printed.contains("initialize() ran longer than 250 ms: script stopped")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("error in script: SyntaxError")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("error in initialize() at line 1: ReferenceError")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("script scripts/outside.js not read: no such file")) << printed.toStdString();
    // A new world replaces the old scripts.
    ASSERT_EQ(Load(kRedBox), 1);
    RunEvents(50);
    EXPECT_EQ(ScriptEngine::Count(), 0);
}

}  // namespace
