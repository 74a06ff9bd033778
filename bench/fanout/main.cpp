// Fan-out benchmark: many clients in one region, each moving and chatting, against moneko-server
// and, with the same workload, against the Mosquitto broker. Loopback only; stops by itself.
#include "bench/fanout/fanout_driver.h"
#include "bench/fanout/cluster_fanout_system.h"
#include "bench/fanout/fanout_report.h"
#include "bench/fanout/mosquitto_fanout_system.h"
#include "bench/fanout/world_fanout_system.h"

#include <csignal>
#include <iostream>

int main(int argc, char** argv) {
    std::string error;
    auto options = fanout::FanoutOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        if (!error.empty()) std::cerr << "fanout_bench: " << error << "\n";
        std::cerr << fanout::FanoutOptions::Usage();
        return error.empty() ? 0 : 2;
    }
    // A server that drops a client mid-write must not take the benchmark down with it.
    std::signal(SIGPIPE, SIG_IGN);

    const std::string loadBefore = fanout::FanoutReport::LoadAverage();
    std::vector<fanout::FanoutResult> results;
    fanout::FanoutDriver driver(*options);
    for (const auto& name : options->systems) {
        std::unique_ptr<fanout::FanoutSystem> system;
        if (name == "world") system = std::make_unique<fanout::WorldFanoutSystem>(true);
        else if (name == "world-plain") system = std::make_unique<fanout::WorldFanoutSystem>(false);
        else if (name == "cluster") system = std::make_unique<fanout::ClusterFanoutSystem>();
        else system = std::make_unique<fanout::MosquittoFanoutSystem>(name == "mosquitto");
        std::cerr << "running " << system->Name() << " ...\n";
        results.push_back(driver.Run(*system));
    }
    fanout::FanoutReport::Print(std::cout, *options, results, loadBefore + " (before), " +
                                                              fanout::FanoutReport::LoadAverage() + " (after)");
    for (const auto& r : results)
        if (!r.Ok()) return 1;
    return 0;
}
