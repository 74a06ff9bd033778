#include "platform/registry/registry_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform::registry {
namespace {

// Holds an flock on "<file>.lock" for as long as it lives.
struct FileLock {
    int fd = -1;
    int error = 0;
    FileLock(const std::string& path, int operation, bool create) {
        fd = ::open((path + ".lock").c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
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
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path_).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
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
    std::string temp = path_ + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return ErrorFromErrno(errno);
    struct stat st {};
    const mode_t mode = ::stat(path_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const int writeError = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), path_.c_str()) == 0) return ERROR_SUCCESS;
    const int error = ok ? errno : writeError;
    ::unlink(temp.c_str());
    return ErrorFromErrno(error);
}

}  // namespace platform::registry
