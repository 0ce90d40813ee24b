// The PIN pad service object under load, created by ProgID and opened on the simulated terminal:
// - GetPropertyNumber of a Java-backed property through IDispatch::Invoke, and the share of it
//   that our own layers (dispatch, property table, conversions) add to the work every such call
//   must do (method lookup, the Java call, the exception check, its three trace lines);
// - a Java event from the raise on the device's event thread to SOData on the control, against
//   the bare hand-off of the same shape (a Java thread raises a data event and gives it to a
//   native that hands it to a waiting native thread), in the same placement, and against the
//   floor of any event fired on a Java event thread (the same event queued for a bare Java
//   thread that gives it to a native);
// - resident memory, Java heap and -Xcheck:jni local-reference warnings around one million
//   property gets and 100,000 events.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "baselines.h"
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
        // The hand-off baseline's class, whatever else the class path names.
        const std::string withHandOff = std::string(std::getenv("CLASSPATH")) + ":" + ORV_HANDOFF_JAR;
        ::setenv("CLASSPATH", withHandOff.c_str(), 1);
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
        }
};

Session& S() {
    // Lives as long as the JVM: never torn down. Its folder (traces of millions of lines) goes
    // at exit. Made on the peer core, so that the JVM's threads and the device's event thread
    // run there; this thread raises from its own.
    static Session* session = [] {
        Session* s = nullptr;
        orv::perf::OnPeerCore([&] { s = new Session; });
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
    jclass probe = env->FindClass(kProbe);
    const jmethodID post =
        probe ? env->GetStaticMethodID(probe, "postData", "(Ljava/lang/String;I)J") : nullptr;
    if (!post) {
        env->ExceptionClear();
        state.SkipWithError("no Probe.postData");
        return;
    }
    // The recorder starts empty every round: with the calls of earlier rounds kept, its scans
    // and copies grow with the round count and, on one core, land inside the measured span.
    s.control->Clear();
    std::vector<double> micros;
    int32_t status = 1000000;
    for (auto _ : state) {
        const int64_t raised = env->CallStaticLongMethod(probe, post, p1, ++status);
        if (env->ExceptionCheck() || !s.control->WaitFor(1, "SOData")) {
            env->ExceptionClear();
            state.SkipWithError("the event did not reach SOData");
            break;
        }
        const ControlCall c = s.control->Calls().back();
        const double us = static_cast<double>(c.monotonicNanos - raised) / 1000.0;
        micros.push_back(us);
        state.SetIterationTime(us / 1e6);
        s.control->Clear();
    }
    env->DeleteLocalRef(p1);
    env->DeleteLocalRef(probe);
    s.control->Clear();
    if (micros.empty()) return;
    state.counters["median_us"] = orv::perf::Percentile(micros, 50);
    state.counters["p99_us"] = orv::perf::Percentile(micros, 99);
}
BENCHMARK(BM_EventRaiseToSOData)->UseManualTime()->Iterations(5000);

// The bare hand-off: HandOff.raise on this thread stamps the raise, makes a DataEvent and calls
// the native below, which hands a global reference to the waiting thread on the peer core; that
// thread stamps when it has the object. One wake-up and one Java-to-native call, as on the way
// to SOData, and nothing else.
struct HandOffSlot {
    std::mutex mutex;
    std::condition_variable handed, taken;
    jobject event = nullptr;
    uint64_t given = 0, received = 0;
    int64_t receivedNanos = 0;
    bool stop = false;
} g_handOff;

int64_t MonotonicNanos() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void JNICALL HandOffNative(JNIEnv* env, jclass, jobject event) {
    jobject global = env->NewGlobalRef(event);
    {
        std::lock_guard lock(g_handOff.mutex);
        g_handOff.event = global;
        ++g_handOff.given;
    }
    g_handOff.handed.notify_one();
}

void HandOffReceiver(JavaVM* vm) {
    orv::perf::PinPeerThread();
    void* attached = nullptr;
    if (vm->AttachCurrentThreadAsDaemon(&attached, nullptr) != JNI_OK) return;
    JNIEnv* env = static_cast<JNIEnv*>(attached);
    std::unique_lock lock(g_handOff.mutex);
    for (;;) {
        g_handOff.handed.wait(lock, [] { return g_handOff.stop || g_handOff.given != g_handOff.received; });
        if (g_handOff.stop) break;
        const int64_t now = MonotonicNanos();
        jobject event = g_handOff.event;
        g_handOff.event = nullptr;
        g_handOff.receivedNanos = now;
        ++g_handOff.received;
        lock.unlock();
        env->DeleteGlobalRef(event);
        g_handOff.taken.notify_one();
        lock.lock();
    }
    lock.unlock();
    vm->DetachCurrentThread();
}

// The event thread's native: stamps on entry, as the test control stamps SOData.
struct DeliveredSlot {
    std::mutex mutex;
    std::condition_variable arrived;
    uint64_t count = 0;
    int64_t nanos = 0;
} g_delivered;

void JNICALL DeliveredNative(JNIEnv*, jclass, jobject) {
    const int64_t now = MonotonicNanos();
    {
        std::lock_guard lock(g_delivered.mutex);
        g_delivered.nanos = now;
        ++g_delivered.count;
    }
    g_delivered.arrived.notify_one();
}

// HandOff with both its natives bound (once); null, with the benchmark skipped, when it is not
// on the class path or cannot be bound.
jclass BoundHandOff(JNIEnv* env, benchmark::State& state) {
    static jclass bound = [env] {
        const jclass cls = env->FindClass("com/orv/perf/HandOff");
        const JNINativeMethod natives[] = {
            {const_cast<char*>("handOff"), const_cast<char*>("(Ljava/lang/Object;)V"),
             reinterpret_cast<void*>(HandOffNative)},
            {const_cast<char*>("delivered"), const_cast<char*>("(Ljava/lang/Object;)V"),
             reinterpret_cast<void*>(DeliveredNative)},
        };
        jclass global = nullptr;
        if (cls && env->RegisterNatives(cls, natives, 2) == JNI_OK)
            global = static_cast<jclass>(env->NewGlobalRef(cls));
        env->ExceptionClear();
        if (cls) env->DeleteLocalRef(cls);
        return global;
    }();
    if (!bound) state.SkipWithError("cannot find or bind com.orv.perf.HandOff");
    return bound;
}

void BM_JavaToNativeHandOff(benchmark::State& state) {
    Session& s = S();
    JNIEnv* env = Env();
    jclass cls = BoundHandOff(env, state);
    if (!cls) return;
    const jmethodID raise = env->GetStaticMethodID(cls, "raise", "(Ljava/lang/Object;I)J");
    if (!raise) {
        env->ExceptionClear();
        state.SkipWithError("no HandOff.raise");
        return;
    }
    JavaVM* vm = nullptr;
    env->GetJavaVM(&vm);
    g_handOff.stop = false;
    std::thread receiver(HandOffReceiver, vm);
    std::vector<double> micros;
    int32_t status = 0;
    for (auto _ : state) {
        const int64_t raised = env->CallStaticLongMethod(cls, raise, s.javaControl, ++status);
        int64_t received = 0;
        {
            std::unique_lock lock(g_handOff.mutex);
            g_handOff.taken.wait(lock, [] { return g_handOff.received == g_handOff.given; });
            received = g_handOff.receivedNanos;
        }
        const double us = static_cast<double>(received - raised) / 1000.0;
        micros.push_back(us);
        state.SetIterationTime(us / 1e6);
    }
    {
        std::lock_guard lock(g_handOff.mutex);
        g_handOff.stop = true;
    }
    g_handOff.handed.notify_one();
    receiver.join();
    state.counters["median_us"] = orv::perf::Percentile(micros, 50);
    state.counters["p99_us"] = orv::perf::Percentile(micros, 99);
}
BENCHMARK(BM_JavaToNativeHandOff)->UseManualTime()->Iterations(5000);

// The floor of a path whose events are fired on a Java event thread: HandOff.raiseOnEventThread
// on this thread queues a DataEvent for a Java thread on the peer core (a lock, a condition and
// a queue, as the device's event thread), which calls DeliveredNative. One Java wake-up and one
// Java-to-native call.
void BM_JavaEventThreadHandOff(benchmark::State& state) {
    Session& s = S();
    JNIEnv* env = Env();
    jclass cls = BoundHandOff(env, state);
    if (!cls) return;
    const jmethodID raise = env->GetStaticMethodID(cls, "raiseOnEventThread", "(Ljava/lang/Object;I)J");
    const jmethodID start = env->GetStaticMethodID(cls, "startEventThread", "()V");
    if (!raise || !start) {
        env->ExceptionClear();
        state.SkipWithError("no HandOff.raiseOnEventThread");
        return;
    }
    // Started from the peer core, so the event thread runs there (threads inherit affinity).
    orv::perf::OnPeerCore([&] { env->CallStaticVoidMethod(cls, start); });
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        state.SkipWithError("the event thread did not start");
        return;
    }
    std::vector<double> micros;
    int32_t status = 0;
    for (auto _ : state) {
        uint64_t before = 0;
        {
            std::lock_guard lock(g_delivered.mutex);
            before = g_delivered.count;
        }
        const int64_t raised = env->CallStaticLongMethod(cls, raise, s.javaControl, ++status);
        int64_t received = 0;
        {
            std::unique_lock lock(g_delivered.mutex);
            if (!g_delivered.arrived.wait_for(lock, std::chrono::seconds(10),
                                              [&] { return g_delivered.count != before; })) {
                state.SkipWithError("the event thread did not deliver");
                break;
            }
            received = g_delivered.nanos;
        }
        const double us = static_cast<double>(received - raised) / 1000.0;
        micros.push_back(us);
        state.SetIterationTime(us / 1e6);
    }
    if (micros.empty()) return;
    state.counters["median_us"] = orv::perf::Percentile(micros, 50);
    state.counters["p99_us"] = orv::perf::Percentile(micros, 99);
}
BENCHMARK(BM_JavaEventThreadHandOff)->UseManualTime()->Iterations(5000);

// The relay's own share: Probe.relayData runs the device callbacks' native on this thread (no
// event thread, no hand-off), from the Java call to SOData on the control.
void BM_RelayOnCallingThread(benchmark::State& state) {
    Session& s = S();
    JNIEnv* env = Env();
    jclass probe = env->FindClass(kProbe);
    const jmethodID relay =
        probe ? env->GetStaticMethodID(probe, "relayData", "(Ljava/lang/Object;I)V") : nullptr;
    if (!relay) {
        env->ExceptionClear();
        state.SkipWithError("no Probe.relayData");
        return;
    }
    s.control->Clear();
    std::vector<double> micros;
    int32_t status = 2000000;
    for (auto _ : state) {
        const int64_t start = MonotonicNanos();
        env->CallStaticVoidMethod(probe, relay, s.javaControl, ++status);
        const std::vector<ControlCall> calls = s.control->Calls();
        if (env->ExceptionCheck() || calls.empty()) {
            env->ExceptionClear();
            state.SkipWithError("the relay did not reach SOData");
            return;
        }
        const double us = static_cast<double>(calls.back().monotonicNanos - start) / 1000.0;
        micros.push_back(us);
        state.SetIterationTime(us / 1e6);
        s.control->Clear();
    }
    env->DeleteLocalRef(probe);
    state.counters["median_us"] = orv::perf::Percentile(micros, 50);
    state.counters["p99_us"] = orv::perf::Percentile(micros, 99);
}
BENCHMARK(BM_RelayOnCallingThread)->UseManualTime()->Iterations(5000);

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
