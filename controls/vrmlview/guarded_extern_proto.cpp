#include "controls/vrmlview/guarded_extern_proto.h"

#include "controls/vrmlview/scene_load_context.h"
#include "controls/vrmlview/scene_loader.h"

#include <Inventor/SbString.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/misc/SoProto.h>
#include <Inventor/SoFullPath.h>

namespace {

// The PROTO named name among those the file declares; with no name, its only one.
SoProto* FindProto(SoNode* content, const QString& name) {
    SoSearchAction search;
    search.setType(SoProto::getClassTypeId());
    search.setSearchingAll(TRUE);
    search.setInterest(SoSearchAction::ALL);
    search.apply(content);
    const SoPathList& paths = search.getPaths();
    SoProto* found = nullptr;
    for (int i = 0; i < paths.getLength() && !found; ++i) {
        auto* proto = static_cast<SoProto*>(static_cast<SoFullPath*>(paths[i])->getTail());
        if (name.isEmpty() ? paths.getLength() == 1 : QString::fromUtf8(proto->getProtoName().getString()) == name) {
            found = proto;
        }
    }
    search.reset();
    return found;  // kept alive by the content, which the world's context holds
}

}  // namespace

void GuardedExternProto::Install() { SoProto::setFetchExternProtoCallback(&GuardedExternProto::Fetch, nullptr); }

SoProto* GuardedExternProto::Fetch(SoInput* in, const SbString* urls, int count, void*) {
    SceneLoadContext* context = SceneLoadContext::Current();
    if (!context) return nullptr;  // not while a world is read: nothing is read at all
    const int line = SceneLoadContext::LineOf(in);
    for (int i = 0; i < count; ++i) {
        const QString url = QString::fromUtf8(urls[i].getString()).trimmed();
        const int hash = url.indexOf(QLatin1Char('#'));
        const QString file = hash >= 0 ? url.left(hash) : url;
        const QString name = hash >= 0 ? url.mid(hash + 1) : QString();
        if (file.isEmpty()) {
            context->Warn(context->CurrentFile(), line, QStringLiteral("EXTERNPROTO \"%1\" names no file").arg(url));
            continue;
        }
        SoNode* content = SceneLoader::LoadInline(file, line, QStringLiteral("EXTERNPROTO"));
        if (!content) continue;
        if (SoProto* proto = FindProto(content, name)) return proto;
        context->Warn(context->CurrentFile(), line,
                      QStringLiteral("EXTERNPROTO \"%1\": the file has no PROTO %2").arg(url, name));
    }
    // Names the declaration for the loader, which then cuts it out (see SceneRepair): the
    // library's own error that follows says only where its reading stopped.
    if (count > 0) SoReadError::post(in, "EXTERNPROTO url \"%s\" could not be read", urls[0].getString());
    return nullptr;
}
