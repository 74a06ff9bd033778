#pragma once
// A private folder for a run's config, port and log files; removed with everything in it.
#include <string>

namespace fanout {

class TempDir {
public:
    TempDir() = default;
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool Create(const std::string& prefix);
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // The last lines of a file in the folder (empty when it does not exist).
    std::string Tail(const std::string& name, size_t maxBytes = 2000) const;

private:
    std::string path_;
};

}  // namespace fanout
