// moneko-bot: a scriptable participant. Talks in, enters a region, then runs commands read from
// standard input while printing every event it receives, one line each (UTF-8):
//   say TEXT | move X Y Z DX DY DZ | act CODE | esp CID TEXT | esp-open CID | esp-close CID
//   enter REGION [AVATAR-NUMBER] | leave | talkout | wait MS | quit
#include "platform/text/carried_text.h"
#include "protocol/limits.h"
#include "server/bot/wire_client.h"
#include "server/text_encoding.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

using namespace protocol;
using Clock = std::chrono::steady_clock;

namespace {

struct BotOptions {
    std::string host = "127.0.0.1";
    uint16_t port = 11001;
    std::string user = "bot", name = "bot", region, avatar = "1";
    int16_t presence = 1;
    std::string greet, espReply;
    bool refuseEsp = false, stay = false;
    bool plain = false;  // no TLS
};

// Text goes out in the form the chat control carries: CP932 with references for the rest, so a
// client shows exactly what the script says.
std::string Wire(const std::string& utf8) { return platform::Utf8ToCarried(utf8); }
std::string Shown(const std::string& carried) { return platform::CarriedToUtf8(carried); }

// The server closes a connection that sends a text beyond its limit: cut it where a client would
// (never inside a reference or a double-byte character) and say so.
std::string Fit(const std::string& carried, size_t limit) {
    if (carried.size() <= limit) return carried;
    std::fprintf(stderr, "moneko-bot: text of %zu bytes cut to the limit of %zu\n", carried.size(), limit);
    return carried.substr(0, platform::CarriedPrefixLength(carried, limit));
}

std::string PoseText(const Pose& pose) {
    std::string out;
    for (float f : pose) out += " " + std::to_string(f);
    return out;
}

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

class Bot {
public:
    explicit Bot(BotOptions o) : o_(std::move(o)) {}

    int Run() {
        client_.SetPlain(o_.plain);
        if (!client_.Connect(o_.host, o_.port)) return Fail("cannot connect to " + o_.host + ":" + std::to_string(o_.port));
        auto reply = client_.Call(TalkIn{0, 0x00020001, Fit(Wire(o_.user), kMaxUserId), "", Fit(Wire(o_.name), kMaxAvatarName), 0, 0});
        if (!reply || reply->status != ReplyStatus::Ok) return Fail("talk-in refused");
        id_ = reply->clientId;
        Print("TalkIn " + std::to_string(id_));
        if (!o_.region.empty() && !Enter(o_.region, o_.avatar)) return Fail("region entry refused");
        return Loop();
    }

private:
    int Fail(const std::string& why) {
        std::fprintf(stderr, "moneko-bot: %s\n", why.c_str());
        return 1;
    }

    bool Enter(const std::string& region, const std::string& avatar) {
        auto reply = client_.Call(EnterRegion{0, server::Utf8ToCp932(region).value_or(region), avatar, Pose{0, 0, 0, 0, 0, -1}, o_.presence});
        if (!reply || reply->status != ReplyStatus::Ok) return false;
        Print("EnterRegion " + std::to_string(reply->clientId));
        return true;
    }

    void Report(const Message& m) {
        std::visit(
            [&](const auto& e) {
                using T = std::decay_t<decltype(e)>;
                if constexpr (std::is_same_v<T, AvatarEntered> || std::is_same_v<T, AvatarPresent>) {
                    const auto& a = e.avatar;
                    Print(std::string(std::is_same_v<T, AvatarEntered> ? "AvatarEntered " : "AvatarPresent ") +
                          std::to_string(a.clientId) + " " + Shown(a.userId) + " " + Shown(a.avatarName) + " " +
                          a.avatarNumber + " " + std::to_string(a.presence) + PoseText(a.pose));
                    if (std::is_same_v<T, AvatarEntered> && !o_.greet.empty()) client_.Send(SendChat{Fit(Wire(o_.greet), kMaxChatText)});
                } else if constexpr (std::is_same_v<T, AvatarLeft>) {
                    Print("AvatarLeft " + std::to_string(e.clientId));
                } else if constexpr (std::is_same_v<T, AvatarMoved>) {
                    Print("AvatarMoved " + std::to_string(e.clientId) + PoseText(e.pose));
                } else if constexpr (std::is_same_v<T, AvatarActed>) {
                    Print("AvatarActed " + std::to_string(e.clientId) + " " + Shown(e.code));
                } else if constexpr (std::is_same_v<T, RegionClosed>) {
                    Print("RegionClosed");
                } else if constexpr (std::is_same_v<T, ChatReceived>) {
                    Print("ChatStringReceived " + std::to_string(e.clientId) + " " + Shown(e.text));
                } else if constexpr (std::is_same_v<T, AdminMessage>) {
                    Print("AdminMessage " + Shown(e.text));
                } else if constexpr (std::is_same_v<T, EspReceived>) {
                    Print("EspStringReceived " + std::to_string(e.clientId) + " " + Shown(e.text));
                    if (!o_.espReply.empty() && e.clientId != id_)
                        client_.Send(SendEsp{e.clientId, Fit(Wire(o_.espReply), kMaxEspText)});
                } else if constexpr (std::is_same_v<T, EspRequested>) {
                    Print("EspRequested " + std::to_string(e.clientId) + " " + Shown(e.userId) + " " + Shown(e.avatarName));
                    client_.Send(protocol::EspAnswer{e.clientId, !o_.refuseEsp});
                } else if constexpr (std::is_same_v<T, EspClosed>) {
                    Print("EspClosed " + std::to_string(e.clientId));
                } else if constexpr (std::is_same_v<T, Bye>) {
                    Print("Bye " + std::to_string(int(e.reason)) + " " + e.text);
                } else if constexpr (std::is_same_v<T, Reply>) {
                    Print(std::string("Reply ") + NameOf(e.request) + " " + std::to_string(int(e.status)));
                }
            },
            m);
    }

    // Runs one script line; false to end.
    bool Command(const std::string& line) {
        std::istringstream in(line);
        std::string verb;
        in >> verb;
        std::string rest;
        std::getline(in >> std::ws, rest);
        if (verb.empty() || verb[0] == '#') return true;
        if (verb == "say") {
            client_.Send(SendChat{Fit(Wire(rest), kMaxChatText)});
        } else if (verb == "move") {
            Pose pose{};
            std::istringstream numbers(rest);
            for (float& f : pose) numbers >> f;
            client_.Send(SendPose{pose});
        } else if (verb == "act") {
            client_.Send(SendAction{rest});
        } else if (verb == "esp") {
            std::istringstream fields(rest);
            int id = 0;
            fields >> id;
            std::string text;
            std::getline(fields >> std::ws, text);
            client_.Send(SendEsp{uint16_t(id), Fit(Wire(text), kMaxEspText)});
        } else if (verb == "esp-open") {
            auto r = client_.Call(OpenEsp{0, uint16_t(std::atoi(rest.c_str())), "", ""});
            Print(std::string("OpenEspConnection ") + (r && r->status == ReplyStatus::Ok ? "TRUE" : "FALSE"));
        } else if (verb == "esp-close") {
            auto r = client_.Call(CloseEsp{0, uint16_t(std::atoi(rest.c_str())), ""});
            Print(std::string("CloseEspConnection ") + (r && r->status == ReplyStatus::Ok ? "TRUE" : "FALSE"));
        } else if (verb == "enter") {
            std::istringstream fields(rest);
            std::string region, avatar = o_.avatar;
            fields >> region >> avatar;
            if (!Enter(region, avatar)) Print("EnterRegion FALSE");
        } else if (verb == "leave") {
            auto r = client_.Call(LeaveRegion{});
            Print(std::string("LeaveRegion ") + (r && r->status == ReplyStatus::Ok ? "TRUE" : "FALSE"));
        } else if (verb == "talkout") {
            auto r = client_.Call(TalkOut{});
            Print(std::string("TalkOut ") + (r && r->status == ReplyStatus::Ok ? "TRUE" : "FALSE"));
        } else if (verb == "wait") {
            waitUntil_ = Clock::now() + std::chrono::milliseconds(std::atoi(rest.c_str()));
        } else if (verb == "quit") {
            return false;
        } else {
            std::fprintf(stderr, "moneko-bot: unknown command %s\n", verb.c_str());
        }
        return true;
    }

    int Loop() {
        bool inputOpen = true;
        std::string pending;
        for (;;) {
            while (!client_.Backlog().empty()) {
                Report(client_.Backlog().front());
                client_.Backlog().pop_front();
            }
            if (!client_.IsOpen()) {
                Print("ServerDisconnected");
                return 0;
            }
            const bool waiting = Clock::now() < waitUntil_;
            // Run buffered script lines unless a wait is in force.
            size_t newline;
            while (!waiting && Clock::now() >= waitUntil_ && (newline = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, newline);
                pending.erase(0, newline + 1);
                if (!Command(line)) return Quit();
            }
            if (!inputOpen && pending.empty() && Clock::now() >= waitUntil_ && !o_.stay) return Quit();
            pollfd fds[2] = {{client_.Fd(), POLLIN, 0}, {0, POLLIN, 0}};
            const int count = inputOpen ? 2 : 1;
            int timeout = 200;
            if (Clock::now() < waitUntil_)
                timeout = int(std::chrono::duration_cast<std::chrono::milliseconds>(waitUntil_ - Clock::now()).count()) + 1;
            ::poll(fds, count, timeout);
            if (fds[0].revents) client_.Pump(0);
            if (inputOpen && fds[1].revents) {
                char buffer[4096];
                ssize_t n = ::read(0, buffer, sizeof buffer);
                if (n <= 0) {
                    inputOpen = false;
                    if (!pending.empty() && pending.back() != '\n') pending += '\n';
                } else {
                    pending.append(buffer, size_t(n));
                }
            }
        }
    }

    int Quit() {
        client_.Call(TalkOut{}, 1000);
        return 0;
    }

    BotOptions o_;
    bot::WireClient client_;
    uint16_t id_ = 0;
    Clock::time_point waitUntil_{};
};

}  // namespace

int main(int argc, char** argv) {
    BotOptions o;
    auto usage = [](FILE* to, int status) {
        std::fputs(
            "usage: moneko-bot [OPTION]...\n"
            "A scripted participant of a moneko-server world: it enters a region, prints what it sees\n"
            "(one event a line, UTF-8) and follows commands read from standard input.\n"
            "\n"
            "  --host H          server address to connect to (default 127.0.0.1)\n"
            "  --port P          server port (default 11001)\n"
            "  --user ID         user id to talk in with (default bot)\n"
            "  --name NAME       nickname shown to the others (default bot)\n"
            "  --region R        region address to enter (default: none, stays outside until 'enter')\n"
            "  --avatar N        avatar number (default 1)\n"
            "  --ghost           enter as a ghost rather than an avatar\n"
            "  --greet TEXT      say TEXT once entered (default: say nothing)\n"
            "  --esp-reply TEXT  answer every private (ESP) line with TEXT (default: no answer)\n"
            "  --refuse-esp      refuse private conversations (default: accept them)\n"
            "  --stay            keep running when standard input ends (default: leave and quit)\n"
            "  --plain           speak without TLS, to a server started with --plain (default: TLS)\n"
            "  -h, --help        show this help and exit\n"
            "\n"
            "commands on standard input: say TEXT, move X Y Z DX DY DZ, act CODE, esp ID TEXT,\n"
            "esp-open ID, esp-close ID, enter REGION, leave, talkout, wait MS, quit\n",
            to);
        return status;
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") return usage(stdout, 0);
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--ghost") o.presence = 2;
        else if (a == "--refuse-esp") o.refuseEsp = true;
        else if (a == "--stay") o.stay = true;
        else if (a == "--plain") o.plain = true;
        else if (!(v = value())) return usage(stderr, 2);
        else if (a == "--host") o.host = v;
        else if (a == "--port") o.port = uint16_t(std::atoi(v));
        else if (a == "--user") o.user = v;
        else if (a == "--name") o.name = v;
        else if (a == "--region") o.region = v;
        else if (a == "--avatar") o.avatar = v;
        else if (a == "--greet") o.greet = v;
        else if (a == "--esp-reply") o.espReply = v;
        else return usage(stderr, 2);
    }
    return Bot(o).Run();
}
