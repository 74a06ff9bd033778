#include "server/nearest_neighbours.h"

#include <algorithm>
#include <cmath>
#include <queue>

namespace server {
namespace {

using Point = NearestNeighbours::Point;

struct Candidate {
    double d2;  // squared distance; infinity for a point that is nowhere
    uint16_t id;
    uint32_t index;
};

struct Nearer {
    bool operator()(const Candidate& a, const Candidate& b) const {
        return a.d2 < b.d2 || (a.d2 == b.d2 && a.id < b.id);
    }
};

bool Finite(const Point& p) {
    return std::isfinite(p.position[0]) && std::isfinite(p.position[1]) && std::isfinite(p.position[2]);
}

double Distance2(const Point& a, const Point& b) {
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
        const double d = double(a.position[i]) - double(b.position[i]);
        sum += d * d;
    }
    return sum;
}

// The finite points bucketed by cell over x and z, about four to a cell where they are spread out.
class Grid {
public:
    explicit Grid(const std::vector<Point>& points) : points_(points) {
        for (uint32_t i = 0; i < points.size(); ++i)
            if (Finite(points[i])) finite_.push_back(i);
        if (finite_.empty()) return;
        double minX = INFINITY, maxX = -INFINITY, minZ = INFINITY, maxZ = -INFINITY;
        for (uint32_t i : finite_) {
            minX = std::min(minX, double(points[i].position[0]));
            maxX = std::max(maxX, double(points[i].position[0]));
            minZ = std::min(minZ, double(points[i].position[2]));
            maxZ = std::max(maxZ, double(points[i].position[2]));
        }
        const double ex = maxX - minX, ez = maxZ - minZ;
        const long cells = std::clamp<long>(long(finite_.size() / 4), 1, 1 << 16);
        if (ex > 0 && ez > 0) {
            width_ = std::clamp<long>(std::lround(std::sqrt(double(cells) * ex / ez)), 1, cells);
            depth_ = std::clamp<long>(cells / width_, 1, cells);
        } else if (ex > 0) {
            width_ = cells;
        } else if (ez > 0) {
            depth_ = cells;
        }
        minX_ = minX;
        minZ_ = minZ;
        cellX_ = ex > 0 ? ex / double(width_) : 1.0;
        cellZ_ = ez > 0 ? ez / double(depth_) : 1.0;
        // Counting sort into one array: start_[c] .. start_[c + 1] are cell c's points.
        start_.assign(size_t(width_ * depth_) + 1, 0);
        cellOf_.resize(points.size());
        for (uint32_t i : finite_) {
            cellOf_[i] = CellAt(points[i]);
            ++start_[size_t(cellOf_[i]) + 1];
        }
        for (size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
        items_.resize(finite_.size());
        std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
        for (uint32_t i : finite_) items_[fill[size_t(cellOf_[i])]++] = i;
    }

    // Offers every finite point but `self` to `take`, ring by ring outwards from self's cell,
    // until `enough(bound2)` says nobody at or beyond that squared distance can matter.
    template <typename Take, typename Enough>
    void Search(uint32_t self, Take take, Enough enough) const {
        const long cx = cellOf_[self] % width_, cz = cellOf_[self] / width_;
        const long last = std::max({cx, width_ - 1 - cx, cz, depth_ - 1 - cz});
        // Points in ring d + 1 lie at least d whole cells away; the margin covers rounding at
        // cell edges.
        const double step = std::min(cellX_, cellZ_) * (1 - 1e-9);
        for (long d = 0; d <= last; ++d) {
            for (long z = cz - d; z <= cz + d; ++z) {
                if (z < 0 || z >= depth_) continue;
                const bool edgeRow = z == cz - d || z == cz + d;
                for (long x = cx - d; x <= cx + d; x += (edgeRow || d == 0) ? 1 : 2 * d) {
                    if (x < 0 || x >= width_) continue;
                    const size_t c = size_t(z * width_ + x);
                    for (uint32_t k = start_[c]; k < start_[c + 1]; ++k)
                        if (items_[k] != self) take(items_[k]);
                }
            }
            const double bound = double(d) * step;
            if (enough(bound * bound)) return;
        }
    }

private:
    long CellAt(const Point& p) const {
        const long x = std::clamp<long>(long(std::floor((double(p.position[0]) - minX_) / cellX_)), 0, width_ - 1);
        const long z = std::clamp<long>(long(std::floor((double(p.position[2]) - minZ_) / cellZ_)), 0, depth_ - 1);
        return z * width_ + x;
    }

    const std::vector<Point>& points_;
    std::vector<uint32_t> finite_;
    long width_ = 1, depth_ = 1;
    double minX_ = 0, minZ_ = 0, cellX_ = 1, cellZ_ = 1;
    std::vector<uint32_t> start_, items_;
    std::vector<long> cellOf_;
};

}  // namespace

std::vector<std::vector<uint32_t>> NearestNeighbours::Find(const std::vector<Point>& points, size_t k) {
    std::vector<std::vector<uint32_t>> out(points.size());
    const size_t want = std::min(k, points.size() > 0 ? points.size() - 1 : 0);
    if (want == 0) return out;
    const Grid grid(points);
    // Everyone by id: the order in which points that are nowhere come in.
    std::vector<uint32_t> byId(points.size());
    for (uint32_t i = 0; i < points.size(); ++i) byId[i] = i;
    std::sort(byId.begin(), byId.end(), [&](uint32_t a, uint32_t b) { return points[a].id < points[b].id; });

    std::priority_queue<Candidate, std::vector<Candidate>, Nearer> best;
    auto offer = [&](const Candidate& c) {
        if (best.size() < want) {
            best.push(c);
        } else if (Nearer()(c, best.top())) {
            best.pop();
            best.push(c);
        }
    };
    for (uint32_t i = 0; i < points.size(); ++i) {
        if (!points[i].asks) continue;
        if (Finite(points[i])) {
            grid.Search(
                i, [&](uint32_t j) { offer({Distance2(points[i], points[j]), points[j].id, j}); },
                [&](double bound2) { return best.size() == want && best.top().d2 < bound2; });
        }
        // Too few in reach (or self nowhere): the rest are equally far, lower ids first.
        for (size_t n = 0; n < byId.size() && best.size() < want; ++n) {
            const uint32_t j = byId[n];
            if (j != i && (!Finite(points[j]) || !Finite(points[i])))
                offer({INFINITY, points[j].id, j});
        }
        auto& list = out[i];
        list.resize(best.size());
        for (size_t n = best.size(); n-- > 0; best.pop()) list[n] = best.top().index;
    }
    return out;
}

}  // namespace server
