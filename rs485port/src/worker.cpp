#include "worker.h"

#include <poll.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/queue_fd.h"
#include "trace_log.h"

namespace orv::rs485 {

constexpr char kWindowClass[] = "Transport_xptrs485";
constexpr char kWindowName[] = "Transport Window";
constexpr DWORD kCycleMs = 100;
constexpr auto kWindowWait = std::chrono::milliseconds(1000);
thread_local bool t_isWorker = false;

struct Worker::Run {
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable created;
    bool settled = false;  // the window exists, or creating it failed
    HWND window = nullptr;
};

void Worker::Main(std::shared_ptr<Run> run, WNDPROC procedure) {
    t_isWorker = true;
    WNDCLASSA wc{};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = procedure;
    wc.lpszClassName = kWindowClass;
    // There is no cursor to show here; an existing class of that name (a worker still ending)
    // serves as well.
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, kWindowClass, kWindowName, 0, 0, 0, 0, 0, nullptr, nullptr,
                                  nullptr, nullptr);
    {
        std::lock_guard lock(run->mutex);
        run->window = window;
        run->settled = true;
    }
    run->created.notify_all();
    if (window == nullptr) return;
    // Readable while a message waits for this thread: the pass starts as soon as there is work,
    // and at the latest after a cycle.
    const int queue = OrvGetMessageQueueFd();
    while (!run->stop.load()) {
        MSG msg;
        // Every message of the thread: one the window filter left behind would keep the queue
        // readable and the wait below would spin.
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        TraceLog::Get().Flush();
        if (run->stop.load()) break;
        if (queue < 0) {
            Sleep(kCycleMs);
            continue;
        }
        pollfd ready{queue, POLLIN, 0};
        while (poll(&ready, 1, int(kCycleMs)) < 0 && errno == EINTR) {
        }
    }
    DestroyWindow(window);
    // Fails while another worker's window still uses the class; that worker unregisters it.
    UnregisterClassA(kWindowClass, nullptr);
}

HWND Worker::Start(WNDPROC procedure) {
    Stop();
    auto run = std::make_shared<Run>();
    thread_ = std::thread(Main, run, procedure);
    run_ = run;
    std::unique_lock lock(run->mutex);
    run->created.wait_for(lock, kWindowWait, [&] { return run->settled; });
    return run->window;
}

void Worker::Stop() {
    if (run_) {
        run_->stop = true;
        // Wakes the worker from its wait; a window already gone means it is ending anyway.
        HWND window = Window();
        if (window != nullptr) PostMessageA(window, WM_NULL, 0, 0);
    }
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
    run_.reset();
}

HWND Worker::Window() const {
    if (!run_) return nullptr;
    std::lock_guard lock(run_->mutex);
    return run_->window;
}

bool Worker::OnWorkerThread() {
    return t_isWorker;
}

}  // namespace orv::rs485
