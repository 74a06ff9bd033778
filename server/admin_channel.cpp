#include "server/admin_channel.h"

#include "server/address_key.h"
#include "server/world_server.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace server {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

namespace {

// A connection reading one line with a cap, then answering.
class AdminConnection : public std::enable_shared_from_this<AdminConnection> {
public:
    AdminConnection(asio::local::stream_protocol::socket socket, AdminChannel& channel)
        : socket_(std::move(socket)), channel_(channel) {}
    void Start() {
        asio::async_read_until(socket_, asio::dynamic_buffer(input_, 8192), '\n',
                               [self = shared_from_this()](std::error_code ec, size_t n) {
                                   if (ec) return;
                                   std::string line = self->input_.substr(0, n - 1);
                                   self->output_ = self->channel_.Execute(line) + "\n";
                                   asio::async_write(self->socket_, asio::buffer(self->output_),
                                                     [self](std::error_code, size_t) {});
                               });
    }

private:
    asio::local::stream_protocol::socket socket_;
    AdminChannel& channel_;
    std::string input_, output_;
};

}  // namespace

AdminChannel::AdminChannel(WorldServer& server) : server_(server), acceptor_(server.Io()) {}

AdminChannel::~AdminChannel() { Stop(); }

bool AdminChannel::Start(const std::string& path, std::string* error) {
    path_ = path;
    // The folder was checked to be private before: nobody else can have put anything here.
    ::unlink(path.c_str());
    std::error_code ec;
    // Created without group or other permissions from the start, not chmod-ed afterwards.
    const mode_t old = ::umask(0077);
    acceptor_.open(asio::local::stream_protocol(), ec);
    if (!ec) acceptor_.bind(asio::local::stream_protocol::endpoint(path), ec);
    ::umask(old);
    if (!ec) acceptor_.listen(16, ec);
    if (ec) {
        *error = "cannot open admin socket " + path + ": " + ec.message();
        return false;
    }
    Accept();
    return true;
}

void AdminChannel::Stop() {
    if (!acceptor_.is_open()) return;
    std::error_code ec;
    acceptor_.close(ec);
    ::unlink(path_.c_str());
}

void AdminChannel::Accept() {
    acceptor_.async_accept([this](std::error_code ec, asio::local::stream_protocol::socket socket) {
        if (ec) {
            if (ec != asio::error::operation_aborted) Accept();
            return;
        }
        ucred cred{};
        socklen_t size = sizeof cred;
        if (::getsockopt(socket.native_handle(), SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || cred.uid != ::getuid()) {
            server_.Log("admin: refused a connection from uid " + std::to_string(cred.uid));
        } else {
            std::make_shared<AdminConnection>(std::move(socket), *this)->Start();
        }
        Accept();
    });
}

std::string AdminChannel::Execute(const std::string& line) {
    const auto fields = SplitTabs(line);
    World& world = server_.GetWorld();
    std::string answer;
    auto clientId = [](const std::string& text) -> std::optional<uint16_t> {
        if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
        const long id = std::strtol(text.c_str(), nullptr, 10);
        if (id <= 0 || id > 65535) return std::nullopt;
        return static_cast<uint16_t>(id);
    };
    if (fields[0] == "announce" && fields.size() == 3) {
        answer = "ok " + std::to_string(world.Announce(fields[1], fields[2]));
    } else if (fields[0] == "close-region" && fields.size() == 2 && !fields[1].empty()) {
        // Closed until opened again: nobody re-enters, on any node, across restarts.
        answer = "ok " + std::to_string(world.CloseRegion(fields[1]));
        std::string why;
        server_.Moderate("close\t" + fields[1], true, &why);
        if (!why.empty()) answer += " (" + why + ")";
    } else if (fields[0] == "open-region" && fields.size() == 2 && !fields[1].empty()) {
        if (!server_.GetModeration().IsClosed(fields[1])) {
            answer = "error region not closed";
        } else {
            std::string why;
            server_.Moderate("open\t" + fields[1], true, &why);
            answer = why.empty() ? "ok 1" : "ok 1 (" + why + ")";
        }
    } else if (fields[0] == "kick" && fields.size() == 2) {
        if (auto id = clientId(fields[1])) {
            const size_t n = world.Kick(*id);
            answer = n ? "ok 1" : "error no such client";
        } else {
            answer = "error bad client id";
        }
    } else if (fields[0] == "ban" && fields.size() == 3) {
        std::optional<std::string> key;
        if (auto id = clientId(fields[1])) {
            key = world.AddressOf(*id);
            if (!key) answer = "error no such client";
        } else {
            key = ParseAddressKey(fields[1]);
            if (!key) answer = "error bad client id or address " + fields[1];
        }
        char* end = nullptr;
        const long minutes = std::strtol(fields[2].c_str(), &end, 10);
        if (key && (fields[2].empty() || *end || minutes < 0 || minutes > 10L * 366 * 24 * 60)) {
            key.reset();
            answer = "error bad minutes " + fields[2];
        }
        if (key) {
            const long long until = minutes == 0 ? 0
                : std::chrono::duration_cast<std::chrono::seconds>(
                      (std::chrono::system_clock::now() + std::chrono::minutes(minutes)).time_since_epoch()).count();
            std::string why;
            const size_t closed = server_.Moderate("ban\t" + *key + "\t" + std::to_string(until), true, &why);
            answer = "ok " + std::to_string(closed) + (why.empty() ? "" : " (" + why + ")");
        }
    } else if (fields[0] == "unban" && fields.size() == 2) {
        auto key = ParseAddressKey(fields[1]);
        if (!key) {
            answer = "error bad address " + fields[1];
        } else if (!server_.GetModeration().IsBanned(*key)) {
            answer = "error not banned: " + fields[1];
        } else {
            std::string why;
            server_.Moderate("unban\t" + *key, true, &why);
            answer = why.empty() ? "ok 1" : "ok 1 (" + why + ")";
        }
    } else if (fields[0] == "bans" && fields.size() == 1) {
        const auto bans = server_.Bans();
        answer = "ok " + std::to_string(bans.size());
        for (const auto& ban : bans) {
            answer += "\n" + AddressOfKey(ban.key) + " (" + ban.key + ") ";
            if (ban.until == Moderation::Time{}) {
                answer += "until unbanned";
            } else {
                const std::time_t t = std::chrono::system_clock::to_time_t(ban.until);
                std::tm tm{};
                gmtime_r(&t, &tm);
                char when[32];
                std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S UTC", &tm);
                answer += std::string("until ") + when;
            }
        }
    } else {
        answer = "error unknown command";
    }
    server_.Log("admin: " + LogText(line) + " -> " + LogText(answer.substr(0, answer.find('\n'))));
    return answer;
}

}  // namespace server
