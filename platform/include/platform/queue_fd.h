// Platform-only extra of the message queues: a descriptor per thread queue, so that another
// event loop (Qt's, a poll loop) can wait for the thread's messages without polling.
#pragma once

#include "platform/wintypes.h"

extern "C" {

// Returns the descriptor of the calling thread's message queue, creating the queue if needed.
// The descriptor is readable while a posted or sent message waits for this thread; it stays
// readable until GetMessageA/PeekMessageA(PM_REMOVE) have taken every message. When a message
// is taken while its poster is still announcing it, the descriptor may turn readable once more
// with the queue empty; the next GetMessageA/PeekMessageA clears that. It belongs to the queue:
// do not read from or close it. -1 when no queue can be created.
ORV_API int WINAPI OrvGetMessageQueueFd(void);

}  // extern "C"
