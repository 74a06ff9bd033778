#include "server/admin_client.h"

#include "server/server_options.h"
#include "server/text_encoding.h"

#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace server {

std::string AdminClient::Request(const std::string& socketPath, const std::string& line) {
    sockaddr_un address{};
    if (socketPath.size() >= sizeof address.sun_path) return "error socket path too long: " + socketPath;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return "error no socket";
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::string why = std::strerror(errno);
        ::close(fd);
        return "error cannot reach " + socketPath + ": " + why;
    }
    const std::string request = line + "\n";
    size_t sent = 0;
    while (sent < request.size()) {
        ssize_t n = ::write(fd, request.data() + sent, request.size() - sent);
        if (n <= 0) break;
        sent += size_t(n);
    }
    std::string answer;
    char buffer[256];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        answer.append(buffer, size_t(n));
    }
    ::close(fd);
    if (!answer.empty() && answer.back() == '\n') answer.pop_back();
    return answer.empty() ? "error no answer from " + socketPath : answer;
}

namespace {

const char kHelp[] =
    "usage: moneko-server admin [--socket F | --port N] COMMAND...\n"
    "       moneko-server admin --help\n"
    "Commands for a running moneko-server, over its admin socket.\n"
    "\n"
    "  --socket F    the server's admin socket (default: the one of the server on port 11001)\n"
    "  --port N      the admin socket of the server on port N, in its default place\n"
    "\n"
    "Commands:\n"
    "  announce [--region R] TEXT   show TEXT to everyone, or to region R only\n"
    "  close-region R               send everyone out of region R; it stays closed (also after a\n"
    "                               restart) until open-region\n"
    "  open-region R                let people into region R again\n"
    "  kick CLIENT-ID               end that participant's connection (they may come back)\n"
    "  ban CLIENT-ID|ADDRESS [--minutes N]\n"
    "                               refuse that participant's address (or ADDRESS) and close its\n"
    "                               connections; for N minutes, or until unban (default); kept across\n"
    "                               restarts and shared by every node of a cluster\n"
    "  unban ADDRESS                lift a ban\n"
    "  bans                         list the bans in force\n"
    "\n"
    "Prints the server's answer (\"ok N\": N participants reached) and exits 0, or 1 on an error\n"
    "answer, 2 on bad usage.\n";

}  // namespace

int AdminClient::Run(const std::vector<std::string>& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    std::string socketPath;
    size_t i = 0;
    for (; i + 1 < args.size(); i += 2) {
        if (args[i] == "--socket") socketPath = args[i + 1];
        else if (args[i] == "--port") {
            char* end = nullptr;
            const long port = std::strtol(args[i + 1].c_str(), &end, 10);
            if (args[i + 1].empty() || *end || port < 1 || port > 65535) {
                std::fprintf(stderr, "moneko-server admin: bad port %s\n", args[i + 1].c_str());
                return 2;
            }
            socketPath = DefaultAdminSocket(static_cast<uint16_t>(port));
        }
        else break;
    }
    if (socketPath.empty()) socketPath = DefaultAdminSocket(11001);
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    auto usage = [] {
        std::fputs(ServerOptions::Usage(), stderr);
        return 2;
    };
    if (rest.empty()) return usage();
    // Command-line texts are UTF-8; the world speaks CP932. Tabs and newlines would break the line.
    auto wire = [](const std::string& text) -> std::optional<std::string> {
        if (text.find_first_of("\t\n\r") != std::string::npos) return std::nullopt;
        return Utf8ToCp932(text);
    };
    std::string line;
    if (rest[0] == "announce") {
        std::string region;
        size_t j = 1;
        if (rest.size() > 2 && rest[1] == "--region") {
            region = rest[2];
            j = 3;
        }
        if (j >= rest.size()) return usage();
        std::string text;
        for (; j < rest.size(); ++j) text += (text.empty() ? "" : " ") + rest[j];
        auto r = wire(region), t = wire(text);
        if (!r || !t) {
            std::fputs("error: text is not valid UTF-8 for CP932 or holds a tab or newline\n", stderr);
            return 2;
        }
        line = "announce\t" + *r + "\t" + *t;
    } else if (rest[0] == "close-region" && rest.size() == 2) {
        auto r = wire(rest[1]);
        if (!r) return usage();
        line = "close-region\t" + *r;
    } else if (rest[0] == "open-region" && rest.size() == 2) {
        auto r = wire(rest[1]);
        if (!r) return usage();
        line = "open-region\t" + *r;
    } else if (rest[0] == "kick" && rest.size() == 2) {
        line = "kick\t" + rest[1];
    } else if (rest[0] == "ban" && (rest.size() == 2 || (rest.size() == 4 && rest[2] == "--minutes"))) {
        if (rest[1].find_first_of("\t\n\r") != std::string::npos) return usage();
        line = "ban\t" + rest[1] + "\t" + (rest.size() == 4 ? rest[3] : "0");
    } else if (rest[0] == "unban" && rest.size() == 2) {
        if (rest[1].find_first_of("\t\n\r") != std::string::npos) return usage();
        line = "unban\t" + rest[1];
    } else if (rest[0] == "bans" && rest.size() == 1) {
        line = "bans";
    } else {
        return usage();
    }
    const std::string answer = Request(socketPath, line);
    std::printf("%s\n", answer.c_str());
    return answer.rfind("ok", 0) == 0 ? 0 : 1;
}

}  // namespace server
