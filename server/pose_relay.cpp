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
    m.heardUpTo = moveSerial_;  // it has just heard of everyone as they stand
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
    m.farDirty = true;
    m.moveSerial = ++moveSerial_;
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
        // Come near before and not yet delivered to (its turn is later in the round): still fresh.
        std::vector<uint32_t> stillFresh;
        for (uint32_t o : m.fresh)
            if (remap[o] != UINT32_MAX) stillFresh.push_back(remap[o]);
        m.nearIds.clear();
        for (uint32_t n : nearest[s]) m.nearIds.push_back(slots_[n].id);
        m.near = std::move(nearest[s]);
        std::sort(m.near.begin(), m.near.end());
        m.fresh.clear();
        std::set_difference(m.near.begin(), m.near.end(), old.begin(), old.end(), std::back_inserter(m.fresh));
        for (uint32_t f : stillFresh)
            if (std::binary_search(m.near.begin(), m.near.end(), f)) m.fresh.push_back(f);
        std::sort(m.fresh.begin(), m.fresh.end());
        m.fresh.erase(std::unique(m.fresh.begin(), m.fresh.end()), m.fresh.end());
    }
    const bool crowd = settings_.crowdSize > 0 && slots_.size() > settings_.crowdSize;
    roundTicks_ = std::max(1, crowd ? settings_.crowdRoundTicks : settings_.roundTicks);
    // Far periods and budgets are set in ticks; turns come round once a round at most.
    farPeriod_ = std::max(1, (settings_.farEveryTicks + roundTicks_ - 1) / roundTicks_);
    const double budgetPerRound = settings_.farBudgetPerTick * roundTicks_;
    if (budgetPerRound > 0 && slots_.size() > settings_.nearCount + 1) {
        const double far = double(slots_.size() - settings_.nearCount - 1);
        farPeriod_ = std::max(farPeriod_, int(std::min(1e6, std::ceil(far / budgetPerRound))));
    }
    lastRegroup_ = tick_;
    membersChanged_ = positionsChanged_ = false;
}

void PoseRelay::StartRound() {
    for (uint32_t s : due_) slots_[s].farDue = false;
    due_.clear();
    if (membersChanged_ || (positionsChanged_ && tick_ - lastRegroup_ >= uint64_t(settings_.regroupEveryTicks)))
        Regroup();
    ++round_;
    const uint64_t period = uint64_t(farPeriod_);
    const uint64_t turn = round_ % period;
    for (uint32_t s = 0; s < slots_.size(); ++s) {
        Member& m = slots_[s];
        if (!m.alive || !m.farDirty || m.serial % period != turn) continue;
        m.farDirty = false;
        m.farDue = true;
        due_.push_back(s);
    }
}

void PoseRelay::Tick(const Deliver& deliver, const Turn& turn) {
    ++tick_;
    if (tickInRound_ == 0) StartRound();
    const uint64_t ticks = uint64_t(roundTicks_);
    const uint64_t now = uint64_t(tickInRound_);
    for (uint32_t r = 0; r < slots_.size(); ++r) {
        Member& receiver = slots_[r];
        if (!receiver.alive || !receiver.receives || receiver.serial % ticks != now) continue;
        DeliverTo(receiver, r, true, deliver);
        if (turn) turn(receiver.id);
    }
    tickInRound_ = (tickInRound_ + 1) % roundTicks_;
}

void PoseRelay::DeliverNear(const Deliver& deliver) {
    for (uint32_t r = 0; r < slots_.size(); ++r)
        if (slots_[r].alive && slots_[r].receives) DeliverTo(slots_[r], r, false, deliver);
}

void PoseRelay::DeliverTo(Member& receiver, uint32_t r, bool turn, const Deliver& deliver) {
    scratch_.clear();
    auto append = [&](const Member& sender) { scratch_.insert(scratch_.end(), sender.frame.begin(), sender.frame.end()); };
    auto movedSince = [&](const Member& sender) { return sender.moveSerial > receiver.heardUpTo; };
    for (uint32_t s : receiver.near)
        if (slots_[s].alive && movedSince(slots_[s])) append(slots_[s]);
    if (turn) {
        // Come near since the last recomputation: it may have moved while it was far.
        for (uint32_t s : receiver.fresh) {
            const Member& sender = slots_[s];
            if (sender.alive && !movedSince(sender) && (sender.farDirty || sender.farDue)) append(sender);
        }
        receiver.fresh.clear();
        for (uint32_t s : due_)
            if (s != r && slots_[s].alive && !std::binary_search(receiver.near.begin(), receiver.near.end(), s))
                append(slots_[s]);
    }
    receiver.heardUpTo = moveSerial_;
    if (!scratch_.empty()) deliver(receiver.id, std::make_shared<const Bytes>(scratch_));
}

}  // namespace server
