#include "trace_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>

#include "platform/win32.h"
#include "pos_errors.h"
#include "worker.h"

namespace orv::rs485 {
namespace {
thread_local int t_batches = 0;
}  // namespace

TraceLog::Batch::Batch() {
    ++t_batches;
}

TraceLog::Batch::~Batch() {
    if (--t_batches == 0 && !Worker::OnWorkerThread()) TraceLog::Get().Flush();
}

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
    // The stamp by hand: a second formatted print per line was a good part of the worker's
    // time for each piece sent.
    char stamp[16];
    char* end = stamp + sizeof stamp;
    char* p = end;
    *--p = '\t';
    *--p = ':';
    unsigned tick = GetTickCount();
    do {
        *--p = char('0' + tick % 10);
        tick /= 10;
    } while (tick != 0);
    std::fwrite(p, 1, size_t(end - p), file_);
    va_list args;
    va_start(args, format);
    std::vfprintf(file_, format, args);
    va_end(args);
    // The worker's lines (six and more per piece sent) reach the file when its pass ends; a
    // caller's at once, as it may wait for the worker next.
    if (t_batches == 0 && !Worker::OnWorkerThread()) std::fflush(file_);
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
