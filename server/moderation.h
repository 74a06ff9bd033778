#pragma once
// What the administrator decided and what must outlast a restart: banned addresses (for good or
// until a time) and closed regions. Kept in one small text file in the server's data folder,
// rewritten whole on every change through a temporary file that is synced and renamed over the
// old one, so a crash leaves either the old list or the new one, never half of either.
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace server {

class Moderation {
public:
    using Time = std::chrono::system_clock::time_point;

    struct Ban {
        std::string key;  // address key (see address_key.h)
        Time until{};     // epoch: until unbanned
    };

    // The file it is kept in; empty: kept in memory only.
    explicit Moderation(std::string path = {}) : path_(std::move(path)) {}

    // Reads the file; a missing file is an empty list. Lines it cannot read are skipped and
    // listed in *skipped. False (with *error naming the file) when the file exists but cannot be read.
    bool Load(std::string* error, std::vector<std::string>* skipped = nullptr);
    bool Save(std::string* error) const;
    const std::string& Path() const { return path_; }

    void AddBan(const std::string& key, Time until);
    bool RemoveBan(const std::string& key);
    bool IsBanned(const std::string& key, Time now = std::chrono::system_clock::now()) const;
    // The bans still in force, and forgets the expired ones.
    std::vector<Ban> Bans(Time now = std::chrono::system_clock::now());

    void CloseRegion(const std::string& region) { closed_.insert(region); }
    bool OpenRegion(const std::string& region) { return closed_.erase(region) > 0; }
    bool IsClosed(const std::string& region) const { return closed_.count(region) > 0; }

private:
    std::string path_;
    std::map<std::string, Time> bans_;
    std::set<std::string> closed_;  // region names, CP932 bytes
};

}  // namespace server
