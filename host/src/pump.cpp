#include "host/pump.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "platform/queue_fd.h"
#include "platform/win32.h"

namespace orv::host {

int QueueFd() {
    return OrvGetMessageQueueFd();
}

size_t DispatchPending() {
    size_t dispatched = 0;
    MSG msg;
    // PeekMessageA runs the sent messages (a control's events) before looking at posted ones.
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the caller's loop
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++dispatched;
    }
    return dispatched;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    const int fd = QueueFd();
    for (;;) {
        DispatchPending();
        if (done()) return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        if (fd < 0) return false;
        pollfd p{fd, POLLIN, 0};
        // Wake at least every 50 ms so a condition changed by another thread is seen.
        const int wait = static_cast<int>(std::min<int64_t>(left.count(), 50)) + 1;
        if (::poll(&p, 1, wait) < 0 && errno != EINTR) return false;
    }
}

int RunMessageLoop() {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got < 0) return -1;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace orv::host
