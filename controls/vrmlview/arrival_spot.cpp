#include "controls/vrmlview/arrival_spot.h"

#include <cmath>

bool ArrivalSpot::Free(const SbVec3f& spot, const std::vector<SbVec3f>& others) {
    for (const SbVec3f& other : others) {
        const float dx = other[0] - spot[0];
        const float dz = other[2] - spot[2];
        if (dx * dx + dz * dz < kClearance * kClearance) return false;
    }
    return true;
}

SbVec3f ArrivalSpot::Find(const SbVec3f& entry, const std::vector<SbVec3f>& others, const Blocked& blocked,
                          const Obstructed& obstructed) {
    if (Free(entry, others) && !(obstructed && obstructed(entry))) return entry;
    constexpr float kPi = 3.14159265f;
    for (int ring = 1; ring <= kRings; ++ring) {
        const float radius = kClearance * static_cast<float>(ring);
        // Sideways first (x), then the diagonals, then ahead and behind: a newcomer beside the
        // others is seen by them and does not stand in front of anyone's camera.
        for (int k : {2, 6, 1, 3, 5, 7, 0, 4}) {
            const float angle = 2 * kPi * static_cast<float>(k) / kDirections;
            const SbVec3f spot(entry[0] + radius * std::sin(angle), entry[1], entry[2] + radius * std::cos(angle));
            if (!Free(spot, others)) continue;
            if (obstructed && obstructed(spot)) continue;
            if (blocked && blocked(entry, spot)) continue;
            return spot;
        }
    }
    return entry;
}
