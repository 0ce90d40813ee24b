#include "store_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/winerror.h"

namespace orv::reg {
namespace {

std::string reason(const std::string& path, int err) {
    return path + ": " + std::generic_category().message(err);
}

LONG read_status(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_CANTREAD;
    }
}

LONG write_status(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_CANTWRITE;
    }
}

std::string folder_of(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Removes the temporary file unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(std::string name) : name_(std::move(name)) {}
    ~TempFile() {
        if (!committed_) ::unlink(name_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    void commit() { committed_ = true; }

private:
    std::string name_;
    bool committed_ = false;
};

}  // namespace

FileIdentity identity_of(const struct stat& st) {
    return FileIdentity{st.st_dev, st.st_ino, st.st_size,
                        static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

LONG read_whole_file(const std::string& path, UniqueFd& fd, FileIdentity& identity,
                     std::string& bytes, std::string& why) {
    // Non-blocking open: a FIFO without a writer would otherwise wait for ever.
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st;
    if (!file || ::fstat(file.get(), &st) != 0) {
        int err = errno;  // before anything else can change it
        why = reason(path, err);
        return read_status(err);
    }
    if (!S_ISREG(st.st_mode)) {
        why = path + ": not a regular file";
        return ERROR_CANTREAD;
    }
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    identity = identity_of(st);
    if (st.st_size > kMaxFileSize) {
        why = path + ": larger than 64 MiB";
        return ERROR_BADDB;
    }
    bytes.clear();
    bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            why = reason(path, err);
            return ERROR_CANTREAD;
        }
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > static_cast<size_t>(kMaxFileSize)) {
            why = path + ": larger than 64 MiB";
            return ERROR_BADDB;
        }
    }
    fd = std::move(file);
    return ERROR_SUCCESS;
}

std::string write_target(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path target = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(target, ec)); ++hops) {
        fs::path next = fs::read_symlink(target, ec);
        if (ec) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target.string();
}

void remove_stale_temporaries(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string prefix = "." + fs::path(path).filename().string() + ".";
    std::error_code ec;
    for (fs::directory_iterator it(folder_of(path), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // mkstemp's six characters after the prefix; nothing else of ours looks like that.
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
            it->is_regular_file(ec))
            ::unlink(it->path().c_str());
    }
}

LONG check_writable(const std::string& link, std::string& why) {
    const std::string path = write_target(link);
    auto fail = [&why](const std::string& name) {
        int err = errno;
        why = reason(name, err);
        return write_status(err);
    };
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            why = path + ": not a regular file";
            return ERROR_ACCESS_DENIED;
        }
        if ((st.st_mode & 0222) == 0) {
            why = path + ": the file is read-only";
            return ERROR_ACCESS_DENIED;
        }
        if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return fail(path);
        // The replace needs to create and rename in the folder.
        std::string folder = folder_of(path);
        if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
            return fail(folder);
        return ERROR_SUCCESS;
    }
    if (errno != ENOENT) return fail(path);
    // No file yet: the nearest folder that exists must let us create what is missing.
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (;;) {
        std::string name = folder.empty() ? std::string(".") : folder.string();
        if (::stat(name.c_str(), &st) == 0) {
            if ((st.st_mode & 0222) == 0) {
                why = name + ": the folder is read-only";
                return ERROR_ACCESS_DENIED;
            }
            if (::faccessat(AT_FDCWD, name.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
                return fail(name);
            return ERROR_SUCCESS;
        }
        if (errno != ENOENT) return fail(name);
        if (folder.empty() || folder == folder.parent_path()) {
            why = reason(name, ENOENT);
            return ERROR_CANTWRITE;
        }
        folder = folder.parent_path();
    }
}

LONG make_parent_folder(const std::string& path, std::string& why) {
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty() || std::filesystem::is_directory(parent, ec)) return ERROR_SUCCESS;
    std::filesystem::create_directories(parent, ec);
    if (ec) {
        why = parent.string() + ": " + ec.message();
        return write_status(ec.value());
    }
    return ERROR_SUCCESS;
}

LONG replace_file(const std::string& link, std::string_view bytes, UniqueFd* keep,
                  FileIdentity* identity, std::string& why) {
    const std::string path = write_target(link);
    auto fail = [&why](const std::string& name) {
        int err = errno;
        why = reason(name, err);
        return write_status(err);
    };
    LONG status = make_parent_folder(path, why);
    if (status != ERROR_SUCCESS) return status;
    std::string folder = folder_of(path);
    std::string name = folder + "/." + std::filesystem::path(path).filename().string() + ".XXXXXX";
    UniqueFd file(::mkstemp(name.data()));
    if (!file) return fail(folder);
    TempFile temp(name);
    ::fcntl(file.get(), F_SETFD, FD_CLOEXEC);
    struct stat old;
    mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(file.get(), mode) != 0 || !write_all(file.get(), bytes) ||
        ::fsync(file.get()) != 0)
        return fail(path);
    // Keep the owner of a file that root rewrites for another account.
    if (::geteuid() == 0 && ::stat(path.c_str(), &old) == 0) {
        if (::fchown(file.get(), old.st_uid, old.st_gid) != 0) {
            // Ownership is a convenience; the content is what matters.
        }
    }
    struct stat st;
    if (::fstat(file.get(), &st) != 0 || ::rename(name.c_str(), path.c_str()) != 0)
        return fail(path);
    temp.commit();
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.get());  // the rename itself survives a crash
    if (identity) *identity = identity_of(st);
    if (keep) *keep = std::move(file);
    return ERROR_SUCCESS;
}

int lock_timeout_ms() {
    const char* env = std::getenv("ORV_REGISTRY_LOCK_TIMEOUT_MS");
    if (env && *env) {
        char* end = nullptr;
        long ms = std::strtol(env, &end, 10);
        if (end && *end == '\0' && ms >= 0 && ms <= 24L * 3600 * 1000) return static_cast<int>(ms);
    }
    return 10000;
}

LONG FileLock::acquire(const std::string& lock_path, int timeout_ms, std::string& why) {
    UniqueFd fd(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    // A lock file made by another account may not be writable for us; flock needs no write.
    if (!fd && (errno == EACCES || errno == EPERM))
        fd.reset(::open(lock_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        int err = errno;
        why = reason(lock_path, err);
        return write_status(err);
    }
    // A stopped holder would block every writer for ever: poll up to the deadline instead.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            int err = errno;
            why = reason(lock_path, err);
            return ERROR_CANTWRITE;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            char text[32] = {};
            ssize_t n = ::pread(fd.get(), text, sizeof text - 1, 0);
            long holder = n > 0 ? std::strtol(text, nullptr, 10) : 0;
            why = lock_path + ": held by process " +
                  (holder > 0 ? std::to_string(holder) : std::string("(unknown)")) +
                  " for more than " + std::to_string(timeout_ms) + " ms";
            return ERROR_TIMEOUT;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd.get(), 0) == 0 &&
        ::pwrite(fd.get(), pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        // The pid only names the holder in another writer's message.
    }
    fd_ = std::move(fd);
    return ERROR_SUCCESS;
}

}  // namespace orv::reg
