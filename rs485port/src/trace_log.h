// The transport's trace log "Rs485PortLibLog.txt" in the current folder. Entries are lines
// "<tick count>:\t<text>"; byte dumps continue without the tick. Writing never fails a caller:
// without a file (not created, or closed) entries are dropped. A line of the API's callers is
// written at once (those of a write handed to the worker with the worker's), the worker's when
// its pass ends (before it waits for the next message) or before it tells a client anything.
//
// Entries are formatted into one buffer by hand (the conversions the transport uses: %d %i %u
// %x %s %c with an optional l, and %%) and leave in one write() per batch: a received block
// logs a line per byte, and printf and stdio per line were most of the time a byte took.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace orv::rs485 {

class TraceLog {
public:
    static TraceLog& Get();

    // Creates the file anew (truncating it, mode 0640); false when it cannot be created.
    bool Create();
    void Close();

    // "%u:\t" with GetTickCount, then the text.
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The text alone, written with the next Line or Flush.
    void Text(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // One line " <label> = <i>\t Value = <byte in hex>\n" per byte, i counting from 0, under
    // one lock: what Text with that format did byte by byte.
    void Bytes(const char* label, const uint8_t* bytes, size_t count);
    // The error-table entry of a POS error number, as a line.
    void PosError(int number);
    void Flush();

    // While one lives on a thread, that thread's lines wait for the batch's end (or a Flush) to
    // reach the file: one write for the lines of one call.
    class Batch {
    public:
        Batch();
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // The worker has been handed work and writes these lines with its own, before it tells
        // the client anything and at the latest when its pass ends: one write per request
        // instead of one more on the caller's way to its wait.
        void LeaveToWorker() { leaveToWorker_ = true; }

    private:
        bool leaveToWorker_ = false;
    };

private:
    TraceLog() = default;
    // With mutex_ held.
    void Append(const char* format, va_list args);
    void WriteOutLocked();
    void FlushIfCallerLocked();

    std::mutex mutex_;
    int fd_ = -1;
    std::string pending_;  // formatted, not yet written
};

// Appends the printf-formatted text to `out`. The conversions above are done here; a format
// with anything else goes to vsnprintf whole. Exposed for its tests.
void AppendFormatted(std::string& out, const char* format, va_list args);
void AppendPrintf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace orv::rs485
