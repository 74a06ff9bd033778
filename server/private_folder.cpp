#include "server/private_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace server {

namespace {

bool MakeFolder(const std::string& path, mode_t forbidden, std::string* error) {
    if (path.empty()) {
        *error = "no folder given";
        return false;
    }
    // Missing parents are made as well (private too: nobody else needs them).
    for (size_t slash = path.find('/', 1); slash != std::string::npos && slash + 1 < path.size();
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    if (errno != EEXIST) {
        *error = "cannot make the folder " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) {
        *error = "cannot examine the folder " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = path + " is not a folder (a link or a file is in its place)";
        return false;
    }
    if (st.st_uid != ::geteuid() || (st.st_mode & forbidden) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
        *error = "the folder " + path + " is not " + (forbidden == 077 ? "private to" : "only writable by") +
                 " this user (owner uid " + std::to_string(st.st_uid) +
                 ", mode " + mode + "); remove it or choose another place";
        return false;
    }
    return true;
}

}  // namespace

bool MakePrivateFolder(const std::string& path, std::string* error) { return MakeFolder(path, 077, error); }

bool MakeOwnFolder(const std::string& path, std::string* error) { return MakeFolder(path, 022, error); }

}  // namespace server
