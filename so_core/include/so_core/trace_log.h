// The per-instance trace file of a service object: a header when it is created, then one
// time-stamped line per call, CR LF line ends, ANSI text as it is.
//
// Windows opens the file without delete sharing, so while one live instance of a device class
// has its trace open, a second instance cannot delete it and is not created. Here the open file
// carries a shared advisory lock (flock); before deleting an existing file the opener asks for
// an exclusive lock, which fails while any process (this one included) has the file open as a
// live trace.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/handles.h"
#include "platform/wintypes.h"

namespace orv::so {

// "HH:MM:SS.mmm " (with the trailing blank) for a UTC time.
std::string FormatLogStamp(const SYSTEMTIME& utc);

// The three header lines: separator, "   File Created " with the asctime text, separator.
std::string FormatLogHeader(const struct tm& local);

// The process that holds a live trace at path (its lock in /proc/locks), 0 when none is known.
long TraceHolder(const std::string& path);

class TraceLog {
public:
    TraceLog() = default;
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    // Deletes an existing file of that path, creates it (owner read/write, group read) and
    // writes the header. Returns ERROR_SUCCESS, or the Win32 error that kept the old file from
    // being deleted (ERROR_SHARING_VIOLATION while a live trace holds it): the caller must not
    // create its object then; the debugger output then says "<path> is held by process N". A file that cannot be created is not an error: the log stays
    // closed and every line is dropped.
    DWORD Open(const std::string& path);

    // Appends "HH:MM:SS.mmm <text>\r\n" in one write. Dropped while closed; a failed write
    // (disk full) is ignored so the service object keeps running.
    void Line(std::string_view text);
    // Several such lines, one stamp, one write (the lines of one event on its path).
    void Lines(std::initializer_list<std::string_view> texts);

    void Close();
    bool IsOpen() const;
    const std::string& Path() const { return path_; }

private:
    mutable std::mutex mutex_;  // a line and Close never race for the descriptor
    UniqueFd fd_;
    std::string path_;
};

}  // namespace orv::so
