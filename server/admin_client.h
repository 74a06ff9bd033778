#pragma once
// `moneko-server admin ...`: turns the command line into one admin line, sends it over the
// server's admin socket and prints the answer.
#include <string>
#include <vector>

namespace server {

class AdminClient {
public:
    // args after "admin". Returns the process exit code.
    static int Run(const std::vector<std::string>& args);
    // Sends one line to the socket and returns the answer line, or "error ..." when unreachable.
    static std::string Request(const std::string& socketPath, const std::string& line);
};

}  // namespace server
