#pragma once
// Where an arriving avatar stands. Everyone enters at the region's entry point; the second one
// there would stand inside the first, its name tag over the other's figure and the follow camera
// inside the other's head. So the newcomer takes the entry point only when it is free, else the
// nearest free spot on rings round it: far enough from every figure, and (with collision on)
// reachable from the entry point without passing through a wall or furniture.
#include <Inventor/SbVec3f.h>

#include <functional>
#include <vector>

class ArrivalSpot {
public:
    // Metres between the centres of two standing figures.
    static constexpr float kClearance = 1.2f;
    static constexpr int kRings = 5;
    static constexpr int kDirections = 8;

    // Whether the way from one point to another is blocked by scene geometry.
    using Blocked = std::function<bool(const SbVec3f& from, const SbVec3f& to)>;
    // Whether a figure standing at a point would be inside scene geometry.
    using Obstructed = std::function<bool(const SbVec3f& spot)>;

    // others: where the other figures stand. Heights are ignored; the result keeps entry's.
    // An entry point inside furniture is left like a crowded one. When no spot is free the entry
    // point is returned: better crowded than nowhere.
    static SbVec3f Find(const SbVec3f& entry, const std::vector<SbVec3f>& others, const Blocked& blocked = {},
                        const Obstructed& obstructed = {});

    static bool Free(const SbVec3f& spot, const std::vector<SbVec3f>& others);
};
