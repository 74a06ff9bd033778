#include "plexa/session/session_addresses.h"

#include <cstdlib>

namespace plexa {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
    return true;
}

bool IsTrailingSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

ServerAddress SplitHost(const std::string& hostSetting, const std::string& defaultPort) {
    ServerAddress address;
    const size_t colon = hostSetting.find(':');
    if (colon == std::string::npos) {
        address.host = hostSetting;
        address.port = std::atoi(defaultPort.c_str());
    } else {
        address.host = hostSetting.substr(0, colon);
        address.port = std::atoi(hostSetting.c_str() + colon + 1);
    }
    return address;
}

std::string MakeUserId(std::time_t now) {
    return std::to_string(static_cast<long long>(now % 0xFFFFF));
}

std::string LocalSceneAddress(const std::string& regionAddress, const std::string& hostSetting,
                              const std::string& installDirectory) {
    const std::string prefix = "http://" + hostSetting;
    std::string rest = StartsWithNoCase(regionAddress, prefix) ? regionAddress.substr(prefix.size()) : regionAddress;
    std::string path = installDirectory;
    // A region address without a leading separator would otherwise run into the directory name.
    if (!rest.empty() && rest.front() != '/' && (path.empty() || path.back() != '/')) path += '/';
    path += rest;
    while (!path.empty() && IsTrailingSpace(path.back())) path.pop_back();
    return "file://" + path;
}

}  // namespace plexa
