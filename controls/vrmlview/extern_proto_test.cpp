// Lines in warnings are where the library's reading of a declaration stopped: after its url.
// EXTERNPROTO declarations: read under the same rules as Inlines, so no file can make the
// reading recurse without end, and a declaration that cannot be had costs only its own nodes.
#include "controls/vrmlview/coin_environment.h"
#include "controls/vrmlview/scene_load_context.h"
#include "controls/vrmlview/scene_loader.h"
#include "controls/vrmlview/scene_load_test_fixture.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>
#include <vector>

namespace {

class ExternProtoTest : public SceneLoadTest {};

TEST_F(ExternProtoTest, DeclarationsNamingTheirOwnFileOrACycleEndWithAWarning) {
    // Each of these read the file again and again inside the parser until the stack ran out.
    Write("self.wrl", kHeader + "EXTERNPROTO Ball [ field SFFloat radius ] \"self.wrl#Ball\"\n"
                                "Ball { radius 2 }\n" + kRedBox);
    EXPECT_EQ(Shapes(dir.filePath("self.wrl")), 1) << All();
    EXPECT_TRUE(error.isEmpty()) << All();
    EXPECT_TRUE(Warned("self.wrl:3: EXTERNPROTO \"self.wrl\" skipped: it includes itself")) << All();
    EXPECT_TRUE(Warned("skipped EXTERNPROTO Ball")) << All();
    EXPECT_TRUE(Warned("skipped unknown node Ball")) << All();

    // a declares a PROTO of b, b one of a: a's own read is open when b names it back.
    Write("a.wrl", kHeader + "EXTERNPROTO Ball [ ] \"b.wrl#Ball\"\n"
                             "PROTO Cube [ ] { Shape { geometry Box { } } }\n"
                             "Ball { }\n" + kRedBox);
    Write("b.wrl", kHeader + "EXTERNPROTO Cube [ ] [ \"./a.wrl#Cube\" \"a.wrl\" ]\n"
                             "PROTO Ball [ ] { Shape { geometry Sphere { } } }\n"
                             "Cube { }\n");
    EXPECT_EQ(Shapes(dir.filePath("a.wrl")), 2) << All();
    EXPECT_TRUE(Warned("b.wrl:3: EXTERNPROTO \"./a.wrl\" skipped: it includes itself")) << All();

    // Through the view too, which then draws it.
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(dir.filePath("self.wrl")), 1) << view.LastError().toStdString();
    ShowForTest(&view);
    const QImage image = Frame(&view);
    EXPECT_GT(image.pixelColor(image.width() / 2, image.height() / 2).red(), 200);
}

TEST_F(ExternProtoTest, PrototypesInOtherFilesResolveAgainstTheFileThatNamesThem) {
    // lib/shapes.wrl declares one of its own through a file beside it, not beside the world.
    Write("lib/shapes.wrl", kHeader + "EXTERNPROTO Plain [ ] \"plain.wrl\"\n"
                                      "PROTO Red [ field SFVec3f size 1 1 1 ] {\n"
                                      "  Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 0 0 } }\n"
                                      "          geometry Box { size IS size } } }\n");
    Write("lib/plain.wrl", kHeader + "PROTO Plain [ ] { Shape { geometry Sphere { } } }\n");
    Write("plain.wrl", kHeader + "this file must not be the one read\n");
    const QString world = Write("world.wrl", kHeader + "EXTERNPROTO Red [ field SFVec3f size ] \"lib/shapes.wrl#Red\"\n"
                                                       "Red { size 2 2 2 }\n"
                                                       "Transform { translation 4 0 0 children Red { } }\n");
    EXPECT_EQ(Shapes(world), 2) << All();
    EXPECT_TRUE(warnings.isEmpty()) << All();

    // A missing file, a file without that PROTO, no file at all: only their nodes go.
    const QString partly = Write("partly.wrl", kHeader + "EXTERNPROTO A [ ] \"missing.wrl#A\"\n"
                                                         "EXTERNPROTO B [ ] \"lib/shapes.wrl#Nothing\"\n"
                                                         "EXTERNPROTO C [ ] \"#C\"\n"
                                                         "A { } B { } C { }\n"
                                                         "EXTERNPROTO Red [ field SFVec3f size ] \"lib/shapes.wrl#Red\"\n"
                                                         "Red { }\n");
    EXPECT_EQ(Shapes(partly), 1) << All();
    EXPECT_TRUE(Warned("partly.wrl:3: EXTERNPROTO \"missing.wrl\" not loaded: no such file")) << All();
    EXPECT_TRUE(Warned("EXTERNPROTO \"lib/shapes.wrl#Nothing\": the file has no PROTO Nothing")) << All();
    EXPECT_TRUE(Warned("EXTERNPROTO \"#C\" names no file")) << All();
    EXPECT_TRUE(Warned("skipped EXTERNPROTO A:") && Warned("skipped EXTERNPROTO B:") && Warned("skipped EXTERNPROTO C:"))
        << All();

    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(world), 1) << view.LastError().toStdString();
    ShowForTest(&view);
    const QImage image = Frame(&view);
    EXPECT_GT(image.pixelColor(image.width() / 2, image.height() / 2).red(), 200);
}

TEST_F(ExternProtoTest, DeclarationsNestOnlyToTheInlineDepthLimit) {
    // p0 needs p1, which needs p2, ... far past the limit: reading stops there, nothing hangs.
    for (int i = 0; i < 30; ++i) {
        Write(QStringLiteral("p%1.wrl").arg(i),
              kHeader + QStringLiteral("EXTERNPROTO N%1 [ ] \"p%1.wrl#N%1\"\n").arg(i + 1).toUtf8() +
                  QStringLiteral("PROTO N%1 [ ] { Group { children [ N%2 { } Shape { geometry Box { } } ] } }\n")
                      .arg(i)
                      .arg(i + 1)
                      .toUtf8());
    }
    const QString world = Write("deep.wrl", kHeader + "EXTERNPROTO N0 [ ] \"p0.wrl#N0\"\nN0 { }\n" + kRedBox);
    const int shown = Shapes(world);
    EXPECT_GE(shown, 1) << All();
    EXPECT_TRUE(Warned("nested deeper than")) << All();
}

}  // namespace

namespace {

// Every library the process asked for by name since the last look.
std::vector<std::string>& RequestedLibraries() {
    static std::vector<std::string> names;
    return names;
}

}  // namespace

// Stands in front of the C library's dlopen for the whole test program (the scene library's calls
// come here too), noting each name before passing the call on.
extern "C" void* dlopen(const char* file, int mode) {
    using Real = void* (*)(const char*, int);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "dlopen"));
    if (file) RequestedLibraries().emplace_back(file);
    return real(file, mode);
}

namespace {

TEST_F(ExternProtoTest, UnknownNodeNamesNeverLoadALibraryOfThatName) {
    // The scene library would answer "probe { }" by loading libprobe.so into the client: any
    // library on the system, its start-up code run, named by whoever wrote the world.
    RequestedLibraries().clear();
    const QString path = Write("named.wrl", kHeader + "monekoprobe { }\n" + kRedBox);
    EXPECT_EQ(Shapes(path), 1) << All();
    EXPECT_TRUE(Warned("skipped unknown node monekoprobe")) << All();
    for (const std::string& name : RequestedLibraries())
        EXPECT_EQ(name.find("monekoprobe"), std::string::npos) << "asked for " << name;
}

}  // namespace
