#include "baselines.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace orv::perf {

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
