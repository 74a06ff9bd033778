// Scene loader on arbitrary bytes, read as a world file that sits beside two files which
// include it back (one VRML97, one VRML 1.0), then walked the way drawing walks it: nothing
// may crash, hang or read out of bounds, whatever the world says.
#include "controls/vrmlview/scene_load_context.h"
#include "controls/vrmlview/scene_loader.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInteraction.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/nodekits/SoNodeKit.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

// The scene library keeps per-type and per-name tables for the life of the process by design;
// those are not leaks of one input, so leak checking is left to the unit tests.
// A small quarantine: the library gives every buffer it reads a 128 KB block, and the default
// quarantine of 256 MB kept hundreds of them mapped, for no use-after-free this target could see.
extern "C" const char* __asan_default_options() { return "detect_leaks=0:quarantine_size_mb=32"; }

namespace {

QTemporaryDir* folder = nullptr;

void Silent(const SoError*, void*) {}

void WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(folder->filePath(name));
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

void Triangle(void* data, SoCallbackAction*, const SoPrimitiveVertex* a, const SoPrimitiveVertex* b,
              const SoPrimitiveVertex* c) {
    *static_cast<float*>(data) += a->getPoint()[0] + b->getPoint()[1] + c->getPoint()[2];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("COIN_NO_SOTYPE_DYNLOAD", "1");  // as the client sets it: no library named by a world
    SoDB::init();
    SoNodeKit::init();
    SoInteraction::init();
    SoDebugError::setHandlerCallback(&Silent, nullptr);
    SoReadError::setHandlerCallback(&Silent, nullptr);
    folder = new QTemporaryDir;
    WriteFile("b.wrl", "#VRML V2.0 utf8\nInline { url \"a.wrl\" }\nShape { geometry Box { } }\n");
    WriteFile("c.wrl", "#VRML V1.0 ascii\nSeparator { WWWInline { name \"a.wrl\" } Cube { } }\n");
    SceneLoadContext::Limits& limits = SceneLoadContext::Defaults();
    limits.allowWeb = false;  // no network from a fuzzer
    limits.budgetMs = 2000;
    limits.maxNodes = 200000;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Read as a.wrl of the folder; it need not exist on disk for its own Inlines to find it open.
    QString error;
    SoSeparator* root = SceneLoader::Read(QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)),
                                          folder->filePath("a.wrl"), &error);
    if (!root) return 0;
    SoGetBoundingBoxAction box(SbViewportRegion(64, 64));
    box.apply(root);
    float sum = 0;
    SoCallbackAction walk(SbViewportRegion(64, 64));
    walk.addTriangleCallback(SoNode::getClassTypeId(), &Triangle, &sum);
    walk.apply(root);
    root->unref();
    return 0;
}
