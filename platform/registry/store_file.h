// File operations of the registry store: reading with the file's identity, the write-permission
// rule, the exclusive lock, and the atomic replace that keeps readers from ever seeing a
// half-written file.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/handles.h"
#include "platform/wintypes.h"

namespace orv::reg {

using orv::UniqueFd;

// What tells one version of the file from another. The store keeps the version it parsed open,
// so its inode number cannot be reused by the next version while it is compared.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t mtime_ns = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity identity_of(const struct stat& st);

// Larger files are refused rather than read into memory.
constexpr off_t kMaxFileSize = 64 * 1024 * 1024;

// Reads a whole file. ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_CANTREAD, or ERROR_BADDB
// for a file over kMaxFileSize; *why gets "<path>: <reason>" on failure. fd keeps the file open.
LONG read_whole_file(const std::string& path, UniqueFd& fd, FileIdentity& identity,
                     std::string& bytes, std::string& why);

// ERROR_ACCESS_DENIED when this process may not replace the file: no write permission on it
// (a file without any write bit is read-only even for root, as Windows honours the read-only
// attribute), or, when it does not exist yet, none on the folder that would hold it.
LONG check_writable(const std::string& path, std::string& why);

// The file a write to path changes: path itself, or the end of its chain of symbolic links
// (a relative link counts from the link's folder), so a link is written through, not replaced.
std::string write_target(const std::string& path);

// Removes the temporary files of writers that died before their rename (".<name>.XXXXXX" next
// to path). Only called under the lock, when no live writer has one.
void remove_stale_temporaries(const std::string& path);

// Creates the folder of path (and its parents) when missing.
LONG make_parent_folder(const std::string& path, std::string& why);

// Replaces the file with bytes: a temporary file in the same folder, flushed to disk, renamed
// over the old one (whose mode it takes; 0644 for a new file). On success, when keep is given, it
// receives the new file open and identity its identity.
LONG replace_file(const std::string& path, std::string_view bytes, UniqueFd* keep,
                  FileIdentity* identity, std::string& why);

// How long a writer waits for the lock: ORV_REGISTRY_LOCK_TIMEOUT_MS, 10 s by default.
int lock_timeout_ms();

// An exclusive lock on a side file, held until destruction. The holder writes its process id
// into the file, so a writer that gives up after timeout_ms (ERROR_TIMEOUT) can name it.
class FileLock {
public:
    LONG acquire(const std::string& lock_path, int timeout_ms, std::string& why);

private:
    UniqueFd fd_;
};

}  // namespace orv::reg
