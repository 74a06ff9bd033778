#include "server/moderation.h"

#include "server/address_key.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sstream>
#include <unistd.h>

namespace server {
namespace {

// Region names are arbitrary bytes: kept as hexadecimal so any of them fits on one line.
std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool FromHex(const std::string& hex, std::string* bytes) {
    if (hex.size() % 2) return false;
    bytes->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int v = 0;
        for (size_t j = i; j < i + 2; ++j) {
            const char c = hex[j];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (d < 0) return false;
            v = v * 16 + d;
        }
        *bytes += static_cast<char>(v);
    }
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

bool Moderation::Load(std::string* error, std::vector<std::string>* skipped) {
    bans_.clear();
    closed_.clear();
    if (path_.empty()) return true;
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        *error = "cannot read " + path_ + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = "cannot read " + path_ + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        text.append(buffer, size_t(n));
    }
    ::close(fd);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string kind, value, extra;
        long long until = -1;
        bool ok = false;
        if (fields >> kind >> value) {
            if (kind == "ban" && fields >> until && until >= 0 && !(fields >> extra)) {
                if (auto key = ParseAddressKey(value); key && *key == value) {
                    bans_[*key] = Time(std::chrono::seconds(until));
                    ok = true;
                }
            } else if (kind == "closed" && !(fields >> extra)) {
                std::string region;
                if (FromHex(value, &region) && !region.empty()) {
                    closed_.insert(region);
                    ok = true;
                }
            }
        }
        if (!ok && skipped) skipped->push_back(line);
    }
    return true;
}

bool Moderation::Save(std::string* error) const {
    if (path_.empty()) return true;
    std::string text = "# moneko-server: banned addresses (key, until: Unix seconds, 0 for good) and closed regions\n";
    for (const auto& [key, until] : bans_)
        text += "ban " + key + " " + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(until.time_since_epoch()).count()) + "\n";
    for (const auto& region : closed_) text += "closed " + ToHex(region) + "\n";

    // The folder is made on first need, private like everything of the server's.
    for (size_t slash = path_.find('/', 1); slash != std::string::npos; slash = path_.find('/', slash + 1))
        ::mkdir(path_.substr(0, slash).c_str(), 0700);
    const std::string temp = path_ + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = "cannot write " + temp + ": " + std::strerror(errno);
        return false;
    }
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    ::close(fd);
    if (!written || ::rename(temp.c_str(), path_.c_str()) != 0) {
        *error = "cannot write " + path_ + ": " + std::strerror(written ? errno : writeErrno);
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself must reach the disk too.
    const auto slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void Moderation::AddBan(const std::string& key, Time until) { bans_[key] = until; }

bool Moderation::RemoveBan(const std::string& key) { return bans_.erase(key) > 0; }

bool Moderation::IsBanned(const std::string& key, Time now) const {
    auto it = bans_.find(key);
    return it != bans_.end() && (it->second == Time{} || it->second > now);
}

std::vector<Moderation::Ban> Moderation::Bans(Time now) {
    std::vector<Ban> out;
    for (auto it = bans_.begin(); it != bans_.end();) {
        if (it->second != Time{} && it->second <= now) {
            it = bans_.erase(it);
        } else {
            out.push_back(Ban{it->first, it->second});
            ++it;
        }
    }
    return out;
}

}  // namespace server
