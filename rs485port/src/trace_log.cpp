#include "trace_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/win32.h"
#include "pos_errors.h"
#include "worker.h"

namespace orv::rs485 {
namespace {

thread_local int t_batches = 0;

// Text waiting longer than this goes out at once, so that a long dump on the worker does not
// grow the buffer without bound.
constexpr size_t kWriteAbove = 64 * 1024;

constexpr char kHexDigits[] = "0123456789abcdef";

// The base is a constant of each instance: a division by it is a multiplication, where a
// division by a variable was a good part of a line (a tick count has eight digits and more).
template <unsigned kBase>
void AppendUnsigned(std::string& out, unsigned long long value) {
    char digits[24];
    char* end = digits + sizeof digits;
    char* p = end;
    do {
        *--p = kHexDigits[value % kBase];
        value /= kBase;
    } while (value != 0);
    out.append(p, size_t(end - p));
}

void AppendSigned(std::string& out, long long value) {
    if (value < 0) {
        out.push_back('-');
        // Negated as unsigned: the most negative value has no positive counterpart.
        AppendUnsigned<10>(out, 0ull - static_cast<unsigned long long>(value));
    } else {
        AppendUnsigned<10>(out, static_cast<unsigned long long>(value));
    }
}

void AppendWithPrintf(std::string& out, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char small[256] = {};
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    if (needed < 0) {  // a conversion printf refuses: what it wrote up to there
        out.append(small, strnlen(small, sizeof small));
        va_end(again);
        return;
    }
    if (size_t(needed) < sizeof small) {
        out.append(small, size_t(needed));
    } else {
        const size_t at = out.size();
        out.resize(at + size_t(needed) + 1);
        std::vsnprintf(&out[at], size_t(needed) + 1, format, again);
        out.resize(at + size_t(needed));
    }
    va_end(again);
}

}  // namespace

void AppendFormatted(std::string& out, const char* format, va_list args) {
    // Kept for a format with a conversion not done here: printf then does it all.
    va_list whole;
    va_copy(whole, args);
    const size_t start = out.size();
    const char* text = format;
    bool plain = true;
    for (const char* p = std::strchr(format, '%'); p != nullptr;
         p = plain ? std::strchr(text, '%') : nullptr) {
        out.append(text, size_t(p - text));
        ++p;
        const bool isLong = *p == 'l';
        if (isLong) ++p;
        switch (*p) {
            case 'd':
            case 'i':
                AppendSigned(out, isLong ? va_arg(args, long) : va_arg(args, int));
                break;
            case 'u':
                AppendUnsigned<10>(out,
                                   isLong ? va_arg(args, unsigned long) : va_arg(args, unsigned));
                break;
            case 'x':
                AppendUnsigned<16>(out,
                                   isLong ? va_arg(args, unsigned long) : va_arg(args, unsigned));
                break;
            case 'c':
                if (!isLong) out.push_back(char(va_arg(args, int)));
                plain = !isLong;
                break;
            case 's':
                if (!isLong) {
                    const char* s = va_arg(args, const char*);
                    out.append(s != nullptr ? s : "(null)");
                }
                plain = !isLong;
                break;
            case '%':
                if (!isLong) out.push_back('%');
                plain = !isLong;
                break;
            default:  // flags, a width, a precision, another conversion, or the end
                plain = false;
                break;
        }
        if (plain) text = p + 1;
    }
    if (plain) {
        out.append(text);
    } else {
        out.resize(start);
        AppendWithPrintf(out, format, whole);
    }
    va_end(whole);
}

void AppendPrintf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatted(out, format, args);
    va_end(args);
}

TraceLog::Batch::Batch() {
    ++t_batches;
}

TraceLog::Batch::~Batch() {
    if (--t_batches == 0 && !leaveToWorker_ && !Worker::OnWorkerThread()) TraceLog::Get().Flush();
}

TraceLog& TraceLog::Get() {
    static auto* log = new TraceLog;  // never destroyed: the worker may log while the process exits
    return *log;
}

bool TraceLog::Create() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) ::close(fd_);
    pending_.clear();
    // Every received byte goes in here: owner and group only, as every log of the suite.
    fd_ = ::open("Rs485PortLibLog.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
    return fd_ >= 0;
}

void TraceLog::Close() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    WriteOutLocked();
    ::close(fd_);
    fd_ = -1;
}

void TraceLog::WriteOutLocked() {
    const char* data = pending_.data();
    size_t left = pending_.size();
    while (left > 0 && fd_ >= 0) {
        const ssize_t written = ::write(fd_, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            break;  // a full disk costs the trace, never the caller
        }
        data += written;
        left -= size_t(written);
    }
    pending_.clear();
}

void TraceLog::FlushIfCallerLocked() {
    // The worker's lines (six and more per piece sent) reach the file when its pass ends; a
    // caller's at once, as it may wait for the worker next.
    if ((t_batches == 0 && !Worker::OnWorkerThread()) || pending_.size() > kWriteAbove)
        WriteOutLocked();
}

void TraceLog::Append(const char* format, va_list args) {
    AppendFormatted(pending_, format, args);
}

void TraceLog::Line(const char* format, ...) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    AppendUnsigned<10>(pending_, GetTickCount());
    pending_.append(":\t", 2);
    va_list args;
    va_start(args, format);
    Append(format, args);
    va_end(args);
    FlushIfCallerLocked();
}

void TraceLog::Text(const char* format, ...) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    va_list args;
    va_start(args, format);
    Append(format, args);
    va_end(args);
    if (pending_.size() > kWriteAbove) WriteOutLocked();
}

void TraceLog::Bytes(const char* label, const uint8_t* bytes, size_t count) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    const size_t labelLength = std::strlen(label);
    // Written in place: room for the longest line each, cut to what was written.
    const size_t longest = 1 + labelLength + 3 + 20 + 10 + 2 + 1;
    const size_t start = pending_.size();
    pending_.resize(start + count * longest);
    char* out = pending_.data() + start;
    for (size_t i = 0; i < count; ++i) {
        *out++ = ' ';
        std::memcpy(out, label, labelLength);
        out += labelLength;
        std::memcpy(out, " = ", 3);
        out += 3;
        char digits[20];
        char* d = digits + sizeof digits;
        size_t n = i;
        do {
            *--d = char('0' + n % 10);
            n /= 10;
        } while (n != 0);
        const size_t width = size_t(digits + sizeof digits - d);
        std::memcpy(out, d, width);
        out += width;
        std::memcpy(out, "\t Value = ", 10);
        out += 10;
        const uint8_t b = bytes[i];
        if (b >= 16) *out++ = kHexDigits[b >> 4];
        *out++ = kHexDigits[b & 15];
        *out++ = '\n';
    }
    pending_.resize(size_t(out - pending_.data()));
    if (pending_.size() > kWriteAbove) WriteOutLocked();
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
    if (fd_ >= 0) WriteOutLocked();
}

}  // namespace orv::rs485
