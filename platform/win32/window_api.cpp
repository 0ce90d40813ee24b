// Window classes and windows.
#include <cstring>

#include "platform/win32.h"
#include "window_manager.h"

using orv::win32::CallWindowProcedure;
using orv::win32::Window;
using orv::win32::WindowManager;

namespace {

std::shared_ptr<Window> ValidWindow(HWND hwnd) {
    auto window = WindowManager::Get().LookupWindow(hwnd);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

}  // namespace

extern "C" {

ORV_API ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (wc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return WindowManager::Get().RegisterClass(*wc);
}

ORV_API BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE /*instance*/) {
    const DWORD error = WindowManager::Get().UnregisterClass(className);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

ORV_API HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
                                    int x, int y, int width, int height, HWND parent, HMENU menu,
                                    HINSTANCE instance, LPVOID param) {
    WindowManager& manager = WindowManager::Get();
    auto windowClass = manager.FindClass(className);
    if (!windowClass) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return nullptr;
    }
    HWND hwnd;
    std::shared_ptr<Window> window;
    try {
        auto queue = manager.CurrentQueue(true);
        if (!queue) return nullptr;
        window = std::make_shared<Window>();
        window->windowClass = windowClass;
        window->proc = windowClass->proc;
        window->queue = std::move(queue);
        window->threadId = GetCurrentThreadId();
        if (windowName != nullptr) window->text = windowName;
        window->exStyle = exStyle;
        window->style = style;
        window->x = x;
        window->y = y;
        window->width = width;
        window->height = height;
        window->parent = parent;
        window->menu = menu;
        window->instance = instance;
        hwnd = manager.AddWindow(window);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    CREATESTRUCTA create{
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    // -1 from WM_CREATE refuses the window, as on Windows.
    if (CallWindowProcedure(*window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    return hwnd;
}

ORV_API BOOL WINAPI DestroyWindow(HWND hwnd) {
    auto window = ValidWindow(hwnd);
    if (!window) return FALSE;
    if (window->threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // A DestroyWindow from inside the window's own WM_DESTROY finds the work under way.
    if (window->destroying.exchange(true)) return TRUE;
    CallWindowProcedure(*window, WM_DESTROY, 0, 0);
    try {
        WindowManager::Get().RemoveWindow(window);
    } catch (...) {
        // Out of memory while collecting waiting senders: the window is unlisted already.
    }
    return TRUE;
}

ORV_API BOOL WINAPI IsWindow(HWND hwnd) {
    return WindowManager::Get().LookupWindow(hwnd) ? TRUE : FALSE;
}

ORV_API LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (msg == WM_CLOSE) DestroyWindow(hwnd);
    return 0;
}

ORV_API LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    auto window = ValidWindow(hwnd);
    if (!window) return 0;
    if (index != GWLP_USERDATA) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return window->userData.exchange(value);
}

ORV_API LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
    auto window = ValidWindow(hwnd);
    if (!window) return 0;
    if (index != GWLP_USERDATA) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return window->userData.load();
}

ORV_API int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    auto window = ValidWindow(hwnd);
    if (!window) return 0;
    if (buffer == nullptr || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Truncated to fit, always terminated, as Windows does.
    const size_t room = static_cast<size_t>(size) - 1;
    const size_t length = window->text.size() < room ? window->text.size() : room;
    std::memcpy(buffer, window->text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

ORV_API DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
    auto window = ValidWindow(hwnd);
    if (!window) return 0;
    if (processId != nullptr) *processId = GetCurrentProcessId();
    return window->threadId;
}

}  // extern "C"
