#include "server/admin_channel.h"

#include "server/world_server.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace server {

namespace {

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
    // The default directory under /tmp is made private to the user.
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        const std::string dir = path.substr(0, slash);
        if (::mkdir(dir.c_str(), 0700) == 0) {
            // made it: it is ours and private
        } else if (errno != EEXIST) {
            *error = "cannot make " + dir + ": " + std::strerror(errno);
            return false;
        }
    }
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
    if (fields[0] == "announce" && fields.size() == 3) {
        answer = "ok " + std::to_string(world.Announce(fields[1], fields[2]));
    } else if (fields[0] == "close-region" && fields.size() == 2 && !fields[1].empty()) {
        answer = "ok " + std::to_string(world.CloseRegion(fields[1]));
    } else if (fields[0] == "kick" && fields.size() == 2) {
        char* end = nullptr;
        const long id = std::strtol(fields[1].c_str(), &end, 10);
        if (fields[1].empty() || *end || id <= 0 || id > 65535) {
            answer = "error bad client id";
        } else {
            const size_t n = world.Kick(static_cast<uint16_t>(id));
            answer = n ? "ok 1" : "error no such client";
        }
    } else {
        answer = "error unknown command";
    }
    server_.Log("admin: " + LogText(line) + " -> " + answer);
    return answer;
}

}  // namespace server
