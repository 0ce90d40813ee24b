// The RS-485 transport against the simulated POS subsystem with no added device delay:
//
// - Send1024: Transport_Write of 1,024 bytes until the client window gets TRWM_XMIT_COMPLETE
//   (seven pieces: six of 160 and one of 64, each handed to PosWrite after the previous
//   transmit-complete).
// - Receive4096: the terminal sends 4,096 bytes in blocks of the given size; the receive callback
//   reads each announcement on the worker thread, until all 4,096 bytes were read.
// - The parts of that time: the worker's dispatch cycle (a message posted to the worker window
//   until its procedure ran), the seven pieces done by hand on one thread without any cycle,
//   and a client read of 4,096 held bytes (with its per-byte trace lines).
//
// The worker dispatches what is queued, then sleeps 100 ms; everything the subsystem posts
// while a pass runs is handled in that pass, so a request costs one wait for the next pass
// (0 to 100 ms, about 100 ms when requests follow each other) plus microseconds of work.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "possim/orvposs.h"
#include "rs485port/pos_subsystem.h"
#include "rs485port/transport.h"

extern "C" {
int PosIOCtl(int, int, void*, int);
int PosOpen(const char*, const char*, int, const PosOpenArg*);
int PosWrite(int, const void*, int);
int PosClose(int);
}

namespace {

using Clock = std::chrono::steady_clock;

// Requests arrive at a random point of the worker's 100 ms cycle (the pause is not timed), so
// the mean shows the average wait; min, median and max come as counters.
class Samples {
public:
    explicit Samples(benchmark::State& state) : state_(state) {}
    void ArriveAtRandomPhase() { Sleep(DWORD(random_() % 100)); }
    void Record(Clock::duration elapsed) {
        const double seconds = std::chrono::duration<double>(elapsed).count();
        state_.SetIterationTime(seconds);
        ms_.push_back(seconds * 1000);
    }
    ~Samples() {
        if (ms_.empty()) return;
        std::sort(ms_.begin(), ms_.end());
        state_.counters["min_ms"] = ms_.front();
        state_.counters["median_ms"] = ms_[ms_.size() / 2];
        state_.counters["max_ms"] = ms_.back();
    }

private:
    benchmark::State& state_;
    std::minstd_rand random_{485};
    std::vector<double> ms_;
};

// Bytes read by the receive callback (when reading), announcements seen, and a wake-up.
struct Received {
    std::mutex mutex;
    std::condition_variable changed;
    bool read = true;
    size_t bytes = 0;
    size_t announcements = 0;
};
Received g_received;

void ReadAll(int bytesAvailable, int handle) {
    bool read = false;
    {
        std::lock_guard lock(g_received.mutex);
        read = g_received.read;
    }
    int got = 0;
    if (read) {
        std::vector<unsigned char> buffer(static_cast<size_t>(bytesAvailable));
        int status = 0;
        Transport_Read(handle, buffer.data(), unsigned(bytesAvailable), &got, &status);
    }
    std::lock_guard lock(g_received.mutex);
    g_received.bytes += size_t(got);
    ++g_received.announcements;
    g_received.changed.notify_all();
}

void ResetReceived(bool read) {
    std::lock_guard lock(g_received.mutex);
    g_received.read = read;
    g_received.bytes = 0;
    g_received.announcements = 0;
}

LRESULT CALLBACK Quiet(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND NewWindow(const char* className) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Quiet;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

// One open device for the whole run, in a private folder (the trace log goes there).
struct Session {
    int handle = 0;
    int terminal = 0;
    HWND client = nullptr;
    std::filesystem::path folder;

    Session() {
        folder = std::filesystem::temp_directory_path() /
                 ("orv-rs485-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        orvposs_Reset();
        terminal = orvposs_AddDevice(1, 1, 1, 0x64);
        client = NewWindow("Rs485BenchClient");
        int status = 0;
        if (Transport_Open(&handle, 1, 1, 1, 1, client, &status, ReadAll, nullptr) == 0) {
            std::fprintf(stderr, "rs485_bench: Transport_Open failed (%d)\n", Transport_GetResult());
            handle = 0;
        }
    }
};

Session* g_session = nullptr;

Session& TheSession() {
    if (g_session == nullptr) g_session = new Session;
    return *g_session;
}

// Closes the device (ending the worker) and removes the private folder.
void EndSession() {
    if (g_session == nullptr) return;
    int status = 0;
    if (g_session->handle != 0) Transport_Close(g_session->handle, &status);
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(g_session->folder, ignored);
}

void Send1024(benchmark::State& state) {
    Session& s = TheSession();
    if (s.handle == 0) return state.SkipWithError("no device");
    const std::vector<unsigned char> data(1024, 0x5A);
    Samples samples(state);
    for (auto _ : state) {
        samples.ArriveAtRandomPhase();
        const auto start = Clock::now();
        int status = 0;
        if (Transport_Write(s.handle, data.data(), 1024, &status) == 0)
            return state.SkipWithError("write refused");
        MSG msg;
        GetMessageA(&msg, s.client, TRWM_XMIT_COMPLETE, TRWM_XMIT_COMPLETE);
        samples.Record(Clock::now() - start);
    }
    unsigned pieces[16] = {};
    state.counters["pieces"] = double(orvposs_TakePieceSizes(s.terminal, pieces, 16)) /
                               double(state.iterations());
    orvposs_TakeReceived(s.terminal, nullptr, 0);
}
BENCHMARK(Send1024)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

void Receive4096(benchmark::State& state) {
    Session& s = TheSession();
    if (s.handle == 0) return state.SkipWithError("no device");
    const unsigned block = unsigned(state.range(0));
    orvposs_SetBlockSize(block);
    const std::vector<unsigned char> data(4096, 0xA5);
    Samples samples(state);
    for (auto _ : state) {
        samples.ArriveAtRandomPhase();
        ResetReceived(true);
        const auto start = Clock::now();
        orvposs_SendData(s.terminal, data.data(), unsigned(data.size()));
        std::unique_lock lock(g_received.mutex);
        g_received.changed.wait(lock, [&] { return g_received.bytes >= data.size(); });
        samples.Record(Clock::now() - start);
    }
    state.counters["blocks"] = double((4096 + block - 1) / block);
}
BENCHMARK(Receive4096)->Arg(256)->Arg(1024)->Arg(2048)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

// The wait for the worker alone: a one-byte write is one piece, one pass of the worker.
// Back to back (no random phase), each request waits out a whole sleep of the worker.
void WorkerDispatchCycle(benchmark::State& state) {
    Session& s = TheSession();
    if (s.handle == 0) return state.SkipWithError("no device");
    const std::vector<unsigned char> one(1, 1);
    Samples samples(state);
    const bool randomPhase = state.range(0) != 0;
    for (auto _ : state) {
        if (randomPhase) samples.ArriveAtRandomPhase();
        const auto start = Clock::now();
        int status = 0;
        Transport_Write(s.handle, one.data(), 1, &status);  // one piece: one pass
        MSG msg;
        GetMessageA(&msg, s.client, TRWM_XMIT_COMPLETE, TRWM_XMIT_COMPLETE);
        samples.Record(Clock::now() - start);
    }
    orvposs_TakeReceived(s.terminal, nullptr, 0);
    orvposs_TakePieceSizes(s.terminal, nullptr, 0);
}
BENCHMARK(WorkerDispatchCycle)->ArgName("random_phase")->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

// The seven pieces of 1,024 bytes without the worker's cycle: PosWrite, its transmit-complete
// posted to a window of this thread, taken and dispatched, next piece.
void PiecesWithoutTheCycle(benchmark::State& state) {
    TheSession();  // the subsystem is started by the session's open
    orvposs_AddDevice(9, 9, 9, 0x64);
    HWND queue = NewWindow("Rs485BenchQueue");
    const PosOpenArg args[] = {{"slotNumber", 9},
                               {"portNumber", 9},
                               {"deviceNumber", 9},
                               {"queueHandle", reinterpret_cast<INT_PTR>(queue)}};
    const int descriptor = PosOpen("xptrs485", "PosRs232", 4, args);
    if (descriptor <= 0 || PosIOCtl(descriptor, POS_IOCTL_ACQUIRE, nullptr, 0) != 0)
        return state.SkipWithError("no simulated terminal");
    const std::vector<unsigned char> data(1024, 0x33);
    for (auto _ : state) {
        for (int offset = 0; offset < 1024; offset += TR_PIECE_SIZE) {
            const int piece = std::min(TR_PIECE_SIZE, 1024 - offset);
            PosWrite(descriptor, data.data() + offset, piece);
            MSG msg;
            while (!PeekMessageA(&msg, queue, 0, 0, PM_REMOVE)) {
            }
            DispatchMessageA(&msg);
        }
    }
    PosClose(descriptor);
    DestroyWindow(queue);
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024);
}
BENCHMARK(PiecesWithoutTheCycle)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A client read of 4,092 held bytes (one block): the copy, and a trace line per byte.
void ReadHeldBlock(benchmark::State& state) {
    Session& s = TheSession();
    if (s.handle == 0) return state.SkipWithError("no device");
    orvposs_SetBlockSize(4092);
    const std::vector<unsigned char> data(4092, 0x77);
    std::vector<unsigned char> buffer(4096);
    for (auto _ : state) {
        state.PauseTiming();
        ResetReceived(false);
        orvposs_SendData(s.terminal, data.data(), unsigned(data.size()));
        {
            std::unique_lock lock(g_received.mutex);
            g_received.changed.wait(lock, [] { return g_received.announcements > 0; });
        }
        state.ResumeTiming();
        int got = 0, status = 0;
        Transport_Read(s.handle, buffer.data(), 4096, &got, &status);
        if (got != 4092) return state.SkipWithError("short read");
    }
    ResetReceived(true);
    state.SetBytesProcessed(int64_t(state.iterations()) * 4092);
}
BENCHMARK(ReadHeldBlock)->UseRealTime()->Unit(benchmark::kMicrosecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    EndSession();
    return 0;
}
