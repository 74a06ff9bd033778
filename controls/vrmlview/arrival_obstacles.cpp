#include "controls/vrmlview/arrival_obstacles.h"

#include <Inventor/SbMatrix.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/VRMLnodes/SoVRMLCollision.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoShape.h>

#include <algorithm>
#include <cmath>

namespace {

SbVec3f Axis(int i) {
    SbVec3f axis(0, 0, 0);
    axis[i] = 1;
    return axis;
}

// Separating-axis test of a triangle against an axis-aligned box: the box's three axes, the
// triangle's normal, and the nine crossings of box axes with triangle edges.
bool TriangleMeetsBox(const SbVec3f& centre, const SbVec3f& half, SbVec3f v0, SbVec3f v1, SbVec3f v2) {
    v0 -= centre;
    v1 -= centre;
    v2 -= centre;
    auto separated = [&](const SbVec3f& axis) {
        const float p0 = axis.dot(v0), p1 = axis.dot(v1), p2 = axis.dot(v2);
        const float r = half[0] * std::fabs(axis[0]) + half[1] * std::fabs(axis[1]) + half[2] * std::fabs(axis[2]);
        return std::min({p0, p1, p2}) > r || std::max({p0, p1, p2}) < -r;
    };
    for (int i = 0; i < 3; ++i)
        if (separated(Axis(i))) return false;
    const SbVec3f edges[3] = {v1 - v0, v2 - v1, v0 - v2};
    if (separated(edges[0].cross(edges[1]))) return false;
    for (const SbVec3f& edge : edges)
        for (int i = 0; i < 3; ++i) {
            const SbVec3f axis = Axis(i).cross(edge);
            if (axis.sqrLength() > 1e-12f && separated(axis)) return false;
        }
    return true;
}

// Whether the segment p..q passes through the triangle (Möller and Trumbore's test).
bool SegmentMeetsTriangle(const SbVec3f& p, const SbVec3f& q, const SbVec3f& a, const SbVec3f& b, const SbVec3f& c) {
    const SbVec3f d = q - p;
    const SbVec3f e1 = b - a, e2 = c - a;
    const SbVec3f h = d.cross(e2);
    const float det = e1.dot(h);
    if (std::fabs(det) < 1e-9f) return false;  // parallel to the triangle's plane
    const float inverse = 1.0f / det;
    const SbVec3f s = p - a;
    const float u = inverse * s.dot(h);
    if (u < 0 || u > 1) return false;
    const SbVec3f k = s.cross(e1);
    const float v = inverse * d.dot(k);
    if (v < 0 || u + v > 1) return false;
    const float t = inverse * e2.dot(k);
    return t >= 0 && t <= 1;
}

SoCallbackAction::Response SkipNonColliding(void*, SoCallbackAction*, const SoNode* node) {
    const auto* collision = static_cast<const SoVRMLCollision*>(node);
    return collision->collide.getValue() ? SoCallbackAction::CONTINUE : SoCallbackAction::PRUNE;
}

SoCallbackAction::Response CountShape(void* count, SoCallbackAction*, const SoNode*) {
    ++*static_cast<int*>(count);
    return SoCallbackAction::CONTINUE;
}

}  // namespace

ArrivalObstacles::ArrivalObstacles(SoNode* scene, const SbVec3f& centre, float reach, float figureHeight)
    : centre_(centre), reach_(reach + kHalfWidth), height_(std::max(figureHeight, kLift + 0.5f)) {
    if (!scene) return;
    SoCallbackAction action;
    action.addPreCallback(SoVRMLCollision::getClassTypeId(), SkipNonColliding, nullptr);
    action.addPreCallback(SoShape::getClassTypeId(), CountShape, &shapeCount_);
    action.addTriangleCallback(SoShape::getClassTypeId(), &ArrivalObstacles::Collect, this);
    action.apply(scene);
}

void ArrivalObstacles::Collect(void* self, SoCallbackAction* action, const SoPrimitiveVertex* v1,
                               const SoPrimitiveVertex* v2, const SoPrimitiveVertex* v3) {
    auto* obstacles = static_cast<ArrivalObstacles*>(self);
    const SbMatrix& model = action->getModelMatrix();
    Triangle t;
    model.multVecMatrix(v1->getPoint(), t.a);
    model.multVecMatrix(v2->getPoint(), t.b);
    model.multVecMatrix(v3->getPoint(), t.c);
    // Only what lies within reach sideways: a big world's far rooms cost nothing later.
    for (int axis : {0, 2}) {
        const float low = std::min({t.a[axis], t.b[axis], t.c[axis]});
        const float high = std::max({t.a[axis], t.b[axis], t.c[axis]});
        if (low > obstacles->centre_[axis] + obstacles->reach_ || high < obstacles->centre_[axis] - obstacles->reach_)
            return;
    }
    t.shape = obstacles->shapeCount_;
    obstacles->triangles_.push_back(t);
}

bool ArrivalObstacles::CutsBox(const Triangle& t, const SbVec3f& spot) const {
    const float halfHeight = (height_ - kLift) / 2;
    const SbVec3f centre(spot[0], spot[1] + kLift + halfHeight, spot[2]);
    return TriangleMeetsBox(centre, SbVec3f(kHalfWidth, halfHeight, kHalfWidth), t.a, t.b, t.c);
}

bool ArrivalObstacles::Obstructed(const SbVec3f& spot) const {
    return std::any_of(triangles_.begin(), triangles_.end(), [&](const Triangle& t) { return CutsBox(t, spot); });
}

std::set<int> ArrivalObstacles::ShapesAt(const SbVec3f& spot) const {
    std::set<int> shapes;
    for (const Triangle& t : triangles_)
        if (CutsBox(t, spot)) shapes.insert(t.shape);
    return shapes;
}

bool ArrivalObstacles::Blocked(const SbVec3f& from, const SbVec3f& to) const {
    const std::set<int> standingIn = ShapesAt(from);
    // At the knees and at the chest: low furniture and hanging things both stop a walk.
    for (float above : {0.4f, std::min(1.2f, height_ - 0.1f)}) {
        const SbVec3f lift(0, above, 0);
        const SbVec3f p = from + lift, q = to + lift;
        for (const Triangle& t : triangles_)
            if (!standingIn.count(t.shape) && SegmentMeetsTriangle(p, q, t.a, t.b, t.c)) return true;
    }
    return false;
}
