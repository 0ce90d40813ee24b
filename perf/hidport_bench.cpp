// HID input report on the simulated bus → recvOccurred running in Java (real JVM, the real
// HidPortLib through com.orv.comm.USBPort): median latency against a bare pipe wake-up of a
// waiting thread measured in the same run, and sustained reports per second with none lost.
#include <benchmark/benchmark.h>
#include <jni.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "baselines.h"
#include "hidport/orvhid.h"
#include "jvm_harness.h"
#include "platform/hid_sim.h"
#include "platform/win32.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

std::atomic<uint64_t> delivered{0};
std::atomic<int64_t> lastDeliveryNs{0};

// BenchPort.delivered: the moment Java's recvOccurred runs.
void JNICALL Delivered(JNIEnv*, jclass, jbyteArray) {
    lastDeliveryNs.store(NowNs(), std::memory_order_relaxed);
    delivered.fetch_add(1, std::memory_order_release);
}

const BYTE kScan[] = {0x02, 0x04, ']', 'E', '0', '1', '2', '3', '4'};

// Sends `count` reports, never more than `window` in flight (the handle queues 512), and waits
// until they have all reached Java. Returns the reports that did not arrive.
uint64_t SendAll(DWORD scanner, uint64_t count, uint64_t window) {
    const uint64_t base = delivered.load(std::memory_order_acquire);
    uint64_t refused = 0;
    for (uint64_t sent = 0; sent < count; ++sent) {
        while (sent - (delivered.load(std::memory_order_acquire) - base) >= window)
            std::this_thread::yield();
        if (OrvHidSimSendInput(scanner, kScan, sizeof kScan, nullptr) != 1) ++refused;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (delivered.load(std::memory_order_acquire) - base < count - refused &&
           Clock::now() < deadline)
        std::this_thread::yield();
    return count - (delivered.load(std::memory_order_acquire) - base);
}

// One scanner on the simulated bus, opened by a Java BenchPort.
struct Setup {
    DWORD scanner = 0;
    bool ready = false;

    Setup() {
        setenv("ORV_HID_BACKEND", "sim", 1);
        if (std::getenv("ORV_BUILD_DIR") == nullptr)
            setenv("ORV_BUILD_DIR", ORV_BUILD_DIR_DEFAULT, 1);
        const auto work = std::filesystem::temp_directory_path() /
                          ("orv-hidport-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(work);
        std::filesystem::current_path(work);  // usbjni.log
        // Without -Xcheck:jni: its checks on every JNI call belong in the tests, and no
        // application runs with them.
        JNIEnv* env =
            orv::jni::test::Jvm(orv::jni::test::TestClassPath({"hidport_native_tests.jar"}),
                                orv::jni::test::TestLibraryPath(), false);
        if (env == nullptr) return;
        jclass cls = env->FindClass("com/orv/hidtest/BenchPort");
        if (cls == nullptr) return;
        const JNINativeMethod natives[] = {{const_cast<char*>("delivered"),
                                            const_cast<char*>("([B)V"),
                                            reinterpret_cast<void*>(Delivered)}};
        if (env->RegisterNatives(cls, natives, 1) != JNI_OK) return;
        const ORV_HID_SIM_DEVICE device = {"Bench Scanner", "", 0x0C2E, 0x0B61, 0,   0x008C,
                                           0x0002,          64, 64,     2,      TRUE};
        scanner = OrvHidSimAddDevice(&device);
        jobject port =
            env->NewGlobalRef(env->NewObject(cls, env->GetMethodID(cls, "<init>", "()V")));
        jmethodID open = env->GetMethodID(cls, "Open", "(Ljava/lang/String;Ljava/lang/String;)I");
        ready = env->CallIntMethod(port, open, env->NewStringUTF("Bench Scanner"),
                                   env->NewStringUTF("")) == 0 &&
                !env->ExceptionCheck();
        // Let the JIT compile the Java side of the path before anything is measured.
        if (ready) ready = SendAll(scanner, 20000, 256) == 0;
    }
};

Setup& Bench() {
    // Its reader and Java threads start on the peer core.
    static Setup* setup = [] {
        Setup* made = nullptr;
        orv::perf::OnPeerCore([&] { made = new Setup; });
        return made;
    }();
    return *setup;
}

// A thread blocked in read() on a pipe; Fire() writes a byte and returns the wake-up latency.
class PipeWaiter {
public:
    PipeWaiter() {
        if (pipe(fds_) != 0) std::abort();
        thread_ = std::thread([this] {
            orv::perf::PinPeerThread();
            char byte;
            while (::read(fds_[0], &byte, 1) == 1 && byte != 'q') {
                wokeNs_.store(NowNs(), std::memory_order_relaxed);
                woken_.fetch_add(1, std::memory_order_release);
            }
        });
    }
    ~PipeWaiter() {
        const char quit = 'q';
        [[maybe_unused]] auto n = ::write(fds_[1], &quit, 1);
        thread_.join();
        close(fds_[0]);
        close(fds_[1]);
    }
    int64_t Fire() {
        const uint64_t before = woken_.load(std::memory_order_acquire);
        const int64_t start = NowNs();
        const char byte = 'x';
        [[maybe_unused]] auto n = ::write(fds_[1], &byte, 1);
        while (woken_.load(std::memory_order_acquire) == before) sched_yield();
        return wokeNs_.load(std::memory_order_relaxed) - start;
    }

private:
    int fds_[2];
    std::thread thread_;
    std::atomic<uint64_t> woken_{0};
    std::atomic<int64_t> wokeNs_{0};
};

// A thread blocked in WaitForMultipleObjects on two events, as the HID reader waits; Fire() sets
// the second and returns the wake-up latency. The platform's share of the report latency.
class EventWaiter {
public:
    EventWaiter() {
        thread_ = std::thread([this] {
            orv::perf::PinPeerThread();
            const HANDLE events[2] = {stop_, ready_};
            while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
                ResetEvent(ready_);
                wokeNs_.store(NowNs(), std::memory_order_relaxed);
                woken_.fetch_add(1, std::memory_order_release);
            }
        });
    }
    ~EventWaiter() {
        SetEvent(stop_);
        thread_.join();
        CloseHandle(stop_);
        CloseHandle(ready_);
    }
    int64_t Fire() {
        const uint64_t before = woken_.load(std::memory_order_acquire);
        const int64_t start = NowNs();
        SetEvent(ready_);
        while (woken_.load(std::memory_order_acquire) == before) sched_yield();
        return wokeNs_.load(std::memory_order_relaxed) - start;
    }

private:
    HANDLE stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread thread_;
    std::atomic<uint64_t> woken_{0};
    std::atomic<int64_t> wokeNs_{0};
};

int64_t HidToJava(DWORD scanner) {
    const uint64_t before = delivered.load(std::memory_order_acquire);
    const int64_t start = NowNs();
    OrvHidSimSendInput(scanner, kScan, sizeof kScan, nullptr);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (delivered.load(std::memory_order_acquire) == before) {
        if (Clock::now() > deadline) return -1;
        sched_yield();  // a peer on this core must get to run
    }
    return lastDeliveryNs.load(std::memory_order_relaxed) - start;
}

double MedianUs(std::vector<int64_t> samples) {
    if (samples.empty()) return 0;
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return double(samples[samples.size() / 2]) / 1000.0;
}

// Let the waiting threads go back to sleep, so every sample measures a real wake-up.
void Settle() {
    std::this_thread::sleep_for(std::chrono::microseconds(300));
}

void BM_PipeWakeup(benchmark::State& state) {
    PipeWaiter waiter;
    std::vector<int64_t> samples;
    for (auto _ : state) {
        Settle();
        const int64_t ns = waiter.Fire();
        samples.push_back(ns);
        state.SetIterationTime(double(ns) / 1e9);
    }
    state.counters["median_us"] = MedianUs(samples);
}
BENCHMARK(BM_PipeWakeup)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// Takes one pipe sample and one sample of `measure` per iteration, so that the ratio compares
// the two under the same load. `measure` returns nanoseconds, or a negative value on failure.
template <typename Measure>
void AgainstPipe(benchmark::State& state, Measure measure) {
    PipeWaiter pipe;
    std::vector<int64_t> pipeSamples, samples;
    for (auto _ : state) {
        Settle();
        pipeSamples.push_back(pipe.Fire());
        Settle();
        const int64_t ns = measure();
        if (ns < 0) {
            state.SkipWithError("a report never arrived");
            return;
        }
        samples.push_back(ns);
        state.SetIterationTime(double(ns) / 1e9);
    }
    const double pipeUs = MedianUs(pipeSamples), us = MedianUs(samples);
    state.counters["median_us"] = us;
    state.counters["pipe_median_us"] = pipeUs;
    state.counters["ratio_to_pipe"] = pipeUs > 0 ? us / pipeUs : 0;
}

void BM_EventWakeup(benchmark::State& state) {
    EventWaiter waiter;
    AgainstPipe(state, [&] { return waiter.Fire(); });
}
BENCHMARK(BM_EventWakeup)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_HidReportToJava(benchmark::State& state) {
    Setup& bench = Bench();
    if (!bench.ready) {
        state.SkipWithError("the JVM, BenchPort or the simulated scanner could not be set up");
        return;
    }
    AgainstPipe(state, [&] { return HidToJava(bench.scanner); });
}
BENCHMARK(BM_HidReportToJava)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// The same report with a native receive callback instead of Java: the share of the latency
// that the device layer itself takes.
std::atomic<uint64_t> nativeDelivered{0};
std::atomic<int64_t> nativeDeliveryNs{0};

void NativeReceive(unsigned char*, ULONG, void*) {
    nativeDeliveryNs.store(NowNs(), std::memory_order_relaxed);
    nativeDelivered.fetch_add(1, std::memory_order_release);
}
void NativeError(int, std::string, void*) {}

void BM_HidReportToNativeCallback(benchmark::State& state) {
    setenv("ORV_HID_BACKEND", "sim", 1);
    const ORV_HID_SIM_DEVICE device = {"Native Scanner", "", 0x0C2E, 0x0B61, 0,   0x008C,
                                       0x0002,           64, 64,     2,      TRUE};
    const DWORD scanner = OrvHidSimAddDevice(&device);
    void* handle = nullptr;
    bool opened = false;
    orv::perf::OnPeerCore([&] {
        opened = orvhidOpenDevice("Native Scanner", "", NativeReceive, NativeError, nullptr, handle);
    });
    if (!opened) {
        state.SkipWithError("the simulated scanner did not open");
        return;
    }
    AgainstPipe(state, [&] {
        const uint64_t before = nativeDelivered.load(std::memory_order_acquire);
        const int64_t start = NowNs();
        OrvHidSimSendInput(scanner, kScan, sizeof kScan, nullptr);
        while (nativeDelivered.load(std::memory_order_acquire) == before) sched_yield();
        return nativeDeliveryNs.load(std::memory_order_relaxed) - start;
    });
    orvhidCloseDevice(handle);
    OrvHidSimUnplug(scanner);
}
BENCHMARK(BM_HidReportToNativeCallback)
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

// As fast as the reader and Java take them, never more than 256 reports in flight: every
// report sent must arrive.
void BM_HidReportsPerSecond(benchmark::State& state) {
    Setup& bench = Bench();
    if (!bench.ready) {
        state.SkipWithError("the JVM, BenchPort or the simulated scanner could not be set up");
        return;
    }
    constexpr uint64_t kReports = 50000;
    uint64_t lost = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        lost += SendAll(bench.scanner, kReports, 256);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["reports_per_second"] =
        benchmark::Counter(double(kReports * state.iterations()), benchmark::Counter::kIsRate);
    state.counters["lost"] = double(lost);
}
BENCHMARK(BM_HidReportsPerSecond)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
