#include "bench/fanout/fanout_driver.h"

#include "bench/fanout/client_loop.h"
#include "bench/fanout/fanout_clock.h"

#include <chrono>
#include <sys/resource.h>
#include <thread>

namespace fanout {
namespace {

double OwnCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void SleepUntil(uint64_t micros) {
    const uint64_t now = NowMicros();
    if (micros > now) std::this_thread::sleep_for(std::chrono::microseconds(micros - now));
}

template <typename F>
void OnEveryLoop(std::vector<std::unique_ptr<ClientLoop>>& loops, F work) {
    std::vector<std::thread> threads;
    for (auto& loop : loops) threads.emplace_back([&work, &loop] { work(*loop); });
    for (auto& t : threads) t.join();
}

}  // namespace

FanoutResult FanoutDriver::Run(FanoutSystem& system) {
    FanoutResult result;
    result.system = system.Name();
    result.clients = options_.clients;
    result.chatReachesSender = system.ChatReachesSender();
    result.reducesFarPoses = system.ReducesFarPoses();
    if (!system.Launch(options_, &result.error)) return result;
    const CrowdLayout layout(options_.clients, options_.nearAvatars);
    result.nearPairs = uint64_t(options_.clients) * uint64_t(layout.NearCount());

    std::vector<std::unique_ptr<ClientLoop>> loops;
    for (int t = 0; t < options_.threads; ++t) loops.push_back(std::make_unique<ClientLoop>(options_, 1234u + t));
    for (int i = 0; i < options_.clients; ++i) {
        ClientLoop& loop = *loops[size_t(i) % loops.size()];
        loop.Add(system.MakeClient(i, loop.Io(), loop.Stats(), layout));
    }

    const uint64_t joinDeadline = NowMicros() + 30'000'000 + uint64_t(options_.clients) * 20'000;
    OnEveryLoop(loops, [&](ClientLoop& loop) { loop.Join(joinDeadline); });
    int ready = 0;
    for (auto& loop : loops) ready += loop->ReadyCount();
    if (ready < options_.clients) {
        for (auto& loop : loops)
            if (auto why = loop->FirstError(); !why.empty()) {
                result.error = why;
                break;
            }
        result.error = std::to_string(ready) + " of " + std::to_string(options_.clients) +
                       " clients joined; first problem: " + result.error;
        loops.clear();
        system.Shutdown();
        return result;
    }

    const uint64_t start = NowMicros();
    const uint64_t measureFrom = start + uint64_t(options_.warmupSeconds * 1e6);
    const uint64_t end = measureFrom + uint64_t(options_.seconds * 1e6);
    std::thread load([&] { OnEveryLoop(loops, [&](ClientLoop& loop) { loop.Load(measureFrom, end); }); });
    SleepUntil(measureFrom);
    const auto serverCpu0 = system.CpuSeconds();
    const double benchCpu0 = OwnCpuSeconds();
    const uint64_t wall0 = NowMicros();
    SleepUntil(end);
    const auto serverCpu1 = system.CpuSeconds();
    const double benchCpu1 = OwnCpuSeconds();
    const uint64_t wall1 = NowMicros();
    load.join();

    result.seconds = double(wall1 - wall0) / 1e6;
    if (serverCpu0 && serverCpu1) result.serverCpuSeconds = *serverCpu1 - *serverCpu0;
    else result.error = system.Name() + " went away during the run:\n" + system.LogTail();
    result.benchCpuSeconds = benchCpu1 - benchCpu0;
    for (auto& loop : loops) {
        result.stats.Merge(loop->Stats());
        result.connectedAtEnd += loop->ReadyCount();
    }
    loops.clear();
    system.Shutdown();
    return result;
}

}  // namespace fanout
