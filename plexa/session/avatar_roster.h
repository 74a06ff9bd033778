#pragma once
// The avatars of the current region in arrival order. Entries keep their address while they are
// in the roster, so windows may refer to them until the next change.
#include "plexa/session/roster_entry.h"

#include <cstdint>
#include <list>
#include <string>

namespace plexa {

class AvatarRoster {
public:
    using const_iterator = std::list<RosterEntry>::const_iterator;

    // Links a new entry at the tail; its address is derived from the user id.
    const RosterEntry& Append(int16_t clientId, const std::string& userId, const std::string& avatarName,
                              const std::string& avatarNumber, int32_t presence, bool own);
    // The first entry with this client id, or null.
    const RosterEntry* Find(int16_t clientId) const;
    // Removes the first entry with this client id; false when there is none.
    bool Remove(int16_t clientId);
    void Empty() { m_entries.clear(); }
    // The first entry marked own, or null.
    const RosterEntry* OwnEntry() const;

    bool IsEmpty() const { return m_entries.empty(); }
    size_t Size() const { return m_entries.size(); }
    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }

private:
    std::list<RosterEntry> m_entries;
};

}  // namespace plexa
