// Window, class and thread tables; the per-thread owner of a queue.
#include "window_manager.h"

#include <mutex>
#include <string_view>

namespace orv::win32 {
namespace {

bool IsAtom(LPCSTR nameOrAtom) {
    return reinterpret_cast<uintptr_t>(nameOrAtom) < 0x10000;
}

ATOM AtomOf(LPCSTR nameOrAtom) {
    return static_cast<ATOM>(reinterpret_cast<uintptr_t>(nameOrAtom));
}

bool SameClassName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Owns the thread's queue; its destructor runs when the thread ends.
struct ThreadState {
    std::shared_ptr<ThreadQueue> queue;
    ~ThreadState();
};

thread_local ThreadState t_state;
// Set once the thread's state is gone; trivially destructible, so safe to read to the end.
thread_local bool t_ended = false;

ThreadState::~ThreadState() {
    t_ended = true;
    if (!queue) return;
    try {
        WindowManager::Get().ThreadEnded(queue);
    } catch (...) {
        // Out of memory while listing what to release: the queue is already closed to new
        // messages or will be freed with its last reference; nothing more can be done here.
    }
}

}  // namespace

WindowManager& WindowManager::Get() {
    // Never destroyed: threads may still post while the process exits.
    static WindowManager* manager = new WindowManager;
    return *manager;
}

ATOM WindowManager::RegisterClass(const WNDCLASSA& wc) {
    if (wc.lpszClassName == nullptr || IsAtom(wc.lpszClassName) || wc.lpszClassName[0] == '\0' ||
        wc.lpfnWndProc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        std::unique_lock lock(mutex_);
        if (FindClassLocked(wc.lpszClassName)) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
        // Atoms of unregistered classes are given out again once the range has been used.
        for (unsigned tries = 0; tries < 0x4000; ++tries) {
            const ATOM atom = nextAtom_;
            nextAtom_ = nextAtom_ == 0xFFFF ? 0xC000 : static_cast<ATOM>(nextAtom_ + 1);
            if (FindClassLocked(reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(atom)))) continue;
            auto windowClass = std::make_shared<WindowClass>();
            windowClass->atom = atom;
            windowClass->name = wc.lpszClassName;
            windowClass->proc = wc.lpfnWndProc;
            windowClass->style = wc.style;
            classes_.push_back(std::move(windowClass));
            return atom;
        }
    } catch (...) {
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

DWORD WindowManager::UnregisterClass(LPCSTR nameOrAtom) {
    std::unique_lock lock(mutex_);
    for (auto it = classes_.begin(); it != classes_.end(); ++it) {
        const bool match = IsAtom(nameOrAtom) ? (*it)->atom == AtomOf(nameOrAtom)
                                              : SameClassName((*it)->name, nameOrAtom);
        if (!match) continue;
        if ((*it)->windows != 0) return ERROR_CLASS_HAS_WINDOWS;
        classes_.erase(it);
        return ERROR_SUCCESS;
    }
    return ERROR_CLASS_DOES_NOT_EXIST;
}

std::shared_ptr<WindowClass> WindowManager::FindClass(LPCSTR nameOrAtom) {
    std::shared_lock lock(mutex_);
    return FindClassLocked(nameOrAtom);
}

std::shared_ptr<WindowClass> WindowManager::FindClassLocked(LPCSTR nameOrAtom) const {
    for (const auto& windowClass : classes_) {
        const bool match = IsAtom(nameOrAtom) ? windowClass->atom == AtomOf(nameOrAtom)
                                              : SameClassName(windowClass->name, nameOrAtom);
        if (match) return windowClass;
    }
    return nullptr;
}

HWND WindowManager::AddWindow(const std::shared_ptr<Window>& window) {
    std::unique_lock lock(mutex_);
    // Handle values are never reused (64 bits of them), so a stale HWND stays invalid.
    const HWND hwnd = reinterpret_cast<HWND>(nextHandle_);
    nextHandle_ += 4;
    window->hwnd = hwnd;
    windows_.emplace(hwnd, window);
    ++window->windowClass->windows;
    return hwnd;
}

std::shared_ptr<Window> WindowManager::LookupWindow(HWND hwnd) {
    std::shared_lock lock(mutex_);
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : it->second;
}

void WindowManager::RemoveWindow(const std::shared_ptr<Window>& window) {
    std::vector<SentMessage> orphans;
    {
        std::unique_lock lock(mutex_);
        if (windows_.erase(window->hwnd) == 0) return;
        --window->windowClass->windows;
        orphans = window->queue->PurgeWindow(window->hwnd);
    }
    ReleaseSenders(orphans);
}

DWORD WindowManager::PostToWindow(HWND hwnd, const MSG& msg) {
    std::shared_lock lock(mutex_);
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return ERROR_INVALID_WINDOW_HANDLE;
    return it->second->queue->Post(msg, ERROR_INVALID_WINDOW_HANDLE);
}

DWORD WindowManager::SendToWindow(HWND hwnd, SentMessage&& sent) {
    std::shared_lock lock(mutex_);
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return ERROR_INVALID_WINDOW_HANDLE;
    return it->second->queue->Send(std::move(sent));
}

DWORD WindowManager::PostToThread(DWORD threadId, const MSG& msg) {
    std::shared_lock lock(mutex_);
    auto it = threads_.find(threadId);
    if (it == threads_.end()) return ERROR_INVALID_THREAD_ID;
    return it->second->Post(msg, ERROR_INVALID_THREAD_ID);
}

std::shared_ptr<ThreadQueue> WindowManager::CurrentQueue(bool create) {
    if (t_ended) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return nullptr;
    }
    ThreadState& state = t_state;
    if (state.queue || !create) return state.queue;
    auto queue = ThreadQueue::Create(GetCurrentThreadId());
    if (!queue) return nullptr;
    try {
        std::unique_lock lock(mutex_);
        threads_[queue->thread_id()] = queue;
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    state.queue = queue;
    return queue;
}

void WindowManager::ThreadEnded(const std::shared_ptr<ThreadQueue>& queue) {
    std::vector<std::shared_ptr<Window>> removed;
    std::vector<SentMessage> orphans;
    {
        std::unique_lock lock(mutex_);
        auto thread = threads_.find(queue->thread_id());
        if (thread != threads_.end() && thread->second == queue) threads_.erase(thread);
        for (auto it = windows_.begin(); it != windows_.end();) {
            if (it->second->queue == queue) {
                --it->second->windowClass->windows;
                removed.push_back(std::move(it->second));
                it = windows_.erase(it);
            } else {
                ++it;
            }
        }
        orphans = queue->Close();
    }
    ReleaseSenders(orphans);
}

void WindowManager::ReleaseSenders(std::vector<SentMessage>& orphans) {
    for (auto& sent : orphans) {
        if (sent.reply) sent.reply->sender->CompleteReply(*sent.reply, 0);
    }
}

LRESULT CallWindowProcedure(const Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return window.proc(window.hwnd, message, wParam, lParam);
    } catch (...) {
        OutputDebugStringA("window procedure raised a C++ exception; message answered 0\n");
        return 0;
    }
}

void DispatchSentMessages(ThreadQueue& queue) {
    WindowManager& manager = WindowManager::Get();
    while (auto sent = queue.TakeSent()) {
        LRESULT result = 0;
        auto window = manager.LookupWindow(sent->hwnd);
        if (window && window->queue.get() == &queue)
            result = CallWindowProcedure(*window, sent->message, sent->wParam, sent->lParam);
        if (sent->reply) sent->reply->sender->CompleteReply(*sent->reply, result);
    }
}

}  // namespace orv::win32
