// Posting, sending and retrieving messages.
#include "platform/queue_fd.h"
#include "platform/win32.h"
#include "window_manager.h"

using orv::win32::CallWindowProcedure;
using orv::win32::DispatchSentMessages;
using orv::win32::MessageFilter;
using orv::win32::SendReply;
using orv::win32::SentMessage;
using orv::win32::ThreadQueue;
using orv::win32::WindowManager;

namespace {

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

BOOL Report(DWORD error) {
    if (error == ERROR_SUCCESS) return TRUE;
    SetLastError(error);
    return FALSE;
}

MSG MakeMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return MSG{hwnd, msg, wParam, lParam, GetTickCount(), POINT{0, 0}};
}

// Shared by GetMessageA and PeekMessageA: validates the arguments and yields the caller's
// queue; null with the error set otherwise.
std::shared_ptr<ThreadQueue> QueueForRetrieval(LPMSG msg, HWND hwnd) {
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (hwnd != nullptr && hwnd != kThreadMessagesOnly && !IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return WindowManager::Get().CurrentQueue(true);
}

}  // namespace

extern "C" {

ORV_API BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        const MSG message = MakeMessage(hwnd, msg, wParam, lParam);
        if (hwnd != nullptr) return Report(WindowManager::Get().PostToWindow(hwnd, message));
        auto queue = WindowManager::Get().CurrentQueue(true);
        if (!queue) return FALSE;
        return Report(queue->Post(message, ERROR_INVALID_THREAD_ID));
    } catch (...) {
        return Report(ERROR_NOT_ENOUGH_MEMORY);
    }
}

ORV_API BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        return Report(
            WindowManager::Get().PostToThread(threadId, MakeMessage(nullptr, msg, wParam, lParam)));
    } catch (...) {
        return Report(ERROR_NOT_ENOUGH_MEMORY);
    }
}

ORV_API BOOL WINAPI SendNotifyMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowManager& manager = WindowManager::Get();
    auto window = manager.LookupWindow(hwnd);
    if (!window) return Report(ERROR_INVALID_WINDOW_HANDLE);
    if (window->threadId == GetCurrentThreadId()) {
        CallWindowProcedure(*window, msg, wParam, lParam);
        return TRUE;
    }
    try {
        return Report(manager.SendToWindow(hwnd, SentMessage{hwnd, msg, wParam, lParam, nullptr}));
    } catch (...) {
        return Report(ERROR_NOT_ENOUGH_MEMORY);
    }
}

// While it waits for another thread, the sender runs the messages sent to its own thread, so
// two threads sending to each other do not deadlock (Windows does the same).
ORV_API LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowManager& manager = WindowManager::Get();
    auto window = manager.LookupWindow(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (window->threadId == GetCurrentThreadId())
        return CallWindowProcedure(*window, msg, wParam, lParam);
    try {
        auto self = manager.CurrentQueue(true);
        if (!self) return 0;
        auto reply = std::make_shared<SendReply>();
        reply->sender = self;
        const DWORD error =
            manager.SendToWindow(hwnd, SentMessage{hwnd, msg, wParam, lParam, reply});
        if (error != ERROR_SUCCESS) {
            SetLastError(error);
            return 0;
        }
        for (;;) {
            if (auto result = self->WaitForReply(*reply)) return *result;
            DispatchSentMessages(*self);
        }
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

ORV_API BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT msgFilterMin, UINT msgFilterMax) {
    auto queue = QueueForRetrieval(msg, hwnd);
    if (!queue) return -1;
    const MessageFilter filter{hwnd, msgFilterMin, msgFilterMax};
    for (;;) {
        DispatchSentMessages(*queue);
        if (queue->TakePosted(filter, true, msg)) return msg->message == WM_QUIT ? 0 : 1;
        queue->WaitForInput(filter);
    }
}

ORV_API BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT msgFilterMin, UINT msgFilterMax,
                                 UINT removeMsg) {
    auto queue = QueueForRetrieval(msg, hwnd);
    if (!queue) return FALSE;
    DispatchSentMessages(*queue);
    const MessageFilter filter{hwnd, msgFilterMin, msgFilterMax};
    return queue->TakePosted(filter, (removeMsg & PM_REMOVE) != 0, msg) ? TRUE : FALSE;
}

ORV_API LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (msg->hwnd == nullptr) return 0;  // a thread message has no procedure
    auto window = WindowManager::Get().LookupWindow(msg->hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallWindowProcedure(*window, msg->message, msg->wParam, msg->lParam);
}

// No keyboard input exists here, so there is never a character message to make.
ORV_API BOOL WINAPI TranslateMessage(const MSG* /*msg*/) {
    return FALSE;
}

ORV_API void WINAPI PostQuitMessage(int exitCode) {
    if (auto queue = WindowManager::Get().CurrentQueue(true)) queue->PostQuit(exitCode);
}

ORV_API int WINAPI OrvGetMessageQueueFd(void) {
    auto queue = WindowManager::Get().CurrentQueue(true);
    return queue ? queue->fd() : -1;
}

}  // extern "C"
