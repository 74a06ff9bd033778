#include "server/nearest_neighbours.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace server {
namespace {

using Point = NearestNeighbours::Point;

// The plain answer: everyone sorted by distance, then by id.
std::vector<uint32_t> ByHand(const std::vector<Point>& points, uint32_t self, size_t k) {
    auto d2 = [&](uint32_t j) {
        double sum = 0;
        for (int a = 0; a < 3; ++a) {
            const double d = double(points[self].position[a]) - double(points[j].position[a]);
            sum += d * d;
        }
        return std::isfinite(sum) ? sum : INFINITY;
    };
    std::vector<uint32_t> others;
    for (uint32_t j = 0; j < points.size(); ++j)
        if (j != self) others.push_back(j);
    std::sort(others.begin(), others.end(), [&](uint32_t a, uint32_t b) {
        const double da = d2(a), db = d2(b);
        return da < db || (da == db && points[a].id < points[b].id);
    });
    others.resize(std::min(k, others.size()));
    return others;
}

std::vector<Point> Crowd(size_t n, uint32_t seed, double spread) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> where(-spread, spread);
    std::vector<Point> points(n);
    for (size_t i = 0; i < n; ++i)
        points[i] = {{float(where(random)), float(where(random) / 100), float(where(random))}, uint16_t(i + 1), true};
    return points;
}

TEST(NearestNeighbours, AgreesWithSortingEveryoneForCrowdsOfEveryShape) {
    std::vector<std::vector<Point>> crowds = {Crowd(500, 1, 20000), Crowd(300, 2, 1e30), Crowd(60, 3, 500)};
    // A crowd in a long thin line, and one bunched into two far-apart groups.
    auto line = Crowd(200, 4, 50000);
    for (auto& p : line) p.position[2] = p.position[2] / 1000;
    crowds.push_back(line);
    auto groups = Crowd(300, 5, 1000);
    for (size_t i = 0; i < groups.size(); i += 2) groups[i].position[0] += 1e6f;
    crowds.push_back(groups);
    for (size_t c = 0; c < crowds.size(); ++c) {
        for (size_t k : {1u, 7u, 50u}) {
            const auto found = NearestNeighbours::Find(crowds[c], k);
            for (uint32_t i = 0; i < crowds[c].size(); ++i)
                ASSERT_EQ(found[i], ByHand(crowds[c], i, k)) << "crowd " << c << ", k " << k << ", point " << i;
        }
    }
}

TEST(NearestNeighbours, TiesGoToTheLowerIdAndExactlyKAreChosen) {
    // Four at the same distance around the asker, ids given out of order.
    std::vector<Point> points = {{{0, 0, 0}, 50, true},  {{1000, 0, 0}, 9, false}, {{-1000, 0, 0}, 3, false},
                                 {{0, 0, 1000}, 7, false}, {{0, 0, -1000}, 4, false}, {{0, 0, 0}, 60, false}};
    auto found = NearestNeighbours::Find(points, 3);
    // The one on the same spot first, then the two lowest ids of the ring.
    EXPECT_EQ(found[0], (std::vector<uint32_t>{5, 2, 4}));
    for (size_t i = 1; i < points.size(); ++i) EXPECT_TRUE(found[i].empty()) << "did not ask: " << i;
    // Everyone on one spot: the lowest ids.
    std::vector<Point> heap(10, Point{{5, 5, 5}, 0, true});
    for (size_t i = 0; i < heap.size(); ++i) heap[i].id = uint16_t(100 - i);
    EXPECT_EQ(NearestNeighbours::Find(heap, 2)[0], (std::vector<uint32_t>{9, 8}));
    EXPECT_EQ(NearestNeighbours::Find(heap, 2)[9], (std::vector<uint32_t>{8, 7}));
}

TEST(NearestNeighbours, KLargerThanTheCrowdGivesEveryoneElseNearestFirst) {
    std::vector<Point> points = {{{0, 0, 0}, 1, true}, {{3000, 0, 0}, 2, true}, {{1000, 0, 0}, 3, true}};
    auto found = NearestNeighbours::Find(points, 50);
    EXPECT_EQ(found[0], (std::vector<uint32_t>{2, 1}));
    EXPECT_EQ(found[1], (std::vector<uint32_t>{2, 0}));
    EXPECT_EQ(found[2], (std::vector<uint32_t>{0, 1}));
    EXPECT_TRUE(NearestNeighbours::Find({points[0]}, 50)[0].empty());
    EXPECT_TRUE(NearestNeighbours::Find(points, 0)[0].empty());
}

TEST(NearestNeighbours, PositionsThatAreNotNumbersComeLastAndBreakNothing) {
    const float nan = std::nanf(""), inf = INFINITY;
    std::vector<Point> points = {{{0, 0, 0}, 1, true},         {{nan, 0, 0}, 2, true},   {{2000, 0, 0}, 3, true},
                                 {{0, inf, 0}, 4, true},        {{-inf, 0, 0}, 5, true},  {{0, 0, 1000}, 6, true},
                                 {{3e38f, 0, -3e38f}, 7, true}};
    auto found = NearestNeighbours::Find(points, 4);
    EXPECT_EQ(found[0], (std::vector<uint32_t>{5, 2, 6, 1}));  // finite by distance, then the lowest id nowhere
    // From nowhere everyone is as far as anyone: ids decide.
    EXPECT_EQ(found[1], (std::vector<uint32_t>{0, 2, 3, 4}));
    EXPECT_EQ(found[3], (std::vector<uint32_t>{0, 1, 2, 4}));
    for (uint32_t i = 0; i < points.size(); ++i) EXPECT_EQ(found[i].size(), 4u) << i;
}

}  // namespace
}  // namespace server
