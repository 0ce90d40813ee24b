// Event delivery through the PIN pad control, against bare two-thread hand-offs measured in the
// same run.
//
// - Latency: a Java thread (a native thread attached to the JVM, raising the event exactly as the
//   simulated terminal's event thread does: the device's callbacks object relays it to the
//   service object's native, which calls SOData on the control) to the application's DataEvent
//   handler, on the application's thread pumping through the queue descriptor. Target: median
//   at most 3x the median condition_variable round trip.
// - Sustained rate: events raised back to back through one claimed control, each delivered and
//   acknowledged (the sender is released only when the handler has run), with none lost,
//   duplicated or out of order. Target: at least half the rate of a bare two-thread hand-off
//   round trip. Measured with a service object calling from a native thread (the fake one: the
//   control's own machinery) and with Java threads (the whole path).
// - MSR swipe: a card swipe made on a Java thread (the simulator's swipe command) to the MSR
//   control's DataEvent handler, through the terminal's event thread, the MSR service object's
//   native and the same delivery; median and p99 beside the PIN pad's Java latency.
#include <benchmark/benchmark.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "baselines.h"
#include "co_bench_env.h"
#include "fake_service_object.h"
#include "host/apartment.h"
#include "host/control.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "sim_terminal.h"

namespace {

using Clock = std::chrono::steady_clock;
using orv::co::test::FakeServiceObject;
using orv::co::test::JavaEventRaiser;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

struct Figures {
    double cvRoundTripMedian = 0;
    double cvRoundTripRate = 0;  // round trips per second
    double latencyMedian = 0;
    double latencyP99 = 0;
    double nativeRate = 0;
    double javaRate = 0;
    double swipeMedian = 0;
    double swipeP99 = 0;
    int64_t faults = 0;  // lost + duplicated + out of order, over every sustained run
} g_figures;

// What one control's DataEvent handler sees: the sequence of statuses, checked as they come.
struct Receiver {
    std::atomic<int64_t> raisedAtShared{0};  // written by the sender before it raises
    std::vector<double> latencies;
    uint64_t handled = 0;
    int32_t last = 0;
    int64_t faults = 0;
    void OnData(int32_t status) {
        const int64_t now = NowNs();
        latencies.push_back(
            static_cast<double>(now - raisedAtShared.load(std::memory_order_acquire)));
        if (status != last + 1) ++faults;  // lost, duplicated or out of order
        last = status;
        ++handled;
    }
};

// The MSR control's DataEvent handler: the swipe's latency, then data events enabled again for
// the next card (the device clears DataEventEnabled before it delivers).
struct SwipeReceiver {
    std::atomic<int64_t> raisedAtShared{0};
    std::vector<double> latencies;
    uint64_t handled = 0;
    orv::host::Control* control = nullptr;
    void OnData() {
        latencies.push_back(static_cast<double>(NowNs() -
                                                raisedAtShared.load(std::memory_order_acquire)));
        ++handled;
        control->Put("DataEventEnabled", orv::DispArg::Bool(true));
    }
};

// The application: one apartment, two claimed PIN pad controls (real and fake service object)
// and, where the MSR is built, a claimed and enabled MSR control.
struct Session {
    orv::host::ComApartment com;
    orv::host::Control java;
    orv::host::Control fake;
    orv::host::Control msr;
    Receiver javaReceiver;
    Receiver fakeReceiver;
    SwipeReceiver swipeReceiver;
    int fd = -1;
};
Session* g_session = nullptr;

bool OpenClaimed(orv::host::Control& c, const char* device, Receiver& r) {
    int32_t rc = -1;
    return SUCCEEDED(c.Create("OPOS.PINPad")) &&
           SUCCEEDED(c.OnEvent(orv::host::opos::DataEvent,
                               [&r](const orv::EventArgs& a) { r.OnData(a.Long(0)); })) &&
           SUCCEEDED(c.Call("Open", &rc, device)) && rc == 0 &&
           SUCCEEDED(c.Call("Claim", &rc, 1000)) && rc == 0;
}

#ifdef ORV_MSR_CONTROL
bool OpenMsr(Session& s) {
    int32_t rc = -1;
    s.swipeReceiver.control = &s.msr;
    if (FAILED(s.msr.Create("OPOS.MSR")) ||
        FAILED(s.msr.OnEvent(orv::host::opos::DataEvent,
                             [&s](const orv::EventArgs&) { s.swipeReceiver.OnData(); })) ||
        FAILED(s.msr.Call("Open", &rc, "M1")) || rc != 0 ||
        FAILED(s.msr.Call("Claim", &rc, 1000)) || rc != 0)
        return false;
    for (const char* p : {"DeviceEnabled", "DecodeData", "DataEventEnabled"})
        if (FAILED(s.msr.Put(p, orv::DispArg::Bool(true)))) return false;
    return true;
}
#endif

// The foreign event loop's pumping: wait on the queue descriptor, then drain.
void PumpUntil(const std::function<bool()>& done) {
    while (!done()) {
        pollfd p{g_session->fd, POLLIN, 0};
        ::poll(&p, 1, 100);
        orv::host::DispatchPending();
    }
}

// A sender thread that raises a batch of events each time it is told to.
class SenderThread {
public:
    explicit SenderThread(std::function<void(int32_t)> raise)
        : raise_(std::move(raise)), thread_([this] { Run(); }) {}
    ~SenderThread() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        cv_.notify_one();
        thread_.join();
    }
    // Raise statuses first..first+count-1, one after the other.
    void Start(int32_t first, int32_t count) {
        {
            std::lock_guard lock(mutex_);
            first_ = first;
            count_ = count;
            ++generation_;
        }
        cv_.notify_one();
    }

private:
    void Run() {
        orv::perf::PinPeerThread();
        uint64_t seen = 0;
        for (;;) {
            int32_t first, count;
            {
                std::unique_lock lock(mutex_);
                cv_.wait(lock, [&] { return stop_ || generation_ != seen; });
                if (stop_) return;
                seen = generation_;
                first = first_;
                count = count_;
            }
            for (int32_t i = 0; i < count; ++i) raise_(first + i);
        }
    }
    std::function<void(int32_t)> raise_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
    uint64_t generation_ = 0;
    int32_t first_ = 0, count_ = 0;
    std::thread thread_;
};

void BM_ConditionVariableRoundTrip(benchmark::State& state) {
    const auto begin = Clock::now();
    const std::vector<double> samples = orv::perf::ConditionVariableRoundTrips(state);
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    g_figures.cvRoundTripMedian = orv::perf::Percentile(samples, 50);
    g_figures.cvRoundTripRate = static_cast<double>(samples.size()) / seconds;
    state.counters["median_ns"] = g_figures.cvRoundTripMedian;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConditionVariableRoundTrip)->UseRealTime();

void BM_JavaEventLatency(benchmark::State& state) {
    Receiver& r = g_session->javaReceiver;
    JavaEventRaiser raiser("P1");
    if (!raiser.Ready()) {
        state.SkipWithError("cannot reach the device's Java control");
        return;
    }
    SenderThread sender([&](int32_t status) {
        r.raisedAtShared.store(NowNs(), std::memory_order_release);
        raiser.Data(status);
    });
    r.latencies.clear();
    for (auto _ : state) {
        const uint64_t target = r.handled + 1;
        sender.Start(r.last + 1, 1);
        PumpUntil([&] { return r.handled == target; });
    }
    g_figures.latencyMedian = orv::perf::Percentile(r.latencies, 50);
    g_figures.latencyP99 = orv::perf::Percentile(r.latencies, 99);
    g_figures.faults += r.faults;
    state.counters["median_ns"] = g_figures.latencyMedian;
    state.counters["p99_ns"] = g_figures.latencyP99;
}
BENCHMARK(BM_JavaEventLatency)->UseRealTime();

#ifdef ORV_MSR_CONTROL
void BM_MsrSwipeLatency(benchmark::State& state) {
    SwipeReceiver& r = g_session->swipeReceiver;
    if (!r.control) {
        state.SkipWithError("the MSR control is not open");
        return;
    }
    std::atomic<bool> refused{false};
    SenderThread sender([&](int32_t) {
        r.raisedAtShared.store(NowNs(), std::memory_order_release);
        const std::string answer = orv::co::test::SimTerminal::Command(
            "swipe M1 2=;4111111111111111=28121011234?");
        if (answer != "OK") refused = true;
    });
    r.latencies.clear();
    for (auto _ : state) {
        const uint64_t target = r.handled + 1;
        sender.Start(0, 1);
        PumpUntil([&] { return r.handled == target || refused; });
        if (refused) {
            state.SkipWithError("the simulator refused the swipe");
            return;
        }
    }
    g_figures.swipeMedian = orv::perf::Percentile(r.latencies, 50);
    g_figures.swipeP99 = orv::perf::Percentile(r.latencies, 99);
    state.counters["median_ns"] = g_figures.swipeMedian;
    state.counters["p99_ns"] = g_figures.swipeP99;
}
BENCHMARK(BM_MsrSwipeLatency)->UseRealTime();
#endif

void Sustained(benchmark::State& state, Receiver& r, const std::function<void(int32_t)>& raise,
               double* rate) {
    constexpr int32_t kBatch = 500;
    SenderThread sender(raise);
    const int64_t faultsBefore = r.faults;
    uint64_t events = 0;
    const auto begin = Clock::now();
    for (auto _ : state) {
        const uint64_t target = r.handled + kBatch;
        sender.Start(r.last + 1, kBatch);
        PumpUntil([&] { return r.handled == target; });
        events += kBatch;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    *rate = static_cast<double>(events) / seconds;
    g_figures.faults += r.faults - faultsBefore;
    state.counters["events_per_s"] = *rate;
    state.counters["faults"] = static_cast<double>(r.faults - faultsBefore);
    state.SetItemsProcessed(static_cast<int64_t>(events));
}

void BM_SustainedEventsNativeSender(benchmark::State& state) {
    FakeServiceObject* so = FakeServiceObject::Current();
    if (!so) {
        state.SkipWithError("no fake service object");
        return;
    }
    Receiver& r = g_session->fakeReceiver;
    Sustained(
        state, r,
        [&](int32_t status) {
            r.raisedAtShared.store(NowNs(), std::memory_order_release);
            so->RaiseData(status);
        },
        &g_figures.nativeRate);
}
BENCHMARK(BM_SustainedEventsNativeSender)->UseRealTime();

void BM_SustainedEventsJavaSender(benchmark::State& state) {
    Receiver& r = g_session->javaReceiver;
    auto raiser = std::make_unique<JavaEventRaiser>("P1");
    if (!raiser->Ready()) {
        state.SkipWithError("cannot reach the device's Java control");
        return;
    }
    Sustained(
        state, r,
        [&](int32_t status) {
            r.raisedAtShared.store(NowNs(), std::memory_order_release);
            raiser->Data(status);
        },
        &g_figures.javaRate);
}
BENCHMARK(BM_SustainedEventsJavaSender)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!orv::perf::SetUpControlInstallation()) return 1;
    int rc = 0;
    {
        // The JVM's and the controls' own threads start on the peer core; this thread (the
        // application's) stays on its own.
        std::optional<Session> made;
        bool opened = false;
#ifdef ORV_MSR_CONTROL
        bool msrOpened = false;
#endif
        orv::perf::OnPeerCore([&] {
            made.emplace();
            made->fd = orv::host::QueueFd();
            opened = made->com && OpenClaimed(made->java, "P1", made->javaReceiver) &&
                     OpenClaimed(made->fake, "FAKE", made->fakeReceiver);
#ifdef ORV_MSR_CONTROL
            msrOpened = opened && OpenMsr(*made);
#endif
        });
        Session& session = *made;
        g_session = &session;
        if (!opened) {
            std::fprintf(stderr, "cannot open the PIN pad controls\n");
            rc = 1;
        } else {
#ifdef ORV_MSR_CONTROL
            if (!msrOpened) {
                std::fprintf(stderr, "cannot open the MSR control: no swipe figures\n");
                session.swipeReceiver.control = nullptr;
            }
#endif
            benchmark::RunSpecifiedBenchmarks();
        }
        g_session = nullptr;
    }
    benchmark::Shutdown();
    orv::perf::RemoveControlInstallation();
    const Figures& f = g_figures;
    if (rc == 0 && f.cvRoundTripMedian > 0) {
        std::printf(
            "\nmedian condition_variable round trip       : %9.0f ns (%.0f round trips/s)\n",
            f.cvRoundTripMedian, f.cvRoundTripRate);
        if (f.latencyMedian > 0)
            std::printf(
                "Java thread -> DataEvent handler, median   : %9.0f ns  ratio %.2f (target <= 3)\n"
                "Java thread -> DataEvent handler, p99      : %9.0f ns\n",
                f.latencyMedian, f.latencyMedian / f.cvRoundTripMedian, f.latencyP99);
        if (f.swipeMedian > 0)
            std::printf(
                "MSR swipe -> DataEvent handler, median     : %9.0f ns  ratio %.2f\n"
                "MSR swipe -> DataEvent handler, p99        : %9.0f ns\n",
                f.swipeMedian, f.swipeMedian / f.cvRoundTripMedian, f.swipeP99);
        if (f.nativeRate > 0)
            std::printf(
                "sustained, native sender                   : %9.0f events/s  ratio %.2f (target "
                ">= 0.5)\n",
                f.nativeRate, f.nativeRate / f.cvRoundTripRate);
        if (f.javaRate > 0)
            std::printf("sustained, Java sender                     : %9.0f events/s  ratio %.2f\n",
                        f.javaRate, f.javaRate / f.cvRoundTripRate);
        std::printf("events lost, duplicated or out of order    : %9lld\n",
                    static_cast<long long>(f.faults));
    }
    return rc;
}
