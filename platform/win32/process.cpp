// Thread and process identities.
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/win32.h"

namespace {

thread_local DWORD t_threadId = 0;

// The forking thread is a new thread in the child: forget its cached id there.
[[maybe_unused]] const int g_atforkRegistered =
    pthread_atfork(nullptr, nullptr, [] { t_threadId = 0; });

}  // namespace

extern "C" {

// The kernel thread id: unique among live threads of the system and stable for the thread's
// life, like a Windows thread id (and, like it, reused after the thread ends).
ORV_API DWORD WINAPI GetCurrentThreadId(void) {
    if (t_threadId == 0) t_threadId = static_cast<DWORD>(syscall(SYS_gettid));
    return t_threadId;
}

ORV_API DWORD WINAPI GetCurrentProcessId(void) {
    return static_cast<DWORD>(getpid());
}

}  // extern "C"
