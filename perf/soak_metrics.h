// What the soak run watches in its own process, and the rule that calls a metric flat.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::soak {

// One reading of the process, -1 where a figure could not be had.
struct Sample {
    int64_t rssKb = -1;       // VmRSS
    int64_t fds = -1;         // entries of /proc/self/fd
    int64_t threads = -1;     // Threads
    int64_t jniGlobals = -1;  // HotSpot's "JNI global refs"
    int64_t heapLiveKb = -1;  // the Java heap in use right after a full collection
};

// A "Name:   value" field of /proc/<pid>/status text (VmRSS in kB, Threads), or nullopt.
std::optional<int64_t> StatusField(std::string_view status, std::string_view name);
// N of the first "JNI global refs: N" in a HotSpot thread dump, or nullopt.
std::optional<int64_t> JniGlobalRefsIn(std::string_view threadDump);

// This process now. The JNI figure needs a JVM in the process (else -1).
Sample ReadSample();
// The JVM's thread dump (the DiagnosticCommand MBean's threadPrint), or "" without a JVM.
std::string ThreadDump();
// Runs a full collection (System.gc) and answers the heap still in use in kB, or -1 without a
// JVM.
int64_t LiveHeapKb();

enum class Metric { Rss, Fds, Threads, JniGlobals, HeapLive };
inline constexpr Metric kMetrics[] = {Metric::Rss, Metric::Fds, Metric::Threads, Metric::JniGlobals,
                                      Metric::HeapLive};
const char* MetricName(Metric m);
int64_t ValueOf(const Sample& s, Metric m);

// How far above the baseline a metric may stand and still be flat: the larger of an absolute
// allowance and a share of the baseline.
struct Tolerance {
    int64_t absolute;
    double share;
    int64_t For(int64_t baseline) const;
};
Tolerance ToleranceOf(Metric m);

// The samples are one per period; the first period is warm-up (class loading, JIT, the heap
// finding its size), the second is the baseline, and every later one must stay within the
// tolerance above it. Growth shows as a later sample over the line.
inline constexpr size_t kJudgedFrom = 2;  // index of the first judged sample
struct Judgement {
    Metric metric;
    bool flat = true;
    bool judged = false;  // false: too few samples, or a figure missing
    int64_t baseline = 0;
    int64_t limit = 0;
    int64_t worst = 0;   // the highest judged value
    size_t worstAt = 0;  // its sample index
};
Judgement Judge(const std::vector<Sample>& samples, Metric m);

}  // namespace orv::soak
