#include "controls/vrmlview/avatar_lod.h"

#include "controls/vrmlview/node_search.h"

#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/SbBox.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/VRMLnodes/SoVRMLBillboard.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLTimeSensor.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/elements/SoComplexityElement.h>
#include <Inventor/engines/SoNodeEngine.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoFaceSet.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoMaterialBinding.h>
#include <Inventor/nodes/SoMatrixTransform.h>
#include <Inventor/nodes/SoNormal.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoTransform.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// A shape this large (metres, its longest side) is divided at the drawing's complexity, smaller
// ones more coarsely (with the square root of their size: an eye a tenth of the body still
// gets a third of its facets), down to the least that still reads as round. Eyes and noses
// need not get as many facets as a body.
constexpr float kFullSizeShape = 0.8f;
constexpr float kLeastComplexity = 0.2f;

bool IsJoint(SoNode* node) {
    if (!node->isOfType(SoVRMLTransform::getClassTypeId())) return false;
    auto* t = static_cast<SoVRMLTransform*>(node);
    return t->translation.isConnected() || t->rotation.isConnected() || t->scale.isConnected() ||
           t->center.isConnected() || t->scaleOrientation.isConnected();
}

// Nodes whose fields animations may drive without changing what is drawn.
bool IsAnimationMachinery(SoNode* node) {
    return node->isOfType(SoVRMLTimeSensor::getClassTypeId()) || node->isOfType(SoNodeEngine::getClassTypeId());
}

struct Walk {
    const std::vector<SoNode*>* joints = nullptr;
    SoNode* current = nullptr;
    std::vector<std::pair<SoNode*, SbMatrix>> found;  // joints met below, with their parent's frame
    std::vector<SbVec3f> points, normals;
    std::vector<SbColor> colors;
    std::vector<float> alphas;
    float transparency = 0;
    float complexity = 0.5f;
    // Mean colour of each texture image met, by its pixels' address.
    std::map<const unsigned char*, SbColor> means;
};

SbColor MeanColour(const unsigned char* pixels, const SbVec2s& size, int components) {
    double sum[3] = {0, 0, 0};
    const int n = std::max(0, size[0] * size[1]);
    for (int i = 0; i < n; ++i) {
        const unsigned char* p = pixels + i * components;
        for (int c = 0; c < 3; ++c) sum[c] += components >= 3 ? p[c] : p[0];
    }
    if (n == 0) return SbColor(1, 1, 1);
    return SbColor(static_cast<float>(sum[0] / n / 255), static_cast<float>(sum[1] / n / 255),
                   static_cast<float>(sum[2] / n / 255));
}

SoCallbackAction::Response AtTransform(void* data, SoCallbackAction* action, const SoNode* node) {
    auto* walk = static_cast<Walk*>(data);
    auto* n = const_cast<SoNode*>(node);
    if (n != walk->current && std::find(walk->joints->begin(), walk->joints->end(), n) != walk->joints->end()) {
        walk->found.emplace_back(n, action->getModelMatrix());
        return SoCallbackAction::PRUNE;  // its shapes go into a mesh of its own
    }
    return SoCallbackAction::CONTINUE;
}

SoCallbackAction::Response AtShape(void* data, SoCallbackAction* action, const SoNode* node) {
    auto* walk = static_cast<Walk*>(data);
    SoGetBoundingBoxAction measure(SbViewportRegion(100, 100));
    measure.apply(const_cast<SoNode*>(node));
    SbBox3f box = measure.getBoundingBox();
    if (box.isEmpty()) return SoCallbackAction::CONTINUE;
    box.transform(action->getModelMatrix());
    float x = 0, y = 0, z = 0;
    box.getSize(x, y, z);
    const float share = std::sqrt(std::max({x, y, z}) / kFullSizeShape);
    const float complexity = std::clamp(walk->complexity * share, std::min(kLeastComplexity, walk->complexity),
                                        walk->complexity);
    SoComplexityElement::set(action->getState(), complexity);
    return SoCallbackAction::CONTINUE;
}

void AtTriangle(void* data, SoCallbackAction* action, const SoPrimitiveVertex* a, const SoPrimitiveVertex* b,
                const SoPrimitiveVertex* c) {
    auto* walk = static_cast<Walk*>(data);
    const SbMatrix& m = action->getModelMatrix();
    const SbMatrix turn = m.inverse().transpose();
    SbVec2s size;
    int components = 0;
    const unsigned char* image = action->getTextureImage(size, components);
    bool textured = image && components > 0 && size[0] > 0 && size[1] > 0;
    SbColor texture(1, 1, 1);
    if (textured) {
        auto it = walk->means.find(image);
        if (it == walk->means.end()) it = walk->means.emplace(image, MeanColour(image, size, components)).first;
        texture = it->second;
    }
    for (const SoPrimitiveVertex* v : {a, b, c}) {
        SbColor ambient, diffuse, specular, emissive;
        float shininess = 0, transparency = 0;
        action->getMaterial(ambient, diffuse, specular, emissive, shininess, transparency, v->getMaterialIndex());
        // A colour texture takes the place of the diffuse colour; a grey one scales it.
        const SbColor colour = !textured ? diffuse : components >= 3 ? texture : diffuse * texture[0];
        SbVec3f point, normal;
        m.multVecMatrix(v->getPoint(), point);
        turn.multDirMatrix(v->getNormal(), normal);
        if (normal.normalize() == 0.0f) normal.setValue(0, 1, 0);
        walk->points.push_back(point);
        walk->normals.push_back(normal);
        walk->colors.push_back(colour);
        walk->alphas.push_back(std::max(transparency, walk->transparency));
    }
}

}  // namespace

bool AvatarLod::Supports(SoNode* model) {
    if (!model) return false;
    if (!FindAllNodes<SoVRMLBillboard>(model).empty()) return false;
    std::vector<SbName> names;
    for (SoNode* node : FindAllNodes<SoNode>(model)) {
        if (IsAnimationMachinery(node)) continue;
        if (IsJoint(node)) {
            // Each avatar finds its own joint by name: the name must say which one.
            if (node->getName() == SbName::empty()) return false;
            if (std::find(names.begin(), names.end(), node->getName()) != names.end()) return false;
            names.push_back(node->getName());
            continue;
        }
        SoFieldList fields;
        node->getFields(fields);
        for (int i = 0; i < fields.getLength(); ++i)
            if (fields[i]->isConnected()) return false;  // colours, switches or points that change
    }
    return true;
}

AvatarLod::AvatarLod(SoNode* model, float complexity, float transparency, bool rigid) : rigid_(rigid) {
    if (!Supports(model)) return;
    for (SoNode* node : FindAllNodes<SoNode>(model))
        if (IsJoint(node) && !rigid) joints_.push_back(node);
    Part fixed;
    parts_.push_back(fixed);
    Collect(model, 0, complexity, transparency);
    // The walk found the joints below each part; each becomes a part of its own in turn.
    joints_.clear();
}

AvatarLod::~AvatarLod() {
    for (Part& part : parts_)
        if (part.mesh) part.mesh->unref();
}

void AvatarLod::Collect(SoNode* under, int part, float complexity, float transparency) {
    Walk walk;
    walk.joints = &joints_;
    walk.current = under;
    walk.transparency = transparency;
    walk.complexity = complexity;
    auto* scope = new SoGroup;
    scope->ref();
    auto* detail = new SoComplexity;
    detail->value = complexity;
    scope->addChild(detail);
    // A joint's own transform is the avatar's to apply: collect its children in its frame.
    if (under->isOfType(SoVRMLTransform::getClassTypeId())) {
        auto* joint = static_cast<SoVRMLTransform*>(under);
        for (int i = 0; i < joint->getNumChildren(); ++i) scope->addChild(joint->getChild(i));
    } else {
        scope->addChild(under);
    }
    SoCallbackAction action;
    action.addPreCallback(SoVRMLTransform::getClassTypeId(), &AtTransform, &walk);
    action.addPreCallback(SoVRMLShape::getClassTypeId(), &AtShape, &walk);
    action.addTriangleCallback(SoNode::getClassTypeId(), &AtTriangle, &walk);
    action.apply(scope);
    scope->unref();

    auto* mesh = new SoSeparator;
    mesh->ref();
    // No cached list: one list shared by figures drawn after different ones was found stale
    // again and again and compiled every frame; drawn from its arrays it is cheaper.
    mesh->renderCaching = SoSeparator::OFF;
    const int n = static_cast<int>(walk.points.size());
    if (n > 0) {
        auto* hints = new SoShapeHints;
        hints->vertexOrdering = SoShapeHints::COUNTERCLOCKWISE;
        hints->shapeType = SoShapeHints::SOLID;
        mesh->addChild(hints);
        auto* material = new SoMaterial;
        material->diffuseColor.setValues(0, n, walk.colors.data());
        material->transparency.setValues(0, n, walk.alphas.data());
        mesh->addChild(material);
        auto* materialBinding = new SoMaterialBinding;
        materialBinding->value = SoMaterialBinding::PER_VERTEX;
        mesh->addChild(materialBinding);
        auto* normals = new SoNormal;
        normals->vector.setValues(0, n, walk.normals.data());
        mesh->addChild(normals);
        auto* normalBinding = new SoNormalBinding;
        normalBinding->value = SoNormalBinding::PER_VERTEX;
        mesh->addChild(normalBinding);
        auto* coords = new SoCoordinate3;
        coords->point.setValues(0, n, walk.points.data());
        mesh->addChild(coords);
        auto* faces = new SoFaceSet;
        std::vector<int32_t> threes(n / 3, 3);
        faces->numVertices.setValues(0, static_cast<int>(threes.size()), threes.data());
        mesh->addChild(faces);
    }
    parts_[part].mesh = mesh;
    triangles_ += n / 3;

    for (auto& [joint, frame] : walk.found) {
        Part child;
        child.joint = joint->getName();
        child.parent = part;
        child.offset = frame;
        parts_.push_back(child);
        Collect(joint, static_cast<int>(parts_.size()) - 1, complexity, transparency);
    }
}

SoSeparator* AvatarLod::Instantiate(SoNode* ownModel) const {
    if (!Valid() || !ownModel) return nullptr;
    if (rigid_) return parts_[0].mesh;
    const std::vector<SoVRMLTransform*> ownJoints = FindAllNodes<SoVRMLTransform>(ownModel);
    std::vector<SoGroup*> frames(parts_.size(), nullptr);
    auto* root = new SoSeparator;
    frames[0] = root;
    root->addChild(parts_[0].mesh);
    for (size_t i = 1; i < parts_.size(); ++i) {
        const Part& part = parts_[i];
        auto* frame = new SoSeparator;
        if (part.offset != SbMatrix::identity()) {
            auto* offset = new SoMatrixTransform;
            offset->matrix = part.offset;
            frame->addChild(offset);
        }
        auto* joint = new SoTransform;
        auto found = std::find_if(ownJoints.begin(), ownJoints.end(),
                                  [&](SoVRMLTransform* t) { return t->getName() == part.joint; });
        if (found != ownJoints.end()) {
            SoVRMLTransform* own = *found;
            joint->translation.connectFrom(&own->translation);
            joint->rotation.connectFrom(&own->rotation);
            joint->scaleFactor.connectFrom(&own->scale);
            joint->scaleOrientation.connectFrom(&own->scaleOrientation);
            joint->center.connectFrom(&own->center);
        }
        frame->addChild(joint);
        frame->addChild(part.mesh);
        frames[i] = frame;
        frames[part.parent]->addChild(frame);
    }
    return root;
}
