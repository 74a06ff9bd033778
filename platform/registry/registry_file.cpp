#include "platform/registry/registry_file.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <dirent.h>
#include <unistd.h>
#include <utility>

namespace platform::registry {
namespace {

// Holds an flock on "<file>.lock" for as long as it lives.
struct FileLock {
    int fd = -1;
    int error = 0;
    FileLock(const std::string& path, int operation, bool create) {
        fd = ::open((path + ".lock").c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
        if (fd < 0) {
            error = errno;
            return;
        }
        while (::flock(fd, operation) != 0) {
            if (errno != EINTR) {
                error = errno;
                ::close(fd);
                fd = -1;
                return;
            }
        }
    }
    ~FileLock() {
        if (fd >= 0) ::close(fd);  // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
};

LONG ErrorFromErrno(int error) {
    return (error == EACCES || error == EPERM || error == EROFS) ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The settings are the user's own: folders we make for them are owner-only.
void CreateOwnerOnlyDirectories(const std::filesystem::path& dir) {
    std::filesystem::path built;
    for (const auto& part : dir) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
}

constexpr std::string_view kTempInfix = ".tmp.";

// What mkostemp puts in place of "XXXXXX".
bool IsTempSuffix(std::string_view suffix) {
    if (suffix.size() != 6) return false;
    for (char c : suffix)
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

// Temporary files of this settings file left by writers that were killed: "<file>.tmp.XXXXXX",
// and "<file>.XXXXXX" as earlier versions named them. For the older form the suffix must hold a
// digit or a capital, so a file of the user's such as "<file>.backup" is never taken for one.
bool IsStaleTempName(std::string_view name, std::string_view base) {
    if (name.size() <= base.size() || name.substr(0, base.size()) != base) return false;
    const std::string_view rest = name.substr(base.size());
    if (rest.substr(0, kTempInfix.size()) == kTempInfix) return IsTempSuffix(rest.substr(kTempInfix.size()));
    if (rest[0] != '.' || !IsTempSuffix(rest.substr(1))) return false;
    for (char c : rest.substr(1))
        if (std::isdigit(static_cast<unsigned char>(c)) || std::isupper(static_cast<unsigned char>(c))) return true;
    return false;
}

// Called with the exclusive lock held: every writer holds it while its temporary file exists,
// so whatever temporary file is left now belongs to a writer that is gone.
void RemoveStaleTemps(const std::string& path) {
    const std::filesystem::path file(path);
    const std::string base = file.filename().string();
    std::filesystem::path dir = file.parent_path();
    if (dir.empty()) dir = ".";
    DIR* listing = ::opendir(dir.c_str());
    if (!listing) return;
    while (const dirent* entry = ::readdir(listing)) {
        if (!IsStaleTempName(entry->d_name, base)) continue;
        const std::filesystem::path stale = dir / entry->d_name;
        struct stat st {};
        if (::lstat(stale.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        ::unlink(stale.c_str());
    }
    ::closedir(listing);
}

}  // namespace

RegistryFile::RegistryFile(std::string path) : path_(std::move(path)) {}

bool RegistryFile::ReadText(std::string* text, int* error) const {
    text->clear();
    *error = 0;
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            *error = errno;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        text->append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

RegistryTree RegistryFile::Read(std::string* problem) const {
    if (problem) problem->clear();
    // Readers need the lock only to keep out of a writer's way; the rename already makes every
    // read see a whole file, so a lock file that cannot be made is no reason to fail.
    FileLock lock(path_, LOCK_SH, false);
    std::string text;
    int error = 0;
    RegistryTree tree;
    if (!ReadText(&text, &error)) {
        if (error != ENOENT && problem) *problem = path_ + ": " + std::strerror(error);
        return tree;
    }
    std::string why;
    if (!tree.Parse(text, &why) && problem) *problem = path_ + ", " + why;
    return tree;
}

LONG RegistryFile::Update(const std::function<LONG(RegistryTree& tree, bool* changed)>& change) {
    const std::filesystem::path parent = std::filesystem::path(path_).parent_path();
    if (!parent.empty()) CreateOwnerOnlyDirectories(parent);
    FileLock lock(path_, LOCK_EX, true);
    if (lock.fd < 0) return ErrorFromErrno(lock.error);

    std::string text;
    int error = 0;
    RegistryTree tree;
    if (ReadText(&text, &error)) {
        if (!tree.Parse(text, nullptr)) return ERROR_BADDB;  // never overwrite what we cannot read
    } else if (error != ENOENT) {
        return ErrorFromErrno(error);
    }
    bool changed = false;
    const LONG result = change(tree, &changed);
    if (result != ERROR_SUCCESS || !changed) return result;
    return WriteText(tree.Serialise());
}

LONG RegistryFile::WriteText(const std::string& text) {
    std::string temp = path_ + std::string(kTempInfix) + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return ErrorFromErrno(errno);
    struct stat st {};
    // A new settings file is the user's alone; an existing one keeps the mode it was given.
    const mode_t mode = ::stat(path_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0600;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const int writeError = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), path_.c_str()) == 0) {
        RemoveStaleTemps(path_);
        return ERROR_SUCCESS;
    }
    const int error = ok ? errno : writeError;
    ::unlink(temp.c_str());
    return ErrorFromErrno(error);
}

}  // namespace platform::registry
