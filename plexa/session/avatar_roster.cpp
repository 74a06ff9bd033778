#include "plexa/session/avatar_roster.h"

#include "platform/text/user_address.h"

#include <algorithm>

namespace plexa {

const RosterEntry& AvatarRoster::Append(int16_t clientId, const std::string& userId, const std::string& avatarName,
                                        const std::string& avatarNumber, int32_t presence, bool own) {
    RosterEntry entry;
    entry.clientId = clientId;
    entry.userId = userId;
    // The same rule the chat control uses for its log lines, so both always show one address.
    entry.address = platform::UserAddressText(userId);
    entry.avatarName = avatarName;
    entry.avatarNumber = avatarNumber;
    entry.presence = presence;
    entry.own = own;
    return m_entries.emplace_back(std::move(entry));
}

const RosterEntry* AvatarRoster::Find(int16_t clientId) const {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [clientId](const RosterEntry& e) { return e.clientId == clientId; });
    return it == m_entries.end() ? nullptr : &*it;
}

bool AvatarRoster::Remove(int16_t clientId) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [clientId](const RosterEntry& e) { return e.clientId == clientId; });
    if (it == m_entries.end()) return false;
    m_entries.erase(it);
    return true;
}

const RosterEntry* AvatarRoster::OwnEntry() const {
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [](const RosterEntry& e) { return e.own; });
    return it == m_entries.end() ? nullptr : &*it;
}

}  // namespace plexa
