// moneko-server: the world server, and its admin command.
#include "server/admin_client.h"
#include "server/cluster/cluster_world.h"
#include "server/local_world.h"
#include "server/server_options.h"
#include "server/world_server.h"

#include <asio.hpp>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "admin") return server::AdminClient::Run({args.begin() + 1, args.end()});
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(server::ServerOptions::Help(), stdout);
        return 0;
    }
    std::string error;
    auto options = server::ServerOptions::Parse(args, &error);
    if (!options) {
        std::fprintf(stderr, "moneko-server: %s\n%s", error.c_str(), server::ServerOptions::Usage());
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    asio::io_context io;
    // Alone in memory unless told to join a cluster.
    std::unique_ptr<server::World> world;
    server::cluster::ClusterWorld* cluster = nullptr;
    if (!options->cluster.empty()) {
        server::cluster::ClusterSettings settings;
        settings.url = options->cluster;
        settings.tls = {options->clusterCa, options->clusterCert, options->clusterKey};
        settings.interest = options->Interest();
        auto clusterWorld = std::make_unique<server::cluster::ClusterWorld>(io, settings);
        cluster = clusterWorld.get();
        world = std::move(clusterWorld);
    } else {
        world = std::make_unique<server::LocalWorld>(options->Interest());
    }
    server::WorldServer worldServer(io, *options, std::move(world));
    if (cluster) {
        cluster->SetLog([&worldServer](const std::string& line) { worldServer.Log(line); });
        if (!cluster->Start(&error)) {
            std::fprintf(stderr, "moneko-server: %s\n", error.c_str());
            return 1;
        }
    }
    if (!worldServer.Start(&error)) {
        std::fprintf(stderr, "moneko-server: %s\n", error.c_str());
        return 1;
    }
    std::printf("listening %s:%u\n", options->address.c_str(), unsigned(worldServer.Port()));
    std::fflush(stdout);
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](std::error_code, int) {
        worldServer.Log("stopping");
        worldServer.Stop();
        // Give the Byes a moment to leave, then end.
        auto timer = std::make_shared<asio::steady_timer>(io, std::chrono::milliseconds(200));
        timer->async_wait([&io, timer, cluster](std::error_code) {
            if (cluster) cluster->Stop();
            io.stop();
        });
    });
    io.run();
    return 0;
}
