// Helpers shared by the win32 tests: a window class whose procedure forwards to a per-window
// handler, a thread that owns a window and pumps it, and a thread-safe message log.
#pragma once

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/queue_fd.h"
#include "platform/win32.h"

namespace orv::test {

// The procedure of the test class: the handler comes in through CreateWindowExA's param.
using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

inline LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* handler = reinterpret_cast<Handler*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (handler != nullptr && *handler) return (*handler)(hwnd, msg, wParam, lParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

constexpr const char* kTestClass = "OrvWin32TestWindow";

// Registers the test class for the life of the object.
class ScopedTestClass {
public:
    ScopedTestClass() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ForwardingProc;
        wc.lpszClassName = kTestClass;
        atom_ = RegisterClassA(&wc);
    }
    ~ScopedTestClass() { UnregisterClassA(kTestClass, nullptr); }
    ScopedTestClass(const ScopedTestClass&) = delete;
    ScopedTestClass& operator=(const ScopedTestClass&) = delete;
    ATOM atom() const { return atom_; }

private:
    ATOM atom_ = 0;
};

inline HWND CreateTestWindow(Handler* handler, const char* name = "test") {
    return CreateWindowExA(0, kTestClass, name, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, handler);
}

struct Logged {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    DWORD threadId;
};

// Thread-safe record of the messages handlers saw.
class MessageLog {
public:
    void Add(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        std::lock_guard lock(mutex_);
        entries_.push_back(Logged{hwnd, msg, wParam, lParam, GetCurrentThreadId()});
        changed_.notify_all();
    }
    bool WaitForCount(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return entries_.size() >= count; });
    }
    std::vector<Logged> Entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    // Only the messages at or above WM_USER (what the tests send themselves).
    std::vector<Logged> UserEntries() {
        std::vector<Logged> out;
        for (const auto& e : Entries())
            if (e.msg >= WM_USER) out.push_back(e);
        return out;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Logged> entries_;
};

// A thread that creates a test window with the given handler, waits until Start() when asked
// to, then pumps with GetMessageA until WM_QUIT and destroys the window.
class OwnerThread {
public:
    explicit OwnerThread(Handler* handler, bool startPaused = false)
        : paused_(startPaused), thread_([this, handler] { Run(handler); }) {
        auto ids = ready_.get_future().get();
        hwnd_ = ids.first;
        threadId_ = ids.second;
    }
    ~OwnerThread() {
        Start();
        if (thread_.joinable()) {
            PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
            thread_.join();
        }
    }
    OwnerThread(const OwnerThread&) = delete;
    OwnerThread& operator=(const OwnerThread&) = delete;

    HWND hwnd() const { return hwnd_; }
    DWORD thread_id() const { return threadId_; }
    void Start() {
        std::lock_guard lock(mutex_);
        paused_ = false;
        resume_.notify_all();
    }
    // Ends the pump (the window is destroyed on the thread) and waits for the thread.
    void Stop() {
        Start();
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    std::vector<MSG> Retrieved() {
        std::lock_guard lock(mutex_);
        return retrieved_;
    }

private:
    void Run(Handler* handler) {
        HWND hwnd = CreateTestWindow(handler, "owner");
        OrvGetMessageQueueFd();  // the queue exists before anyone posts a thread message
        ready_.set_value({hwnd, GetCurrentThreadId()});
        {
            std::unique_lock lock(mutex_);
            resume_.wait(lock, [&] { return !paused_; });
        }
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            {
                std::lock_guard lock(mutex_);
                retrieved_.push_back(msg);
            }
            DispatchMessageA(&msg);
        }
        DestroyWindow(hwnd);
    }

    std::mutex mutex_;
    std::condition_variable resume_;
    bool paused_;
    std::vector<MSG> retrieved_;
    std::promise<std::pair<HWND, DWORD>> ready_;
    HWND hwnd_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

inline bool Readable(int fd, int timeoutMs = 0) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN) != 0;
}

}  // namespace orv::test
