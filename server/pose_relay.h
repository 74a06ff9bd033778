#pragma once
// One region's poses on their way to its members. Each member hears its nearest few avatars at
// every tick they move and everyone else at a reduced rate: a far avatar's latest pose goes out
// once in a while, at a turn of its own, so a crowd of a thousand costs each member a steady
// trickle instead of the whole crowd's every step. The client's view glides between poses, so
// far avatars still move smoothly. Near sets are recomputed a few times a second (and at once
// after an arrival or departure), not per pose.
//
// Members need not all be written at the same tick: with rounds of several ticks each member
// hears everything once a round, at the tick its place in the arrival order gives it, so a
// region's writes are spread over the round instead of coming in one burst, and a crowd can be
// given longer rounds (fewer, fuller writes) than a small region.
#include "protocol/codec.h"
#include "protocol/messages.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace server {

class PoseRelay {
public:
    struct Settings {
        size_t nearCount = 50;       // avatars each member hears at full rate
        int farEveryTicks = 40;      // a far avatar's latest pose goes out once in this many ticks
        int regroupEveryTicks = 10;  // near sets are recomputed this often while anyone moves
        // Far poses one receiver gets a tick, on average, at most (0: no limit). In a big crowd
        // the far turns come round more slowly instead, so what each member receives stays
        // bounded however many others there are.
        double farBudgetPerTick = 0;
        int roundTicks = 1;          // each member is written once in this many ticks
        size_t crowdSize = 0;        // a region of more members than this (0: never) ...
        int crowdRoundTicks = 1;     // ... has rounds this long instead
    };
    using Deliver = std::function<void(uint16_t receiver, std::shared_ptr<const protocol::Bytes> frames)>;
    // A receiver's turn in the round has come, whether or not it was sent anything.
    using Turn = std::function<void(uint16_t receiver)>;

    explicit PoseRelay(Settings settings) : settings_(settings), farPeriod_(std::max(1, settings.farEveryTicks)) {}

    // A member arrives at `pose` (everyone has just heard of it with that pose). Only members
    // that `receive` are sent poses: on a node of a cluster the other nodes' members only send.
    void Add(uint16_t id, const protocol::Pose& pose, bool receives);
    void Remove(uint16_t id);
    // The member's latest pose; it goes out at the next tick (or DeliverNear).
    void Move(uint16_t id, const protocol::Pose& pose);

    // One tick. At the start of a round near sets are recomputed when due and the far senders
    // whose turn it is are chosen. Then each receiver whose turn it is gets, in one buffer, the
    // latest pose of each near sender that moved since its last delivery, of each sender that
    // has just come near, and of each far sender whose turn it is and who moved since its last
    // turn; `turn` hears of every receiver whose turn it was.
    void Tick(const Deliver& deliver, const Turn& turn = {});
    // Moves waiting now go at once to the receivers they are near to; far receivers get them
    // at the sender's turn as usual. For poses that arrive from elsewhere between ticks.
    void DeliverNear(const Deliver& deliver);

    // The members `receiver` hears at full rate, nearest first, as of the last recomputation.
    std::vector<uint16_t> NearOf(uint16_t receiver) const;
    bool Empty() const { return index_.empty(); }
    // Rounds between two turns of one far sender, as of the last recomputation.
    int FarPeriod() const { return farPeriod_; }
    // Ticks in a round, as of the last recomputation.
    int RoundTicks() const { return roundTicks_; }

private:
    struct Member {
        uint16_t id = 0;
        bool alive = true;
        bool receives = true;
        bool farDirty = false;  // a pose since the last turn for far receivers
        bool farDue = false;    // its far turn is this round
        uint64_t moveSerial = 0;  // of its latest pose, 0 if none since it came
        uint64_t heardUpTo = 0;   // as a receiver: every move up to this serial has reached it
        uint64_t serial = 0;    // arrival order: it gives the member its tick in a round and its far turn
        protocol::Pose pose{};
        protocol::Bytes frame;                // AvatarMoved with the latest pose
        std::vector<uint32_t> near;           // slots, ascending
        std::vector<uint32_t> fresh;          // slots that came near at the last recomputation
        std::vector<uint16_t> nearIds;        // ids, nearest first
    };

    void Regroup();
    void StartRound();
    void DeliverTo(Member& receiver, uint32_t r, bool turn, const Deliver& deliver);

    Settings settings_;
    std::vector<Member> slots_;                   // dead ones go at the next recomputation
    std::unordered_map<uint16_t, uint32_t> index_;  // id -> slot of the living
    uint64_t tick_ = 0, lastRegroup_ = 0, round_ = 0;
    uint64_t nextSerial_ = 0, moveSerial_ = 0;
    int farPeriod_ = 1;
    int roundTicks_ = 1, tickInRound_ = 0;
    std::vector<uint32_t> due_;  // far senders whose turn is this round
    bool membersChanged_ = false, positionsChanged_ = false;
    protocol::Bytes scratch_;
};

}  // namespace server
