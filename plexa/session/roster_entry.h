#pragma once
// One avatar of the current region, the user's own included. Texts are CP932.
#include <cstdint>
#include <string>

namespace plexa {

struct RosterEntry {
    int16_t clientId = 0;      // the server's id of the participant; the roster's key
    std::string userId;        // the server's text for the participant (own: the generated id)
    std::string address;       // dotted IPv4 address from the user id, or "Localhost"
    std::string avatarName;    // nickname
    std::string avatarNumber;  // decimal, 1-based position in the avatar definition list
    int32_t presence = 1;      // 1 avatar, 2 ghost
    bool own = false;          // the host's own entry
};

}  // namespace plexa
