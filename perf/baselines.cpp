#include "baselines.h"

#include <pthread.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace orv::perf {
namespace {

struct Cores {
    Placement placement = Placement::kFree;
    int main = -1, peer = -1;
};

void Pin(int core) {
    if (core < 0) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(core, &set);
    sched_setaffinity(0, sizeof set, &set);  // 0: the calling thread
}

std::string FirstLine(const char* path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

Cores Choose() {
    Cores cores;
    const char* asked = std::getenv("ORV_BENCH_PLACEMENT");
    if (asked == nullptr) return cores;
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return cores;
    std::vector<int> usable;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &allowed)) usable.push_back(cpu);
    if (usable.empty()) return cores;
    if (std::strcmp(asked, "same") == 0) {
        cores = {Placement::kSameCore, usable[0], usable[0]};
    } else if (std::strcmp(asked, "split") == 0 && usable.size() >= 2) {
        cores = {Placement::kTwoCores, usable[0], usable[1]};
    }
    return cores;
}

const Cores& TheCores() {
    static const Cores cores = Choose();
    return cores;
}

// Before main(): the main thread, and every thread it starts, on the main core.
const bool g_applied = [] {
    const Cores& cores = TheCores();
    Pin(cores.main);
    utsname name{};
    uname(&name);
    benchmark::AddCustomContext("orv_placement", PlacementName());
    benchmark::AddCustomContext("orv_cores", std::to_string(cores.main) + "," +
                                                 std::to_string(cores.peer));
    benchmark::AddCustomContext("orv_machine", std::string(name.nodename) + " " + name.machine +
                                                   " " + name.release);
    benchmark::AddCustomContext("orv_loadavg_at_start", FirstLine("/proc/loadavg"));
    return true;
}();

}  // namespace

Placement CurrentPlacement() {
    return TheCores().placement;
}

std::string PlacementName() {
    switch (TheCores().placement) {
        case Placement::kSameCore: return "same-core";
        case Placement::kTwoCores: return "two-cores";
        default: return "free";
    }
}

void PinPeerThread() {
    Pin(TheCores().peer);
}

void OnPeerCore(const std::function<void()>& start) {
    const Cores& cores = TheCores();
    Pin(cores.peer);
    start();
    Pin(cores.main);
}

double Percentile(std::vector<double> samples, double p) {
    if (samples.empty()) return 0;
    const size_t k = std::min(samples.size() - 1,
                              static_cast<size_t>(p / 100.0 * static_cast<double>(samples.size())));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(k),
                     samples.end());
    return samples[k];
}

std::vector<double> ConditionVariableRoundTrips(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    std::condition_variable toPeer, toMain;
    uint64_t ping = 0, pong = 0;
    bool stop = false;
    std::thread peer([&] {
        PinPeerThread();
        std::unique_lock lock(mutex);
        for (;;) {
            toPeer.wait(lock, [&] { return ping != pong || stop; });
            if (stop) return;
            pong = ping;
            lock.unlock();
            toMain.notify_one();
            lock.lock();
        }
    });
    std::vector<double> samples;
    samples.reserve(1 << 16);
    for (auto _ : state) {
        const auto start = Clock::now();
        {
            std::lock_guard lock(mutex);
            ++ping;
        }
        toPeer.notify_one();
        std::unique_lock lock(mutex);
        toMain.wait(lock, [&] { return pong == ping; });
        lock.unlock();
        samples.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    toPeer.notify_one();
    peer.join();
    return samples;
}

}  // namespace orv::perf
