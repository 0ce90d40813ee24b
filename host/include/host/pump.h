// Pumping the calling thread's messages, which is how a control's events reach the application:
// either the classic blocking loop, or the queue descriptor watched by the application's own
// event loop (poll/epoll, Qt's QSocketNotifier, ...), followed by DispatchPending().
#pragma once

#include <chrono>
#include <functional>

#include "platform/wintypes.h"

namespace orv::host {

// The descriptor that is readable while the calling thread has messages; -1 when no queue can
// be made. Watch it for reading; never read from or close it.
ORV_API int QueueFd();

// Runs every message waiting for the calling thread (sent ones included) and returns the number
// of posted messages dispatched. Never blocks.
ORV_API size_t DispatchPending();

// Pumps until done() answers true (checked after every batch of messages) or the time is up;
// true when done() answered true. Blocks in poll() on the queue descriptor between batches.
ORV_API bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// The classic loop: GetMessageA/DispatchMessageA until WM_QUIT (PostQuitMessage); returns the
// quit code, or -1 when GetMessageA fails.
ORV_API int RunMessageLoop();

}  // namespace orv::host
