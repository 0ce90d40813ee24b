// The PIN pad service object under load, created by ProgID and opened on the simulated terminal:
// - GetPropertyNumber of a Java-backed property through IDispatch::Invoke, and the share of it
//   that our own layers (dispatch, property table, conversions) add to the work every such call
//   must do (method lookup, the Java call, the exception check, its three trace lines);
// - a Java event from the raise on the device's event thread to SOData on the control;
// - resident memory, Java heap and -Xcheck:jni local-reference warnings around one million
//   property gets and 100,000 events.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "jvm_access.h"
#include "platform/com.h"
#include "so_core/trace_log.h"
#include "test_control.h"
#include "test_env.h"

namespace {

using namespace orv::so;
using namespace orv::so::test;

constexpr const char* kProbe = "com/orv/sotest/Probe";

// One opened, claimed PIN pad for the whole run.
struct Session {
    std::unique_ptr<TestInstall> install;
    RecordingControl* control = nullptr;
    ServiceObjectClient so;
    jobject javaControl = nullptr;
    jclass javaClass = nullptr;

    Session() {
        if (!std::getenv("CLASSPATH")) {
            const std::string jars = (BuildDir() / "share/java/orvpos.jar").string() + ":" +
                                     (BuildDir() / "tests/java/so_probe.jar").string();
            ::setenv("CLASSPATH", jars.c_str(), 1);
        }
        install = std::make_unique<TestInstall>();
        CoInitialize(nullptr);
        control = RecordingControl::Create();
        if (FAILED(so.Create("P1")) || so.OpenService("P1", control) != 0 || so.Claim(1000) != 0) {
            std::fprintf(stderr, "the PIN pad could not be opened\n");
            std::exit(1);
        }
        JNIEnv* env = Env();
        jstring p1 = env->NewStringUTF("P1");
        javaControl = CallStaticObject(kProbe, "control", "(Ljava/lang/String;)Ljava/lang/Object;", p1);
        env->DeleteLocalRef(p1);
        jclass cls = env->GetObjectClass(javaControl);
        javaClass = static_cast<jclass>(env->NewGlobalRef(cls));
        env->DeleteLocalRef(cls);
    }
};

Session& S() {
    // Lives as long as the JVM: never torn down. Its folder (traces of millions of lines) goes
    // at exit.
    static Session* session = [] {
        auto* s = new Session;
        static const std::filesystem::path root = s->install->Root();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(root, ec);
        });
        return s;
    }();
    return *session;
}

struct InvokeArgs {
    VARIANT index;
    DISPPARAMS params;
    InvokeArgs(int32_t i) {
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        params = {&index, nullptr, 1, 0};
    }
};

int32_t GetState(IDispatch* d, InvokeArgs& args) {
    VARIANT result;
    VariantInit(&result);
    d->Invoke(pin::GetPropertyNumber, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &args.params, &result,
              nullptr, nullptr);
    return result.lVal;
}

// The work the call cannot do without: look up and call getState, check for an exception, and
// write the helper's three trace lines (with their values).
struct Mandated {
    TraceLog log;
    Mandated() { log.Open((S().install->LogDir() / "mandated.log").string()); }
    int32_t Run(JNIEnv* env) {
        log.Line("getState property");
        const jmethodID m = env->GetMethodID(S().javaClass, "getState", "()I");
        const jint v = env->CallIntMethod(S().javaControl, m);
        if (env->ExceptionCheck()) env->ExceptionClear();
        char line[96];
        std::snprintf(line, sizeof line, "Get Integer: Result of %s property is %d", "getState", v);
        log.Line(line);
        log.Line("getState property is done");
        return v;
    }
};

void BM_GetPropertyNumberThroughInvoke(benchmark::State& state) {
    IDispatch* d = S().so.Dispatch();
    InvokeArgs args(9);
    for (auto _ : state) benchmark::DoNotOptimize(GetState(d, args));
}
BENCHMARK(BM_GetPropertyNumberThroughInvoke);

void BM_MandatedWorkOfTheSameGet(benchmark::State& state) {
    Mandated mandated;
    JNIEnv* env = Env();
    for (auto _ : state) benchmark::DoNotOptimize(mandated.Run(env));
}
BENCHMARK(BM_MandatedWorkOfTheSameGet);

// Both, alternating in batches within one run, with what our layers add.
void BM_OurShareOfAPropertyGet(benchmark::State& state) {
    IDispatch* d = S().so.Dispatch();
    InvokeArgs args(9);
    Mandated mandated;
    JNIEnv* env = Env();
    using Clock = std::chrono::steady_clock;
    constexpr int kBatch = 2000;
    double full = 0, work = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(GetState(d, args));
        auto t1 = Clock::now();
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(mandated.Run(env));
        auto t2 = Clock::now();
        full += std::chrono::duration<double, std::nano>(t1 - t0).count();
        work += std::chrono::duration<double, std::nano>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations()) * kBatch;
    state.counters["full_ns"] = full / n;
    state.counters["mandated_ns"] = work / n;
    state.counters["ours_ns"] = (full - work) / n;
    state.counters["ours_pct"] = 100.0 * (full - work) / full;
}
BENCHMARK(BM_OurShareOfAPropertyGet)->Iterations(100);

void BM_EventRaiseToSOData(benchmark::State& state) {
    Session& s = S();
    JNIEnv* env = Env();
    jstring p1 = env->NewStringUTF("P1");
    std::vector<double> micros;
    int32_t status = 1000000;
    for (auto _ : state) {
        const size_t before = s.control->Count("SOData");
        const int64_t raised = CallStaticLong(kProbe, "postData", "(Ljava/lang/String;I)J", p1, ++status);
        s.control->WaitFor(before + 1, "SOData");
        const ControlCall c = s.control->Calls().back();
        const double us = static_cast<double>(c.monotonicNanos - raised) / 1000.0;
        micros.push_back(us);
        state.SetIterationTime(us / 1e6);
    }
    env->DeleteLocalRef(p1);
    s.control->Clear();
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}
BENCHMARK(BM_EventRaiseToSOData)->UseManualTime()->Iterations(5000);

double ResidentMB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1 << 20);
}

size_t Count(const std::string& text, const std::string& word) {
    size_t n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
}

// Resident memory, Java heap and JNI warnings over rounds of 1,000,000 gets and 100,000 events,
// after a warm-up of a tenth of that. Run with JAVA_TOOL_OPTIONS=-Xcheck:jni for the warning count.
void BM_MemoryOverAMillionGetsAndManyEvents(benchmark::State& state) {
    Session& s = S();
    IDispatch* d = s.so.Dispatch();
    InvokeArgs args(9);
    JNIEnv* env = Env();
    jstring p1 = env->NewStringUTF("P1");
    // In chunks, so the test control's own record of calls stays small.
    auto events = [&](int n) {
        for (int done = 0; done < n; done += 1000) {
            for (int i = 0; i < 1000; ++i) CallStaticLong(kProbe, "postStatus", "(Ljava/lang/String;I)J", p1, i);
            s.control->WaitFor(1000, "SOStatusUpdate", std::chrono::minutes(1));
            s.control->Clear();
        }
    };
    for (auto _ : state) {
        for (int i = 0; i < 100000; ++i) GetState(d, args);
        events(10000);
        // Two measured rounds: the first still carries the JVM's own warm-up (compiled code,
        // compiler arenas); the second shows whether anything keeps growing.
        double rss[3], heap[3];
        size_t localRefWarnings = 0, warnings = 0;
        for (int round = 0; round < 3; ++round) {
            rss[round] = ResidentMB();
            heap[round] = static_cast<double>(CallStaticLong(kProbe, "heapUsed", "()J")) / (1 << 20);
            if (round == 2) break;
            StdoutCapture capture((s.install->Root() / "jni-warnings.txt").string());
            for (int i = 0; i < 1000000; ++i) GetState(d, args);
            events(100000);
            const std::string out = capture.Stop();
            localRefWarnings += Count(out, "JNI local refs");
            warnings += Count(out, "WARNING");
        }
        state.counters["rss_start_MB"] = rss[0];
        state.counters["rss_round1_MB"] = rss[1];
        state.counters["rss_round2_MB"] = rss[2];
        state.counters["heap_start_MB"] = heap[0];
        state.counters["heap_round1_MB"] = heap[1];
        state.counters["heap_round2_MB"] = heap[2];
        state.counters["jni_local_ref_warnings"] = static_cast<double>(localRefWarnings);
        state.counters["jni_warnings"] = static_cast<double>(warnings);
        const char* tool = std::getenv("JAVA_TOOL_OPTIONS");
        state.counters["xcheck_jni"] = tool && std::string(tool).find("-Xcheck:jni") != std::string::npos;
    }
    env->DeleteLocalRef(p1);
}
BENCHMARK(BM_MemoryOverAMillionGetsAndManyEvents)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
