#include "bench/fanout/crowd_layout.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace fanout {

CrowdLayout::CrowdLayout(int clients, int near, uint32_t seed) {
    std::mt19937 random(seed);
    const double side = 3000.0 * std::sqrt(double(std::max(clients, 1)));
    std::uniform_real_distribution<double> where(0, side);
    positions_.resize(size_t(std::max(clients, 0)));
    for (auto& p : positions_) p = {float(where(random)), float(where(random))};
    nearCount_ = std::clamp(near, 0, std::max(clients - 1, 0));
    near_.resize(positions_.size());
    std::vector<std::pair<double, int>> others;
    for (int r = 0; r < clients; ++r) {
        others.clear();
        for (int s = 0; s < clients; ++s) {
            if (s == r) continue;
            const double dx = double(positions_[size_t(s)][0]) - positions_[size_t(r)][0];
            const double dz = double(positions_[size_t(s)][1]) - positions_[size_t(r)][1];
            others.emplace_back(dx * dx + dz * dz, s);
        }
        std::nth_element(others.begin(), others.begin() + nearCount_, others.end());
        auto& list = near_[size_t(r)];
        for (int i = 0; i < nearCount_; ++i) list.push_back(others[size_t(i)].second);
        std::sort(list.begin(), list.end());
    }
}

bool CrowdLayout::IsNear(int receiver, int sender) const {
    if (receiver < 0 || receiver >= Clients()) return false;
    const auto& list = near_[size_t(receiver)];
    return std::binary_search(list.begin(), list.end(), sender);
}

}  // namespace fanout
