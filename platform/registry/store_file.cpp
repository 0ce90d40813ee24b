#include "store_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

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
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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

LONG check_writable(const std::string& path, std::string& why) {
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

LONG replace_file(const std::string& path, std::string_view bytes, UniqueFd* keep,
                  FileIdentity* identity, std::string& why) {
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

LONG FileLock::acquire(const std::string& lock_path, std::string& why) {
    UniqueFd fd(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    // A lock file made by another account may not be writable for us; flock needs no write.
    if (!fd && (errno == EACCES || errno == EPERM))
        fd.reset(::open(lock_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        int err = errno;
        why = reason(lock_path, err);
        return write_status(err);
    }
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            int err = errno;
            why = reason(lock_path, err);
            return ERROR_CANTWRITE;
        }
    }
    fd_ = std::move(fd);
    return ERROR_SUCCESS;
}

}  // namespace orv::reg
