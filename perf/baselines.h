// What the latency benchmarks compare against, measured in the same run: a bare two-thread
// condition_variable round trip, and the percentile of a set of samples.
#pragma once

#include <benchmark/benchmark.h>

#include <vector>

namespace orv::perf {

// The p-th percentile (0..100) of the samples; 0 for none.
double Percentile(std::vector<double> samples, double p);

// Runs the benchmark loop, each iteration one round trip to a peer thread and back through a
// mutex and two condition variables; returns every round trip in nanoseconds.
std::vector<double> ConditionVariableRoundTrips(benchmark::State& state);

}  // namespace orv::perf
