// Cross-thread window message latency against a bare condition-variable round trip.
//
// A message hop is PostMessageA on one thread -> the window procedure running on the owner
// thread, which pumps the way a foreign event loop does: poll on OrvGetMessageQueueFd, then
// PeekMessageA/DispatchMessageA. The owner's procedure posts the reply back the same way, so
// the round trip is two such hops; the one-way figure is taken inside the owner's procedure.
// Target: the median one-way message latency at most 3x the median condition-variable round
// trip measured in the same run (printed after the table, with the round-trip ratio too).
#include <benchmark/benchmark.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "baselines.h"
#include "platform/queue_fd.h"
#include "platform/win32.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kPong = WM_APP + 2;
constexpr const char* kBenchClass = "OrvMessageBench";

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

double Median(std::vector<double> samples) {
    return orv::perf::Percentile(std::move(samples), 50);
}

struct Figures {
    double conditionRoundTrip = 0;
    double messageRoundTrip = 0;
    double messageOneWay = 0;
} g_figures;

void BM_ConditionVariableRoundTrip(benchmark::State& state) {
    g_figures.conditionRoundTrip = Median(orv::perf::ConditionVariableRoundTrips(state));
    state.counters["median_ns"] = g_figures.conditionRoundTrip;
}
BENCHMARK(BM_ConditionVariableRoundTrip)->UseRealTime();

// The pumping loop of a foreign event loop: wait on the queue descriptor, then drain.
void PumpUntil(int fd, const std::function<bool()>& done) {
    while (!done()) {
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, -1);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

struct PeerState {
    std::vector<double> oneWay;
    bool quit = false;  // owner thread only
};

LRESULT CALLBACK BenchProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* peer = reinterpret_cast<PeerState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case kPing:  // on the peer: note the one-way time, answer the sender's window
            peer->oneWay.push_back(static_cast<double>(NowNs() - static_cast<int64_t>(wParam)));
            PostMessageA(reinterpret_cast<HWND>(lParam), kPong, 0, 0);
            return 0;
        case kPong:  // on the benchmark thread
            ++*reinterpret_cast<uint64_t*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            return 0;
        case WM_CLOSE:
            peer->quit = true;
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

HWND CreateBenchWindow(void* data) {
    HWND hwnd =
        CreateWindowExA(0, kBenchClass, "bench", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
    return hwnd;
}

void BM_PostMessageRoundTrip(benchmark::State& state) {
    static const ATOM registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = BenchProc;
        wc.lpszClassName = kBenchClass;
        return RegisterClassA(&wc);
    }();
    if (registered == 0) {
        state.SkipWithError("RegisterClassA failed");
        return;
    }

    std::promise<HWND> peerWindow;
    PeerState peerState;
    std::thread peer([&] {
        orv::perf::PinPeerThread();
        HWND hwnd = CreateBenchWindow(&peerState);
        const int fd = OrvGetMessageQueueFd();
        peerWindow.set_value(hwnd);
        PumpUntil(fd, [&] { return peerState.quit; });
        DestroyWindow(hwnd);
    });
    const HWND target = peerWindow.get_future().get();

    uint64_t replies = 0;
    const HWND self = CreateBenchWindow(&replies);
    const int fd = OrvGetMessageQueueFd();
    std::vector<double> samples;
    samples.reserve(1 << 20);
    for (auto _ : state) {
        const uint64_t expected = replies + 1;
        const auto start = Clock::now();
        PostMessageA(target, kPing, static_cast<WPARAM>(NowNs()), reinterpret_cast<LPARAM>(self));
        PumpUntil(fd, [&] { return replies == expected; });
        samples.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
    }
    PostMessageA(target, WM_CLOSE, 0, 0);
    peer.join();
    DestroyWindow(self);

    g_figures.messageRoundTrip = Median(samples);
    g_figures.messageOneWay = Median(peerState.oneWay);
    state.counters["median_ns"] = g_figures.messageRoundTrip;
    state.counters["one_way_median_ns"] = g_figures.messageOneWay;
}
BENCHMARK(BM_PostMessageRoundTrip)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const Figures& f = g_figures;
    if (f.conditionRoundTrip > 0 && f.messageRoundTrip > 0) {
        std::printf("\nmedian condition_variable round trip : %8.0f ns\n", f.conditionRoundTrip);
        std::printf("median message one way (post->proc)  : %8.0f ns  ratio %.2f (target <= 3)\n",
                    f.messageOneWay, f.messageOneWay / f.conditionRoundTrip);
        std::printf("median message round trip            : %8.0f ns  ratio %.2f\n",
                    f.messageRoundTrip, f.messageRoundTrip / f.conditionRoundTrip);
    }
    return 0;
}
