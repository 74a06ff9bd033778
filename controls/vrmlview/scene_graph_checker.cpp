#include "controls/vrmlview/scene_graph_checker.h"

#include "controls/vrmlview/geometry_index_check.h"
#include "controls/vrmlview/scene_load_context.h"

#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLAudioClip.h>
#include <Inventor/VRMLnodes/SoVRMLColor.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLFontStyle.h>
#include <Inventor/VRMLnodes/SoVRMLGeometry.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLMovieTexture.h>
#include <Inventor/VRMLnodes/SoVRMLNormal.h>
#include <Inventor/VRMLnodes/SoVRMLScript.h>
#include <Inventor/VRMLnodes/SoVRMLTexture.h>
#include <Inventor/VRMLnodes/SoVRMLTextureCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLTextureTransform.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoSFNode.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/misc/SoChildList.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoWWWInline.h>

#include <algorithm>
#include <cstring>

namespace {

bool Is(SoNode* node, SoType type) { return node->isOfType(type); }

// Nodes that only ever describe another node; never a child of a grouping node.
bool IsAttribute(SoNode* node) {
    return Is(node, SoVRMLAppearance::getClassTypeId()) || Is(node, SoVRMLMaterial::getClassTypeId()) ||
           Is(node, SoVRMLTexture::getClassTypeId()) || Is(node, SoVRMLTextureTransform::getClassTypeId()) ||
           Is(node, SoVRMLGeometry::getClassTypeId()) || Is(node, SoVRMLFontStyle::getClassTypeId()) ||
           Is(node, SoVRMLCoordinate::getClassTypeId()) || Is(node, SoVRMLColor::getClassTypeId()) ||
           Is(node, SoVRMLNormal::getClassTypeId()) || Is(node, SoVRMLTextureCoordinate::getClassTypeId()) ||
           Is(node, SoVRMLAudioClip::getClassTypeId());
}

bool IsVrml97(SoNode* node) { return std::strncmp(node->getTypeId().getName().getString(), "VRML", 4) == 0; }

QString TypeName(SoNode* node) {
    QString name = QString::fromLatin1(node->getTypeId().getName().getString());
    return name.startsWith(QLatin1String("VRML")) ? name.mid(4) : name;
}

}  // namespace

SceneGraphChecker::SceneGraphChecker(SceneLoadContext* context, QString file)
    : context_(context), file_(std::move(file)) {}

bool SceneGraphChecker::Fits(const char* field, SoNode* child) {
    struct Rule {
        const char* field;
        SoType (*type)();
    };
    static const Rule rules[] = {
        {"appearance", &SoVRMLAppearance::getClassTypeId},
        {"material", &SoVRMLMaterial::getClassTypeId},
        {"texture", &SoVRMLTexture::getClassTypeId},
        {"textureTransform", &SoVRMLTextureTransform::getClassTypeId},
        {"geometry", &SoVRMLGeometry::getClassTypeId},
        {"fontStyle", &SoVRMLFontStyle::getClassTypeId},
        {"coord", &SoVRMLCoordinate::getClassTypeId},
        {"color", &SoVRMLColor::getClassTypeId},
        {"normal", &SoVRMLNormal::getClassTypeId},
        {"texCoord", &SoVRMLTextureCoordinate::getClassTypeId},
    };
    for (const Rule& rule : rules) {
        if (std::strcmp(field, rule.field) == 0) return child->isOfType(rule.type());
    }
    if (std::strcmp(field, "source") == 0) {
        return Is(child, SoVRMLAudioClip::getClassTypeId()) || Is(child, SoVRMLMovieTexture::getClassTypeId());
    }
    // children, level, choice, proxy and any other node field hold ordinary children.
    return !IsAttribute(child);
}

bool SceneGraphChecker::Check(SoNode* root) {
    if (!root) return true;
    Visit(root, 0);
    if (context_ && !context_->AddNodes(Nodes())) tooMany_ = true;
    return !tooMany_;
}

bool SceneGraphChecker::Visit(SoNode* node, int depth) {
    if (path_.contains(node)) {
        if (context_) context_->Warn(file_, 0, QStringLiteral("removed a %1 that contains itself").arg(TypeName(node)));
        return false;
    }
    const int maxDepth = context_ ? context_->Limit().maxNesting : 256;
    if (depth + height_.value(node, 1) > maxDepth) {
        if (context_) context_->Warn(file_, 0, QStringLiteral("removed nodes nested deeper than %1").arg(maxDepth));
        return false;
    }
    if (seen_.contains(node)) return true;
    seen_.insert(node);
    if (context_ && seen_.size() > context_->Limit().maxNodes) {
        tooMany_ = true;
        return true;
    }
    // An Inline's content was checked when it was read; a Script's node fields are its own data.
    if (Is(node, SoVRMLInline::getClassTypeId()) || Is(node, SoWWWInline::getClassTypeId()) ||
        Is(node, SoVRMLScript::getClassTypeId())) {
        return true;
    }
    path_.insert(node);
    int below = 0;
    if (IsVrml97(node)) {
        SoFieldList fields;
        node->getFields(fields);
        for (int i = 0; i < fields.getLength(); ++i) {
            SoField* field = fields[i];
            SbName name;
            node->getFieldName(field, name);
            auto reject = [&](SoNode* child) {
                if (!Fits(name.getString(), child)) {
                    if (context_) {
                        context_->Warn(file_, 0, QStringLiteral("removed a %1 from field %2 of %3")
                                                     .arg(TypeName(child), QString::fromLatin1(name.getString()),
                                                          TypeName(node)));
                    }
                    return true;
                }
                if (!Visit(child, depth + 1)) return true;
                below = std::max(below, height_.value(child, 1));
                return false;
            };
            if (field->isOfType(SoSFNode::getClassTypeId())) {
                auto* single = static_cast<SoSFNode*>(field);
                if (SoNode* child = single->getValue(); child && reject(child)) single->setValue(nullptr);
            } else if (field->isOfType(SoMFNode::getClassTypeId())) {
                auto* many = static_cast<SoMFNode*>(field);
                for (int k = 0; k < many->getNum();) {
                    SoNode* child = (*many)[k];
                    if (child && reject(child)) many->deleteValues(k, 1);
                    else ++k;
                }
            }
        }
    } else if (Is(node, SoGroup::getClassTypeId())) {
        auto* group = static_cast<SoGroup*>(node);
        for (int k = 0; k < group->getNumChildren();) {
            SoNode* child = group->getChild(k);
            if (!Visit(child, depth + 1)) {
                group->removeChild(k);
            } else {
                below = std::max(below, height_.value(child, 1));
                ++k;
            }
        }
    }
    if (IsVrml97(node)) {
        // After the fields above, so index lists are checked against the attribute nodes kept.
        QStringList fixes;
        GeometryIndexCheck::Apply(node, &fixes);
        for (const QString& fix : fixes) {
            if (context_) context_->Warn(file_, 0, fix);
        }
    }
    path_.remove(node);
    height_.insert(node, below + 1);
    return true;
}
