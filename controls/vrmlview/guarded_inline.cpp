#include "controls/vrmlview/guarded_inline.h"

#include "controls/vrmlview/guarded_extern_proto.h"
#include "controls/vrmlview/scene_load_context.h"
#include "controls/vrmlview/scene_loader.h"

#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoWWWInline.h>

namespace {

// The first of the addresses that loads, or null; every failure is a warning of the world.
SoNode* LoadFirst(const QStringList& addresses, int line) {
    SceneLoadContext* context = SceneLoadContext::Current();
    if (!context) return nullptr;  // not while a world is read: nothing to resolve against
    for (const QString& address : addresses) {
        if (SoNode* content = SceneLoader::LoadInline(address, line)) return content;
    }
    return nullptr;
}

void FetchWwwInline(const SbString& url, void*, SoWWWInline* node) {
    if (SoNode* content = LoadFirst({QString::fromUtf8(url.getString())}, 0)) node->setChildData(content);
}

}  // namespace

void GuardedInline::Install() {
    SoType::overrideType(SoVRMLInline::getClassTypeId(), &GuardedInline::Create);
    SoWWWInline::setFetchURLCallBack(&FetchWwwInline, nullptr);
    GuardedExternProto::Install();
}

void* GuardedInline::Create() { return new GuardedInline; }

SbBool GuardedInline::readInstance(SoInput* in, unsigned short flags) {
    const int line = SceneLoadContext::LineOf(in);
    reading_ = true;
    const SbBool ok = SoNode::readInstance(in, flags);
    reading_ = false;
    if (!ok) return ok;
    QStringList addresses;
    for (int i = 0; i < url.getNum(); ++i) addresses.append(QString::fromUtf8(url[i].getString()));
    if (SoNode* content = LoadFirst(addresses, line)) setChildData(content);
    return ok;
}

SbBool GuardedInline::readLocalFile(SoInput*) { return FALSE; }
