// The transport's trace log "Rs485PortLibLog.txt" in the current folder. Entries are lines
// "<tick count>:\t<text>"; byte dumps continue without the tick. Writing never fails a caller:
// without a file (not created, or closed) entries are dropped. A line of the API's callers is
// flushed at once, the worker's when its pass ends (before it waits for the next message).
#pragma once

#include <cstdio>
#include <mutex>

namespace orv::rs485 {

class TraceLog {
public:
    static TraceLog& Get();

    // Creates the file anew (truncating it); false when it cannot be created.
    bool Create();
    void Close();

    // "%u:\t" with GetTickCount, then the text.
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The text alone (per-byte dumps), flushed with the next Line or Flush.
    void Text(const char* format, ...) __attribute__((format(printf, 2, 3)));
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
    };

private:
    TraceLog() = default;
    std::mutex mutex_;
    FILE* file_ = nullptr;
};

}  // namespace orv::rs485
