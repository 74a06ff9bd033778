#include "controls/vrmlview/avatar_model_cache.h"

#include "controls/vrmlview/node_search.h"
#include "controls/vrmlview/scene_loader.h"

#include <Inventor/SbBox.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/nodes/SoCone.h>
#include <Inventor/nodes/SoCylinder.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoRotation.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoTranslation.h>

#include <QFileInfo>

#include <cmath>

namespace {

// How finely the lighter drawings divide their largest round shapes, by level (smaller shapes
// more coarsely, see AvatarLod). From 4 m a figure is at most about 170 pixels tall in the default
// view: the first level's 0.35 (about 750 triangles a figure, 1,300 at the full figure's 0.5)
// does not show; below 0.2 the second level's figures, 8-14 m away, look faceted.
constexpr float kLighterComplexity[AvatarModelCache::kLighterLevels] = {0.35f, 0.2f, 0.15f};

float TopOf(SoNode* node) {
    SoGetBoundingBoxAction box(SbViewportRegion(100, 100));
    box.apply(node);
    SbBox3f bounds = box.getBoundingBox();
    if (bounds.isEmpty()) return 1.8f;
    float top = bounds.getMax()[1];
    return (top > 0.1f && top < 100.0f) ? top : 1.8f;
}

// A plain grey figure: body, head and a nose cone showing which way it faces.
SoSeparator* BuildStandIn() {
    auto* root = new SoSeparator;
    auto* material = new SoMaterial;
    material->diffuseColor.setValue(0.6f, 0.6f, 0.65f);
    root->addChild(material);
    auto* bodyAt = new SoTranslation;
    bodyAt->translation.setValue(0, 0.75f, 0);
    auto* body = new SoCylinder;
    body->radius = 0.25f;
    body->height = 1.5f;
    root->addChild(bodyAt);
    root->addChild(body);
    auto* headAt = new SoTranslation;
    headAt->translation.setValue(0, 0.95f, 0);
    auto* head = new SoSphere;
    head->radius = 0.2f;
    root->addChild(headAt);
    root->addChild(head);
    auto* noseAt = new SoTranslation;
    noseAt->translation.setValue(0, 0, 0.2f);  // made facing +z like the other models
    auto* noseTurn = new SoRotation;
    noseTurn->rotation = SbRotation(SbVec3f(1, 0, 0), static_cast<float>(M_PI / 2));
    auto* nose = new SoCone;
    nose->bottomRadius = 0.06f;
    nose->height = 0.15f;
    root->addChild(noseAt);
    root->addChild(noseTurn);
    root->addChild(nose);
    return root;
}

}  // namespace

AvatarModelCache::~AvatarModelCache() {
    for (Entry& entry : models_) {
        if (entry.model) entry.model->unref();
    }
    if (standIn_) standIn_->unref();
}

AvatarModelCache::Entry& AvatarModelCache::Lookup(const QString& path) {
    QString key = SceneLoader::LocalPath(path);
    if (!key.isEmpty()) key = QFileInfo(key).absoluteFilePath();
    else key = path;
    auto it = models_.find(key);
    if (it != models_.end()) return *it;
    Entry entry;
    QString error;
    ++parses_;
    entry.model = SceneLoader::Load(path, &error);
    if (entry.model) entry.height = TopOf(entry.model);
    return *models_.insert(key, entry);
}

SoSeparator* AvatarModelCache::Instantiate(const QString& path) {
    Entry& entry = Lookup(path);
    if (!entry.model) return nullptr;
    // Textures are shared, not copied: a copied one would fetch its picture again by a name
    // relative to the model's folder, which nothing resolves any more once the model is read,
    // and a crowd would hold one decoded picture per figure. No avatar changes its texture.
    const std::vector<SoVRMLAppearance*> looks = FindAllNodes<SoVRMLAppearance>(entry.model);
    std::vector<SoNode*> textures;
    for (SoVRMLAppearance* look : looks) {
        SoNode* texture = look->texture.getValue();
        if (texture) texture->ref();
        textures.push_back(texture);
        look->texture = nullptr;
    }
    auto* copy = static_cast<SoSeparator*>(entry.model->copy(TRUE));
    copy->ref();  // a search would otherwise free the unreferenced copy when done
    const std::vector<SoVRMLAppearance*> copied = FindAllNodes<SoVRMLAppearance>(copy);
    for (size_t i = 0; i < looks.size(); ++i) {
        looks[i]->texture = textures[i];
        if (copied.size() == looks.size()) copied[i]->texture = textures[i];
        if (textures[i]) textures[i]->unref();
    }
    copy->unrefNoDelete();
    return copy;
}

const AvatarLod* AvatarModelCache::Lighter(const QString& path, int level, bool ghost, bool rigid) {
    if (path.isEmpty() || level < 1 || level > kLighterLevels) return nullptr;
    Entry& entry = Lookup(path);
    if (!entry.model) return nullptr;
    std::shared_ptr<AvatarLod>& lod = entry.lighter[ghost ? 1 : 0][rigid ? 1 : 0][level - 1];
    if (!lod) {
        lod = std::make_shared<AvatarLod>(entry.model, kLighterComplexity[level - 1],
                                          ghost ? AvatarLod::kGhostTransparency : 0.0f, rigid);
    }
    return lod->Valid() ? lod.get() : nullptr;
}

SoSeparator* AvatarModelCache::InstantiateStandIn() {
    if (!standIn_) {
        standIn_ = BuildStandIn();
        standIn_->ref();
    }
    return static_cast<SoSeparator*>(standIn_->copy(TRUE));
}

float AvatarModelCache::Height(const QString& path) {
    if (path.isEmpty()) return 1.8f;
    return Lookup(path).height;
}
