#pragma once
// The scene's surfaces round an arrival, as triangles in world space: whether a figure standing
// at a spot would cut into furniture or a wall, and whether the way there is clear. A figure that
// arrives inside a floor lamp must step out of it, but not through the wall behind it.
#include <Inventor/SbVec3f.h>

#include <cstddef>
#include <set>
#include <vector>

class SoCallbackAction;
class SoNode;
class SoPrimitiveVertex;

class ArrivalObstacles {
public:
    // Half the width of a standing figure's box, and how far above the ground the box starts
    // (so the floor, rugs and door sills do not count).
    static constexpr float kHalfWidth = 0.3f;
    static constexpr float kLift = 0.25f;

    // Collects the surfaces of the scene within reach (metres, sideways) of centre. Geometry
    // under a Collision node that does not collide is left out, as walking through it is allowed.
    ArrivalObstacles(SoNode* scene, const SbVec3f& centre, float reach, float figureHeight);

    // Whether a figure standing at spot (its feet) cuts into a surface.
    bool Obstructed(const SbVec3f& spot) const;
    // Whether the way from one standing place to another crosses a surface, leaving out the
    // shapes a figure at from already stands in: the lamp one arrived in is no wall.
    bool Blocked(const SbVec3f& from, const SbVec3f& to) const;

    size_t TriangleCount() const { return triangles_.size(); }

private:
    struct Triangle {
        SbVec3f a, b, c;
        int shape;  // which shape instance of the traversal it belongs to
    };
    static void Collect(void* self, SoCallbackAction* action, const SoPrimitiveVertex* v1,
                        const SoPrimitiveVertex* v2, const SoPrimitiveVertex* v3);
    // The shape instances cutting into the box of a figure at spot.
    std::set<int> ShapesAt(const SbVec3f& spot) const;
    bool CutsBox(const Triangle& t, const SbVec3f& spot) const;

    SbVec3f centre_;
    float reach_;
    float height_;
    int shapeCount_ = 0;
    std::vector<Triangle> triangles_;
};
