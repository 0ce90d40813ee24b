#include "so_core/trace_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/win32.h"
#include "platform/winerror.h"

namespace orv::so {
namespace {

constexpr mode_t kTraceMode = 0640;  // a trace may hold card data: owner and group only
constexpr size_t kStampSize = 13;    // "hh:mm:ss.mmm "

const char kSeparator[] =
    "================================================================================\r\n";
static_assert(sizeof(kSeparator) == 80 + 2 + 1);

DWORD Win32FromErrno(int e) {
    switch (e) {
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    default: return ERROR_GEN_FAILURE;
    }
}

// Deletes the previous trace unless a live instance still has it open.
DWORD DeletePrevious(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return ERROR_SUCCESS;  // nothing to delete
    if (S_ISREG(st.st_mode)) {
        const UniqueFd probe(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (probe) {
            if (::flock(probe.get(), LOCK_EX | LOCK_NB) != 0) {
                const int lockErrno = errno;
                return Win32FromErrno(lockErrno == EWOULDBLOCK ? EWOULDBLOCK : lockErrno);
            }
            const int rc = ::unlink(path.c_str());
            return rc == 0 ? ERROR_SUCCESS : Win32FromErrno(errno);
        }
    }
    return ::unlink(path.c_str()) == 0 ? ERROR_SUCCESS : Win32FromErrno(errno);
}

void WriteAll(int fd, const std::string& bytes) {
    // One write per line: O_APPEND places it whole at the end, whoever else writes.
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    (void)n;  // a failed write loses the line, never the object
}

// "hh:mm:ss.mmm " written by hand: every trace line carries one, and snprintf was a good part
// of a line's cost.
void AppendStamp(std::string& out, unsigned hour, unsigned minute, unsigned second, unsigned ms) {
    const auto two = [&](unsigned v) {
        v %= 100;
        out.push_back(char('0' + v / 10));
        out.push_back(char('0' + v % 10));
    };
    two(hour);
    out.push_back(':');
    two(minute);
    out.push_back(':');
    two(second);
    out.push_back('.');
    ms %= 1000;
    out.push_back(char('0' + ms / 100));
    two(ms);
    out.push_back(' ');
}

// The stamp of now in UTC, straight from the clock: the time of day is all a line shows, so no
// calendar conversion (and its time zone lock) per line.
void AppendStampOfNow(std::string& out) {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    const auto ofDay = static_cast<unsigned>(ts.tv_sec % 86400);
    AppendStamp(out, ofDay / 3600, ofDay / 60 % 60, ofDay % 60, unsigned(ts.tv_nsec / 1000000));
}

}  // namespace

std::string FormatLogStamp(const SYSTEMTIME& utc) {
    std::string stamp;
    AppendStamp(stamp, utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds);
    return stamp;
}

std::string FormatLogHeader(const struct tm& local) {
    char created[64] = {};
    if (!::asctime_r(&local, created)) created[0] = '\0';
    std::string header = kSeparator;
    header += "   File Created ";
    header += created;  // asctime's 24 characters and its LF
    header += "\r\n";
    header += kSeparator;
    return header;
}

long TraceHolder(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    // "1: FLOCK  ADVISORY  READ  1234 08:01:5678 0 EOF"; a waiter's line has "->" after the id.
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream words(line);
        std::string id, kind, mode, access, file;
        long pid = 0;
        words >> id >> kind;
        if (kind == "->") continue;
        words >> mode >> access >> pid >> file;
        unsigned major = 0, minor = 0;
        unsigned long inode = 0;
        if (kind != "FLOCK" || std::sscanf(file.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3)
            continue;
        if (major == ::major(st.st_dev) && minor == ::minor(st.st_dev) && inode == st.st_ino)
            return pid;
    }
    return 0;
}

TraceLog::~TraceLog() { Close(); }

DWORD TraceLog::Open(const std::string& path) {
    Close();
    const DWORD deleted = DeletePrevious(path);
    if (deleted == ERROR_SHARING_VIOLATION) {
        // The one trace of a class per log folder: say who has it, or the Open fails unexplained.
        const long holder = TraceHolder(path);
        const std::string line = path + " is held by process " +
                                 (holder > 0 ? std::to_string(holder) : std::string("(unknown)")) +
                                 "; give each process its own Logpath folder\n";
        OutputDebugStringA(line.c_str());
    }
    if (deleted != ERROR_SUCCESS) return deleted;

    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW,
                       kTraceMode));
    if (!fd) return ERROR_SUCCESS;   // runs without a trace
    ::fchmod(fd.get(), kTraceMode);  // also when someone recreated it meanwhile
    ::flock(fd.get(), LOCK_SH);      // marks the trace live for other openers

    const time_t now = ::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    WriteAll(fd.get(), FormatLogHeader(local));

    std::lock_guard lock(mutex_);
    fd_ = std::move(fd);
    path_ = path;
    return ERROR_SUCCESS;
}

void TraceLog::Line(std::string_view text) {
    std::string line;
    line.reserve(kStampSize + text.size() + 2);
    AppendStampOfNow(line);
    line.append(text);
    line.append("\r\n");
    std::lock_guard lock(mutex_);
    if (fd_) WriteAll(fd_.get(), line);
}

void TraceLog::Lines(std::initializer_list<std::string_view> texts) {
    std::string stamp;
    AppendStampOfNow(stamp);
    size_t size = 0;
    for (std::string_view text : texts) size += stamp.size() + text.size() + 2;
    std::string lines;
    lines.reserve(size);
    for (std::string_view text : texts) {
        lines.append(stamp);
        lines.append(text);
        lines.append("\r\n");
    }
    std::lock_guard lock(mutex_);
    if (fd_) WriteAll(fd_.get(), lines);
}

void TraceLog::Close() {
    std::lock_guard lock(mutex_);
    fd_.reset();  // drops the lock with the descriptor
}

bool TraceLog::IsOpen() const {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(fd_);
}

}  // namespace orv::so
