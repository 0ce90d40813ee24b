// What the latency benchmarks compare against, measured in the same run: a bare two-thread
// condition_variable round trip, and the percentile of a set of samples. And where the threads
// run: ratios move with the scheduler's placement, so a run can pin it.
#pragma once

#include <benchmark/benchmark.h>
#include <sched.h>

#include <functional>
#include <string>
#include <vector>

namespace orv::perf {

// ORV_BENCH_PLACEMENT: "same" puts the main thread and its peers on one core, "split" the main
// thread on one core and its peers on another; unset (or with fewer than two usable cores for
// "split") the scheduler places them. Applied to the main thread before main() of every program
// linking this file; the benchmark context records the placement, the cores and the load
// average.
enum class Placement { kFree, kSameCore, kTwoCores };
Placement CurrentPlacement();
std::string PlacementName();
// Pins the calling thread where a peer of the main thread belongs (nothing when free).
void PinPeerThread();
// Runs `start` with the calling thread on the peer core, so the threads it creates (a library's
// worker, a JVM's) start there; the calling thread goes back to its own core after.
void OnPeerCore(const std::function<void()>& start);
// Waits for `done` by spinning, yielding the core at each turn (a pure spin would starve a peer
// that shares the core).
template <class Done>
void SpinUntil(Done&& done) {
    while (!done()) sched_yield();
}

// The p-th percentile (0..100) of the samples; 0 for none.
double Percentile(std::vector<double> samples, double p);

// Runs the benchmark loop, each iteration one round trip to a peer thread and back through a
// mutex and two condition variables; returns every round trip in nanoseconds.
std::vector<double> ConditionVariableRoundTrips(benchmark::State& state);

}  // namespace orv::perf
