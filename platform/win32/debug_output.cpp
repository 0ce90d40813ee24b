// Debugger output. There is no debugger to attach here; a person switches the sink on with
// ORV_DEBUG_OUTPUT and reads standard error.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/win32.h"

namespace {

// Read at every call so that a test or a person can switch it without restarting the process.
bool DebugOutputEnabled() {
    const char* value = std::getenv("ORV_DEBUG_OUTPUT");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

}  // namespace

extern "C" {

ORV_API void WINAPI OutputDebugStringA(LPCSTR text) {
    if (text == nullptr || !DebugOutputEnabled()) return;
    const int savedErrno = errno;
    // One write per call keeps lines of concurrent threads whole; loop only on a short write.
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = write(STDERR_FILENO, text, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            break;
        }
        text += written;
        left -= static_cast<size_t>(written);
    }
    errno = savedErrno;
}

}  // extern "C"
