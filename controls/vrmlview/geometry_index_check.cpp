#include "controls/vrmlview/geometry_index_check.h"

#include <Inventor/VRMLnodes/SoVRMLColor.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLElevationGrid.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedLine.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedShape.h>
#include <Inventor/VRMLnodes/SoVRMLNormal.h>
#include <Inventor/VRMLnodes/SoVRMLTextureCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLVertexPoint.h>

#include <algorithm>

namespace {

// Entries in an attribute node's list; 0 for none.
int Entries(SoNode* node) {
    if (!node) return 0;
    if (node->isOfType(SoVRMLCoordinate::getClassTypeId())) return static_cast<SoVRMLCoordinate*>(node)->point.getNum();
    if (node->isOfType(SoVRMLColor::getClassTypeId())) return static_cast<SoVRMLColor*>(node)->color.getNum();
    if (node->isOfType(SoVRMLNormal::getClassTypeId())) return static_cast<SoVRMLNormal*>(node)->vector.getNum();
    if (node->isOfType(SoVRMLTextureCoordinate::getClassTypeId())) {
        return static_cast<SoVRMLTextureCoordinate*>(node)->point.getNum();
    }
    return 0;
}

// Every index is -1 (end of a face or line) or names an entry of a list of size entries.
bool Within(const SoMFInt32& indices, int entries) {
    const int32_t* values = indices.getValues(0);
    for (int i = 0; i < indices.getNum(); ++i) {
        if (values[i] < -1 || values[i] >= entries) return false;
    }
    return true;
}

// Faces (or polylines) an index list describes.
int Parts(const SoMFInt32& indices) {
    int parts = 0;
    bool open = false;
    for (int i = 0; i < indices.getNum(); ++i) {
        if (indices[i] == -1) {
            parts += open ? 1 : 0;
            open = false;
        } else {
            open = true;
        }
    }
    return parts + (open ? 1 : 0);
}

// Whether an attribute list with its own index list covers a shape, per vertex or per part.
bool Covers(SoNode* attribute, const SoMFInt32& own, const SoMFInt32& coordIndex, bool perVertex) {
    const int entries = Entries(attribute);
    if (own.getNum() > 0) {
        if (!Within(own, entries)) return false;
        return own.getNum() >= (perVertex ? coordIndex.getNum() : Parts(coordIndex));
    }
    return perVertex ? Within(coordIndex, entries) : entries >= Parts(coordIndex);
}

void Drop(SoSFNode& field, const char* what, const char* shape, QStringList* fixes) {
    if (!field.getValue()) return;
    field.setValue(nullptr);
    fixes->append(QStringLiteral("dropped the %1 of an %2 that does not cover it").arg(what, shape));
}

}  // namespace

void GeometryIndexCheck::Apply(SoNode* node, QStringList* fixes) {
    if (node->isOfType(SoVRMLIndexedShape::getClassTypeId())) {
        auto* shape = static_cast<SoVRMLIndexedShape*>(node);
        const char* name = node->getTypeId().getName().getString() + 4;
        if (!Within(shape->coordIndex, Entries(shape->coord.getValue()))) {
            shape->coordIndex.setNum(0);
            fixes->append(QStringLiteral("an %1 indexes past its coordinates; not drawn").arg(name));
        }
        if (shape->color.getValue() &&
            !Covers(shape->color.getValue(), shape->colorIndex, shape->coordIndex, shape->colorPerVertex.getValue())) {
            Drop(shape->color, "colours", name, fixes);
        }
        if (shape->normal.getValue() &&
            !Covers(shape->normal.getValue(), shape->normalIndex, shape->coordIndex, shape->normalPerVertex.getValue())) {
            Drop(shape->normal, "normals", name, fixes);
        }
        if (shape->texCoord.getValue() &&
            !Covers(shape->texCoord.getValue(), shape->texCoordIndex, shape->coordIndex, true)) {
            Drop(shape->texCoord, "texture coordinates", name, fixes);
        }
    } else if (node->isOfType(SoVRMLIndexedLine::getClassTypeId())) {
        auto* line = static_cast<SoVRMLIndexedLine*>(node);
        if (!Within(line->coordIndex, Entries(line->coord.getValue()))) {
            line->coordIndex.setNum(0);
            fixes->append(QStringLiteral("an IndexedLineSet indexes past its coordinates; not drawn"));
        }
        if (line->color.getValue() &&
            !Covers(line->color.getValue(), line->colorIndex, line->coordIndex, line->colorPerVertex.getValue())) {
            Drop(line->color, "colours", "IndexedLineSet", fixes);
        }
    } else if (node->isOfType(SoVRMLVertexPoint::getClassTypeId())) {
        auto* points = static_cast<SoVRMLVertexPoint*>(node);
        if (points->color.getValue() && Entries(points->color.getValue()) < Entries(points->coord.getValue())) {
            Drop(points->color, "colours", "PointSet", fixes);
        }
    } else if (node->isOfType(SoVRMLElevationGrid::getClassTypeId())) {
        auto* grid = static_cast<SoVRMLElevationGrid*>(node);
        const int64_t x = std::max(0, grid->xDimension.getValue()), z = std::max(0, grid->zDimension.getValue());
        const int64_t vertices = x * z, cells = std::max<int64_t>(0, x - 1) * std::max<int64_t>(0, z - 1);
        if (grid->xDimension.getValue() < 0 || grid->zDimension.getValue() < 0 || grid->height.getNum() < vertices) {
            grid->xDimension = 0;
            grid->zDimension = 0;
            fixes->append(QStringLiteral("an ElevationGrid has fewer heights than its size; not drawn"));
            return;
        }
        if (grid->color.getValue() && Entries(grid->color.getValue()) < (grid->colorPerVertex.getValue() ? vertices : cells)) {
            Drop(grid->color, "colours", "ElevationGrid", fixes);
        }
        if (grid->normal.getValue() &&
            Entries(grid->normal.getValue()) < (grid->normalPerVertex.getValue() ? vertices : cells)) {
            Drop(grid->normal, "normals", "ElevationGrid", fixes);
        }
        if (grid->texCoord.getValue() && Entries(grid->texCoord.getValue()) < vertices) {
            Drop(grid->texCoord, "texture coordinates", "ElevationGrid", fixes);
        }
    }
}
