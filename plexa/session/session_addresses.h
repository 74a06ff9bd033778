#pragma once
// The small text rules of a session: the server host and port, the user id made at entry, and
// the local copy of a region's scene. All texts are CP932.
#include <cstdint>
#include <ctime>
#include <string>

namespace plexa {

struct ServerAddress {
    std::string host;
    int32_t port = 0;
};

// "name:port" splits at the first ':' (the port read as atoi reads it, so "name:" gives 0);
// without ':' the whole value is the host and defaultPort the port text.
ServerAddress SplitHost(const std::string& hostSetting, const std::string& defaultPort);

// The decimal text of the calendar time in seconds modulo 0xFFFFF.
std::string MakeUserId(std::time_t now);

// "file://" + install directory + the region address with a leading "http://" + host removed
// (letter case ignored), trailing white space removed.
std::string LocalSceneAddress(const std::string& regionAddress, const std::string& hostSetting,
                              const std::string& installDirectory);

}  // namespace plexa
