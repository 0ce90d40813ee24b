#include "trace_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>

#include "platform/win32.h"
#include "pos_errors.h"

namespace orv::rs485 {

TraceLog& TraceLog::Get() {
    static auto* log = new TraceLog;  // never destroyed: the worker may log while the process exits
    return *log;
}

bool TraceLog::Create() {
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) std::fclose(file_);
    // Every received byte goes in here: owner and group only, as every log of the suite.
    const int fd = ::open("Rs485PortLibLog.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
    file_ = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
    if (file_ == nullptr && fd >= 0) ::close(fd);
    return file_ != nullptr;
}

void TraceLog::Close() {
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

void TraceLog::Line(const char* format, ...) {
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) return;
    std::fprintf(file_, "%u:\t", GetTickCount());
    va_list args;
    va_start(args, format);
    std::vfprintf(file_, format, args);
    va_end(args);
    std::fflush(file_);
}

void TraceLog::Text(const char* format, ...) {
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file_, format, args);
    va_end(args);
}

void TraceLog::PosError(int number) {
    const PosErrorEntry& entry = FindPosError(number);
    if (entry.number == 0) {
        Line(entry.text, number);  // the catch-all text carries the number
    } else {
        Line("%s", entry.text);
    }
}

void TraceLog::Flush() {
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) std::fflush(file_);
}

}  // namespace orv::rs485
