#pragma once
// Where each benchmark client stands in the region, and whom it should hear at full rate: its
// nearest `near` others. Clients are scattered at random (the same for every run of a size) over
// a square that grows with the crowd, about 3 m apart, so near and far mean something. Worked
// out here on its own, by sorting everyone, so the figures check the server rather than repeat it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fanout {

class CrowdLayout {
public:
    CrowdLayout(int clients, int near, uint32_t seed = 20);

    // x and z in millimetres (y is 0).
    std::array<float, 2> PositionOf(int client) const { return positions_[std::size_t(client)]; }
    bool IsNear(int receiver, int sender) const;
    int Clients() const { return int(positions_.size()); }
    // How many others each client hears at full rate.
    int NearCount() const { return nearCount_; }

private:
    std::vector<std::array<float, 2>> positions_;
    std::vector<std::vector<int>> near_;  // ascending indexes
    int nearCount_ = 0;
};

}  // namespace fanout
