#include "server/pose_relay.h"

#include "server/nearest_neighbours.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace server {

using namespace protocol;

void PoseRelay::Add(uint16_t id, const Pose& pose, bool receives) {
    if (index_.count(id)) Remove(id);
    Member m;
    m.id = id;
    m.receives = receives;
    m.pose = pose;
    EncodeTo(AvatarMoved{id, pose}, m.frame);
    // Turns go round in arrival order, so far poses are spread evenly over the ticks.
    m.serial = nextSerial_++;
    index_[id] = uint32_t(slots_.size());
    slots_.push_back(std::move(m));
    membersChanged_ = true;
}

void PoseRelay::Remove(uint16_t id) {
    auto it = index_.find(id);
    if (it == index_.end()) return;
    slots_[it->second].alive = false;
    index_.erase(it);
    membersChanged_ = true;
}

void PoseRelay::Move(uint16_t id, const Pose& pose) {
    auto it = index_.find(id);
    if (it == index_.end()) return;
    Member& m = slots_[it->second];
    // Turning on the spot moves nobody nearer: near sets need recomputing only when someone walks.
    if (pose[0] != m.pose[0] || pose[1] != m.pose[1] || pose[2] != m.pose[2]) positionsChanged_ = true;
    m.pose = pose;
    m.frame.clear();
    EncodeTo(AvatarMoved{id, pose}, m.frame);
    m.moved = m.farDirty = true;
    anyMoved_ = true;
}

std::vector<uint16_t> PoseRelay::NearOf(uint16_t receiver) const {
    auto it = index_.find(receiver);
    return it == index_.end() ? std::vector<uint16_t>{} : slots_[it->second].nearIds;
}

void PoseRelay::Regroup() {
    // Drop the departed; slots move, so the old near sets are carried over as remapped.
    std::vector<uint32_t> remap(slots_.size(), UINT32_MAX);
    std::vector<Member> kept;
    kept.reserve(index_.size());
    for (uint32_t s = 0; s < slots_.size(); ++s) {
        if (!slots_[s].alive) continue;
        remap[s] = uint32_t(kept.size());
        kept.push_back(std::move(slots_[s]));
    }
    slots_ = std::move(kept);
    for (uint32_t s = 0; s < slots_.size(); ++s) index_[slots_[s].id] = s;

    std::vector<NearestNeighbours::Point> points(slots_.size());
    for (uint32_t s = 0; s < slots_.size(); ++s)
        points[s] = {{slots_[s].pose[0], slots_[s].pose[1], slots_[s].pose[2]}, slots_[s].id, slots_[s].receives};
    auto nearest = NearestNeighbours::Find(points, settings_.nearCount);
    for (uint32_t s = 0; s < slots_.size(); ++s) {
        Member& m = slots_[s];
        std::vector<uint32_t> old;
        for (uint32_t o : m.near)
            if (remap[o] != UINT32_MAX) old.push_back(remap[o]);
        std::sort(old.begin(), old.end());
        m.nearIds.clear();
        for (uint32_t n : nearest[s]) m.nearIds.push_back(slots_[n].id);
        m.near = std::move(nearest[s]);
        std::sort(m.near.begin(), m.near.end());
        m.fresh.clear();
        std::set_difference(m.near.begin(), m.near.end(), old.begin(), old.end(), std::back_inserter(m.fresh));
    }
    farPeriod_ = std::max(1, settings_.farEveryTicks);
    if (settings_.farBudgetPerTick > 0 && slots_.size() > settings_.nearCount + 1) {
        const double far = double(slots_.size() - settings_.nearCount - 1);
        farPeriod_ = std::max(farPeriod_, int(std::min(1e6, std::ceil(far / settings_.farBudgetPerTick))));
    }
    lastRegroup_ = tick_;
    membersChanged_ = positionsChanged_ = false;
}

void PoseRelay::Tick(const Deliver& deliver) {
    ++tick_;
    if (membersChanged_ || (positionsChanged_ && tick_ - lastRegroup_ >= uint64_t(settings_.regroupEveryTicks)))
        Regroup();
    const uint64_t period = uint64_t(farPeriod_);
    const uint64_t turn = tick_ % period;
    std::vector<uint32_t> due;
    for (uint32_t s = 0; s < slots_.size(); ++s)
        if (slots_[s].alive && slots_[s].farDirty && slots_[s].serial % period == turn) due.push_back(s);
    Deliveries(due, true, deliver);
    for (uint32_t s : due) slots_[s].farDirty = false;
}

void PoseRelay::DeliverNear(const Deliver& deliver) {
    if (anyMoved_) Deliveries({}, false, deliver);
}

void PoseRelay::Deliveries(const std::vector<uint32_t>& due, bool withFresh, const Deliver& deliver) {
    bool anyFresh = false;
    if (withFresh)
        for (const Member& m : slots_) anyFresh = anyFresh || !m.fresh.empty();
    if (!anyMoved_ && due.empty() && !anyFresh) return;
    for (uint32_t r = 0; r < slots_.size(); ++r) {
        Member& receiver = slots_[r];
        if (!receiver.alive || !receiver.receives) continue;
        scratch_.clear();
        auto append = [&](const Member& sender) { scratch_.insert(scratch_.end(), sender.frame.begin(), sender.frame.end()); };
        for (uint32_t s : receiver.near)
            if (slots_[s].alive && slots_[s].moved) append(slots_[s]);
        if (withFresh) {
            // Come near since the last recomputation: it may have moved while it was far.
            for (uint32_t s : receiver.fresh)
                if (slots_[s].alive && !slots_[s].moved && slots_[s].farDirty) append(slots_[s]);
        }
        for (uint32_t s : due)
            if (s != r && !std::binary_search(receiver.near.begin(), receiver.near.end(), s)) append(slots_[s]);
        if (!scratch_.empty()) deliver(receiver.id, std::make_shared<const Bytes>(scratch_));
    }
    for (Member& m : slots_) {
        m.moved = false;
        if (withFresh) m.fresh.clear();
    }
    anyMoved_ = false;
}

}  // namespace server
