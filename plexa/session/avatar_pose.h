#pragma once
// Where an avatar stands, as six floats that pass unchanged between the server and the 3D view.
#include <array>
#include <vector>

#include "platform/com/variant.h"

namespace plexa {

struct AvatarPose {
    std::array<float, 6> values{};

    // The pose the host enters a region with, and the one it creates its own avatar at.
    static AvatarPose EntryPose() { return {{0, 0, 0, 0, 0, -1}}; }
    static AvatarPose OwnAvatarPose() { return {{10000, 0, 10000, 0, 0, -1}}; }

    // Appends the six values as single floats, as the controls take them.
    void AppendTo(std::vector<platform::com::Variant>& args) const;
    // Reads six numbers from args starting at first; false when they are missing or not numbers.
    static bool Read(const std::vector<platform::com::Variant>& args, size_t first, AvatarPose* out);

    friend bool operator==(const AvatarPose&, const AvatarPose&) = default;
};

}  // namespace plexa
