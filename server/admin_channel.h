#pragma once
// The administration socket: a unix socket that only the server's own user can open (mode 0600,
// peer credentials checked). One command line per connection, one answer line back:
//   announce TAB region TAB text     (empty region: everyone)
//   close-region TAB region
//   kick TAB client-id
//   ban TAB client-id-or-address TAB minutes (0: until unbanned)
//   unban TAB address
//   bans
//   open-region TAB region
// Answers: "ok N" (participants reached) or "error what"; `bans` adds one line per ban.
#include <asio.hpp>

#include <string>
#include <vector>

namespace server {

class WorldServer;

// The fields of one tab-separated line (admin commands and their answers, the bans file).
std::vector<std::string> SplitTabs(const std::string& line);

class AdminChannel {
public:
    explicit AdminChannel(WorldServer& server);
    ~AdminChannel();
    bool Start(const std::string& path, std::string* error);
    void Stop();

    // Runs one command line against the world; returns the answer line (without newline).
    std::string Execute(const std::string& line);

private:
    void Accept();

    WorldServer& server_;
    asio::local::stream_protocol::acceptor acceptor_;
    std::string path_;
};

}  // namespace server
