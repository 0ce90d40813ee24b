// Process-wide tables of window classes, windows and thread queues (internal to the platform
// library). One reader-writer lock guards the tables; a message is queued while the lock is
// held shared, so a window that DestroyWindow or its thread's end has removed (exclusively)
// can never receive another message. No lock is held while a window procedure runs.
#pragma once

#include <atomic>
#include <memory>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win32.h"
#include "thread_queue.h"

namespace orv::win32 {

struct WindowClass {
    ATOM atom;
    std::string name;
    WNDPROC proc;
    UINT style;
    size_t windows = 0;  // live windows of the class; guarded by the manager's lock
};

struct Window {
    HWND hwnd = nullptr;
    std::shared_ptr<WindowClass> windowClass;
    WNDPROC proc = nullptr;
    std::shared_ptr<ThreadQueue> queue;  // the owner thread's
    DWORD threadId = 0;
    std::string text;
    DWORD exStyle = 0;
    DWORD style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = nullptr;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    std::atomic<LONG_PTR> userData{0};
    std::atomic<bool> destroying{false};
};

class WindowManager {
public:
    static WindowManager& Get();

    // Return the atom, or 0 with the error set.
    ATOM RegisterClass(const WNDCLASSA& wc);
    DWORD UnregisterClass(LPCSTR nameOrAtom);
    std::shared_ptr<WindowClass> FindClass(LPCSTR nameOrAtom);

    // Gives the window its handle and lists it.
    HWND AddWindow(const std::shared_ptr<Window>& window);
    std::shared_ptr<Window> LookupWindow(HWND hwnd);
    // Unlists the window and drops its queued messages; senders still waiting are released.
    void RemoveWindow(const std::shared_ptr<Window>& window);

    // Return ERROR_SUCCESS or the error to report.
    DWORD PostToWindow(HWND hwnd, const MSG& msg);
    DWORD SendToWindow(HWND hwnd, SentMessage&& sent);
    DWORD PostToThread(DWORD threadId, const MSG& msg);

    // The calling thread's queue, created on first use when asked to; null when it cannot be
    // created (error set) or the thread is already being torn down.
    std::shared_ptr<ThreadQueue> CurrentQueue(bool create);
    // Called once when a thread with a queue ends: its windows go away (without WM_DESTROY:
    // the thread can no longer run their procedures) and its queue refuses further messages.
    void ThreadEnded(const std::shared_ptr<ThreadQueue>& queue);

private:
    WindowManager() = default;
    std::shared_ptr<WindowClass> FindClassLocked(LPCSTR nameOrAtom) const;
    static void ReleaseSenders(std::vector<SentMessage>& orphans);

    std::shared_mutex mutex_;
    std::vector<std::shared_ptr<WindowClass>> classes_;
    std::unordered_map<HWND, std::shared_ptr<Window>> windows_;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> threads_;
    uintptr_t nextHandle_ = 0x10000;
    ATOM nextAtom_ = 0xC000;
};

// Runs a window procedure on the calling thread. A C++ exception never leaves it: it is
// reported on the debug output and the call answers 0.
LRESULT CallWindowProcedure(const Window& window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs every sent message waiting for the calling thread (Windows does this inside
// GetMessageA, PeekMessageA and a waiting SendMessageA).
void DispatchSentMessages(ThreadQueue& queue);

}  // namespace orv::win32
