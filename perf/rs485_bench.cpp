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
// - PiecesWithTheirTrace: those pieces on one thread with the work a write must do besides them,
//   its 41 trace lines in a file (one write() per request), against which Send1024 also gives
//   ratio_to_pieces_with_trace: what is left is the two wake-ups and the hand-over.
//
// - A 10 MB write from Java (Rs485PortLibPort.Write on a Java-attached thread): sustained bytes
//   per second (target at least 10 MB/s), and Close of the port while such a write is under way:
//   how long the close takes (target at most 200 ms) and whether the write reported it fell short.
//
// The worker dispatches what is queued, then waits for the next message or 100 ms, whichever
// comes first: a request costs two thread wake-ups (to the worker and back to the client) plus
// the work, and Send1024's ratio_to_pieces compares it with the pieces alone (target at most 3).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "baselines.h"
#include "jvm_harness.h"
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
    // The transport's worker starts on the peer core.
    if (g_session == nullptr) orv::perf::OnPeerCore([] { g_session = new Session; });
    return *g_session;
}

// Median microseconds of the seven pieces of 1,024 bytes done by hand (PiecesWithoutTheCycle),
// back to back [0] and at a random point of a 100 ms period [1]; and with the trace lines the
// transport must log for them (PiecesWithTheirTrace).
double g_piecesUs[2] = {0, 0};
double g_piecesTraceUs[2] = {0, 0};

// Closes the device (ending the worker) and removes the private folder.
void EndSession() {
    if (g_session == nullptr) return;
    int status = 0;
    if (g_session->handle != 0) Transport_Close(g_session->handle, &status);
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(g_session->folder, ignored);
}

// The trace of one 1,024-byte write, as the transport must log it (the caller's three lines, the
// worker's per piece, the announcement), put together as fast as a line can be: "<tick>:\t"
// and the text. Written with one write() per request to a file of its own.
class WriteTrace {
public:
    WriteTrace() {
        fd_ = ::open("PiecesTrace.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
    }
    ~WriteTrace() {
        if (fd_ >= 0) ::close(fd_);
    }
    void Line(const char* text, int bytes = -1) {
        char number[24];
        auto end = std::to_chars(number, number + sizeof number, unsigned(GetTickCount())).ptr;
        text_.append(number, size_t(end - number));
        text_.append(":\tDevice ID = 1\t ");
        if (bytes < 0) {
            text_.append(text);
            return;
        }
        text_.append(text);  // "... Sending " / "... Sent "
        end = std::to_chars(number, number + sizeof number, bytes).ptr;
        text_.append(number, size_t(end - number));
        text_.append(" bytes of data\n");
    }
    void Write() {
        if (fd_ >= 0 && ::write(fd_, text_.data(), text_.size()) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
        text_.clear();
    }

private:
    int fd_ = -1;
    std::string text_;
};

// The seven pieces of 1,024 bytes without the worker's cycle: PosWrite, its transmit-complete
// posted to a window of this thread, taken and dispatched, next piece. With `trace`, each step
// also logs the lines the transport logs for it, written out once at the end.
void Pieces(benchmark::State& state, bool trace, double* medians) {
    TheSession();  // the subsystem is started by the session's open
    const int id = trace ? 10 : 9;
    orvposs_AddDevice(id, id, id, 0x64);
    HWND queue = NewWindow(trace ? "Rs485BenchQueueTrace" : "Rs485BenchQueue");
    const PosOpenArg args[] = {{"slotNumber", id},
                               {"portNumber", id},
                               {"deviceNumber", id},
                               {"queueHandle", reinterpret_cast<INT_PTR>(queue)}};
    const int descriptor = PosOpen("xptrs485", "PosRs232", 4, args);
    if (descriptor <= 0 || PosIOCtl(descriptor, POS_IOCTL_ACQUIRE, nullptr, 0) != 0)
        return state.SkipWithError("no simulated terminal");
    const std::vector<unsigned char> data(1024, 0x33);
    const bool randomPhase = state.range(0) != 0;
    std::minstd_rand random(485);
    std::vector<double> us;
    WriteTrace log;
    for (auto _ : state) {
        if (randomPhase) {
            state.PauseTiming();
            Sleep(DWORD(random() % 100));
            state.ResumeTiming();
        }
        const auto start = Clock::now();
        if (trace) {
            log.Line("Transport_Write\n");
            log.Line("Transport_Write:: Past all sanity checks\n");
            log.Line("About to post TRWM_STARTXMIT\n");
            log.Line("WM_STARTXMIT...\n");
            log.Line("Transport_beginSend.. Sending data\n");
        }
        for (int offset = 0; offset < 1024; offset += TR_PIECE_SIZE) {
            const int piece = std::min(TR_PIECE_SIZE, 1024 - offset);
            if (trace) log.Line("Transport_Transmit.. Sending ", piece);
            PosWrite(descriptor, data.data() + offset, piece);
            if (trace) {
                log.Line("Transport_Transmit.. Sent ", piece);
                if (offset == 0) log.Line("Done with Transport_BeginSend\n");
            }
            MSG msg;
            while (!PeekMessageA(&msg, queue, 0, 0, PM_REMOVE)) {
            }
            DispatchMessageA(&msg);
            if (trace) {
                log.Line("POSM_RS232_XMIT_COMPLETE!\n");
                log.Line("Handling POSM_RS232_XMIT_COMPLETE Message\n");
                log.Line(offset + piece < 1024
                             ? "Transport_HandleXmitComplete::Transmit the next set of data\n"
                             : "Transport_HandleXmitComplete::Post TRWM_XMIT_COMPLETE to command "
                               "window\n");
            }
        }
        if (trace) log.Write();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    medians[randomPhase ? 1 : 0] = orv::perf::Percentile(us, 50);
    state.counters["median_us"] = medians[randomPhase ? 1 : 0];
    PosClose(descriptor);
    DestroyWindow(queue);
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024);
}

void PiecesWithoutTheCycle(benchmark::State& state) {
    Pieces(state, false, g_piecesUs);
}

// The same on one thread with the work the transport is asked to do besides: its 41 trace lines
// per write, in the file before the client hears of the end.
void PiecesWithTheirTrace(benchmark::State& state) {
    Pieces(state, true, g_piecesTraceUs);
}
BENCHMARK(PiecesWithTheirTrace)->ArgName("random_phase")->Arg(0)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(PiecesWithTheirTrace)->ArgName("random_phase")->Arg(1)->Iterations(100)->UseRealTime()->Unit(benchmark::kMicrosecond);
// Back to back, and arriving at a random point of 100 ms as Send1024/random_phase:1 does (a
// request after an idle pause finds cold caches and a sleeping core: the pieces alone too).
BENCHMARK(PiecesWithoutTheCycle)->ArgName("random_phase")->Arg(0)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(PiecesWithoutTheCycle)->ArgName("random_phase")->Arg(1)->Iterations(100)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The floor of any request handed to the worker thread and answered: one wake-up there and one
// back, measured as a bare condition_variable round trip between the same two cores.
double g_roundTripUs = 0;
void ThreadRoundTrip(benchmark::State& state) {
    g_roundTripUs = orv::perf::Percentile(orv::perf::ConditionVariableRoundTrips(state), 50) / 1000;
    state.counters["median_us"] = g_roundTripUs;
}
BENCHMARK(ThreadRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

void Send1024(benchmark::State& state) {
    Session& s = TheSession();
    if (s.handle == 0) return state.SkipWithError("no device");
    const std::vector<unsigned char> data(1024, 0x5A);
    const bool randomPhase = state.range(0) != 0;
    std::vector<double> us;
    {
        Samples samples(state);
        for (auto _ : state) {
            if (randomPhase) samples.ArriveAtRandomPhase();
            const auto start = Clock::now();
            int status = 0;
            if (Transport_Write(s.handle, data.data(), 1024, &status) == 0)
                return state.SkipWithError("write refused");
            MSG msg;
            GetMessageA(&msg, s.client, TRWM_XMIT_COMPLETE, TRWM_XMIT_COMPLETE);
            const auto elapsed = Clock::now() - start;
            samples.Record(elapsed);
            us.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
        }
    }
    const double median = orv::perf::Percentile(us, 50);
    state.counters["median_us"] = median;
    const double piecesUs = g_piecesUs[randomPhase ? 1 : 0];
    if (piecesUs > 0) state.counters["ratio_to_pieces"] = median / piecesUs;
    const double tracedUs = g_piecesTraceUs[randomPhase ? 1 : 0];
    if (tracedUs > 0) state.counters["ratio_to_pieces_with_trace"] = median / tracedUs;
    // What is left once the two wake-ups every request needs are taken off.
    if (piecesUs > 0 && g_roundTripUs > 0)
        state.counters["ratio_to_pieces_and_round_trip"] = median / (piecesUs + g_roundTripUs);
    unsigned pieces[16] = {};
    state.counters["pieces"] = double(orvposs_TakePieceSizes(s.terminal, pieces, 16)) /
                               double(state.iterations());
    orvposs_TakeReceived(s.terminal, nullptr, 0);
}
BENCHMARK(Send1024)->ArgName("random_phase")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

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
// Back to back (no random phase) and at a random point of the 100 ms cycle: both only wake it.
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

// A Java port on a second simulated terminal (2/2/2) of the same transport, for the Java writes.
struct JavaPort {
    JNIEnv* env = nullptr;
    jobject port = nullptr;
    jmethodID write = nullptr, close = nullptr;
    int terminal = 0;
    bool ready = false;

    JavaPort() {
        TheSession();  // the transport and the subsystem's start-up
        if (std::getenv("ORV_BUILD_DIR") == nullptr)
            setenv("ORV_BUILD_DIR", ORV_BUILD_DIR_DEFAULT, 1);
        orv::perf::OnPeerCore([&] {
            env = orv::jni::test::Jvm(orv::jni::test::TestClassPath(),
                                      orv::jni::test::TestLibraryPath(), false);
        });
        if (env == nullptr) return;
        terminal = orvposs_AddDevice(2, 2, 2, 0x65);
        jclass cls = env->FindClass("com/orv/comm/Rs485PortLibPort");
        if (cls == nullptr) {
            orv::jni::test::TakeException(env);
            return;
        }
        write = env->GetMethodID(cls, "Write", "([BI)I");
        close = env->GetMethodID(cls, "Close", "()I");
        port = env->NewGlobalRef(env->NewObject(cls, env->GetMethodID(cls, "<init>", "()V")));
        jmethodID open = env->GetMethodID(cls, "Open", "(IIII)I");
        ready = port != nullptr && env->CallIntMethod(port, open, 2, 2, 2, 0) == 0 &&
                !orv::jni::test::TakeException(env);
    }
    bool Reopen() {
        jclass cls = env->GetObjectClass(port);
        const bool opened =
            env->CallIntMethod(port, env->GetMethodID(cls, "Open", "(IIII)I"), 2, 2, 2, 0) == 0;
        env->DeleteLocalRef(cls);
        return opened && !orv::jni::test::TakeException(env);
    }
    // Write through Java on the calling thread (attached, and detached again when it is not the
    // main thread); the bytes the write reported.
    jint Write(const std::vector<unsigned char>& data, bool detach) {
        JNIEnv* e = orv::jni::test::Jvm(orv::jni::test::TestClassPath(),
                                        orv::jni::test::TestLibraryPath(), false);
        e->PushLocalFrame(4);
        jbyteArray array = e->NewByteArray(jsize(data.size()));
        e->SetByteArrayRegion(array, 0, jsize(data.size()),
                              reinterpret_cast<const jbyte*>(data.data()));
        const jint written = e->CallIntMethod(port, write, array, jint(data.size()));
        orv::jni::test::TakeException(e);
        e->PopLocalFrame(nullptr);
        if (detach) {
            JavaVM* vm = nullptr;
            e->GetJavaVM(&vm);
            vm->DetachCurrentThread();
        }
        return written;
    }
};

JavaPort& TheJavaPort() {
    static JavaPort* port = new JavaPort;
    return *port;
}

constexpr size_t kJavaWriteBytes = 10u << 20;

void JavaWrite10MB(benchmark::State& state) {
    JavaPort& java = TheJavaPort();
    if (!java.ready) return state.SkipWithError("no Java port");
    const std::vector<unsigned char> data(kJavaWriteBytes, 0x4A);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const jint written = java.Write(data, false);
        if (size_t(written) != data.size()) return state.SkipWithError("short write");
        // The write returns once its last request is queued; the terminal's count ends it.
        size_t received = 0;
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (received < data.size() && Clock::now() < deadline) {
            received += orvposs_TakeReceived(java.terminal, nullptr, 0);
            if (received < data.size()) std::this_thread::yield();
        }
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(s);
        seconds += s;
        if (received != data.size())
            return state.SkipWithError("the terminal did not receive everything");
    }
    state.counters["MB_per_s"] =
        double(data.size()) * double(state.iterations()) / seconds / (1024.0 * 1024.0);
    state.SetBytesProcessed(int64_t(data.size()) * state.iterations());
}
BENCHMARK(JavaWrite10MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Close from Java while a 10 MB write runs on another Java thread (pieces delayed 1 ms each so
// that the write is long): how long the close takes, and whether the write reported less than
// its length.
void CloseDuringJavaWrite(benchmark::State& state) {
    JavaPort& java = TheJavaPort();
    if (!java.ready) return state.SkipWithError("no Java port");
    const std::vector<unsigned char> data(kJavaWriteBytes, 0x4B);
    std::vector<double> ms;
    int reportedShort = 0;
    for (auto _ : state) {
        state.PauseTiming();
        orvposs_SetTransmitDelay(1);
        const unsigned before = orvposs_CallCount("PosWrite");
        jint written = -1;
        std::thread writer([&] { written = java.Write(data, true); });
        while (orvposs_CallCount("PosWrite") < before + 20) Sleep(1);
        state.ResumeTiming();
        const auto start = Clock::now();
        java.env->CallIntMethod(java.port, java.close);
        const auto elapsed = Clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        ms.push_back(std::chrono::duration<double, std::milli>(elapsed).count());
        state.PauseTiming();
        writer.join();
        reportedShort += size_t(written) < data.size() ? 1 : 0;
        orvposs_SetTransmitDelay(0);
        orvposs_TakeReceived(java.terminal, nullptr, 0);
        orvposs_TakePieceSizes(java.terminal, nullptr, 0);
        if (!java.Reopen()) return state.SkipWithError("reopen failed");
        state.ResumeTiming();
    }
    state.counters["median_close_ms"] = orv::perf::Percentile(ms, 50);
    state.counters["max_close_ms"] = orv::perf::Percentile(ms, 100);
    state.counters["writes_reported_short"] = double(reportedShort) / double(state.iterations());
}
BENCHMARK(CloseDuringJavaWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

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
