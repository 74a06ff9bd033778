#pragma once
// Who is nearest to whom among a region's avatars: for each asking member, the k others closest
// to it in space. A grid over the ground plane keeps the search local, so a crowd of thousands
// costs about k look-ups a member, not the whole crowd.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace server {

class NearestNeighbours {
public:
    struct Point {
        std::array<float, 3> position{};  // x, y, z in millimetres; y is height
        uint16_t id = 0;                  // breaks ties: the lower id is nearer
        bool asks = true;                 // whether its own nearest are wanted
    };

    // For every point that asks, the indexes (into `points`) of its k nearest others, nearest
    // first. A point whose position is not finite is farther than every finite one; from such
    // a point everyone is equally far, so ids alone decide.
    static std::vector<std::vector<uint32_t>> Find(const std::vector<Point>& points, size_t k);
};

}  // namespace server
