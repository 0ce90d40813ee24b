// hidraw backend: an open /dev/hidrawN node with the Windows report layout on top.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "hidraw_sysfs.h"
#include "interface.h"
#include "report_descriptor.h"
#include "text.h"

namespace orv::hid::hidraw {
namespace {

// Reports a handle keeps before new ones are dropped (the kernel itself keeps 64).
constexpr size_t kQueueCapacity = 512;
constexpr size_t kMaxRead = 4096;

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
            return ERROR_ACCESS_DENIED;
        case ENODEV:
        case ENXIO:
        case ESHUTDOWN:
            return ERROR_DEVICE_NOT_CONNECTED;
        case ETIMEDOUT:
            return ERROR_TIMEOUT;
        default:
            return ERROR_GEN_FAILURE;
    }
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

class HidrawInterface final : public Interface {
public:
    HidrawInterface(Fd device, Fd wake, NodeInfo info)
        : device_(std::move(device)),
          wake_(std::move(wake)),
          info_(std::move(info)),
          parsed_(info_.haveDescriptor ? ParseReportDescriptor(info_.reportDescriptor.data(),
                                                               info_.reportDescriptor.size())
                                       : std::nullopt),
          queue_(parsed_ ? parsed_->caps.InputReportByteLength : 0, kQueueCapacity) {}

    ~HidrawInterface() override { Close(); }

    DWORD Attributes(HIDD_ATTRIBUTES& attributes) override {
        if (!info_.haveIds) return ERROR_GEN_FAILURE;
        attributes.Size = sizeof(HIDD_ATTRIBUTES);
        attributes.VendorID = info_.vendorId;
        attributes.ProductID = info_.productId;
        attributes.VersionNumber = info_.version;
        return ERROR_SUCCESS;
    }
    DWORD ProductString(std::u16string& text) override { return StringOf(info_.product, text); }
    DWORD SerialNumberString(std::u16string& text) override { return StringOf(info_.serial, text); }
    DWORD Caps(HIDP_CAPS& caps) override {
        if (!parsed_) return ERROR_INVALID_DATA;
        caps = parsed_->caps;
        return ERROR_SUCCESS;
    }

    DWORD GetFeature(BYTE* buffer, ULONG length) override {
        if (length > kMaxRead) return ERROR_INVALID_PARAMETER;  // the ioctl encodes 14 bits
        const int n = ::ioctl(device_.get(), HIDIOCGFEATURE(length), buffer);
        if (n < 0) return ErrorFromErrno(errno);
        if (ULONG(n) < length) std::memset(buffer + n, 0, length - ULONG(n));
        return ERROR_SUCCESS;
    }
    DWORD SetFeature(const BYTE* buffer, ULONG length) override {
        if (length > kMaxRead || (!UsesIds() && buffer[0] != 0)) return ERROR_INVALID_PARAMETER;
        const int n = ::ioctl(device_.get(), HIDIOCSFEATURE(length), buffer);
        return n < 0 ? ErrorFromErrno(errno) : ERROR_SUCCESS;
    }

    DWORD Write(const BYTE* buffer, DWORD length, DWORD timeoutMs) override {
        const DWORD check = CheckOutputReport(
            buffer, length, parsed_ ? parsed_->caps.OutputReportByteLength : 0, UsesIds());
        if (check != ERROR_SUCCESS) return check;
        // hidraw takes the report ID byte first in every case (0 without report IDs).
        pollfd fds[2] = {{device_.get(), POLLOUT, 0}, {wake_.get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs > INT32_MAX ? -1 : int(timeoutMs));
        if (ready == 0) return ERROR_TIMEOUT;
        if (ready < 0) return ErrorFromErrno(errno);
        if (fds[1].revents & POLLIN) return ERROR_OPERATION_ABORTED;
        const ssize_t n = ::write(device_.get(), buffer, length);
        if (n < 0) return errno == EAGAIN ? ERROR_TIMEOUT : ErrorFromErrno(errno);
        return size_t(n) == length ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
    }

    InputQueue* Input() override {
        std::lock_guard lock(mutex_);
        if (!closed_ && !feeder_.joinable()) feeder_ = std::thread([this] { Feed(); });
        return &queue_;
    }

    void Close() override {
        std::thread feeder;
        {
            std::lock_guard lock(mutex_);
            if (closed_) return;
            closed_ = true;
            feeder = std::move(feeder_);
        }
        const uint64_t one = 1;
        // The wake descriptor stays readable from now on: the feeder and stalled writes end.
        [[maybe_unused]] ssize_t ignored = ::write(wake_.get(), &one, sizeof one);
        if (feeder.joinable()) feeder.join();
        queue_.Close();
        // The descriptors close with the object, when no call is using them any more.
    }

private:
    bool UsesIds() const { return parsed_ && parsed_->usesReportIds; }

    static DWORD StringOf(const std::string& value, std::u16string& text) {
        if (value.empty()) return ERROR_NOT_SUPPORTED;
        text = Utf8ToUtf16(value);
        return ERROR_SUCCESS;
    }

    // Moves reports from the node into the queue, adding the 0 byte of a device without IDs.
    void Feed() {
        BYTE buffer[kMaxRead + 1];
        const size_t offset = UsesIds() ? 0 : 1;
        buffer[0] = 0;
        for (;;) {
            pollfd fds[2] = {{device_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                queue_.MarkGone();
                return;
            }
            if (fds[1].revents & POLLIN) return;
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL) && !(fds[0].revents & POLLIN)) {
                queue_.MarkGone();
                return;
            }
            const ssize_t n = ::read(device_.get(), buffer + offset, kMaxRead);
            if (n == 0) return;  // not a live node (a plain file): nothing more will come
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                queue_.MarkGone();
                return;
            }
            const size_t length = std::min(size_t(n) + offset, queue_.ReportLength());
            queue_.Push(buffer, length);  // a full queue drops the report, as the kernel does
        }
    }

    Fd device_;
    Fd wake_;
    const NodeInfo info_;
    const std::optional<ReportDescriptorInfo> parsed_;
    InputQueue queue_;
    std::mutex mutex_;
    std::thread feeder_;
    bool closed_ = false;
};

}  // namespace

DWORD ListInterfaces(std::vector<std::string>& paths) {
    const Roots roots = Roots::FromEnvironment();
    auto nodes = ListNodes(roots);
    if (!nodes) return ERROR_PATH_NOT_FOUND;
    paths.clear();
    for (const auto& node : *nodes) paths.push_back(roots.dev + "/" + node);
    return ERROR_SUCCESS;
}

std::unique_ptr<Interface> Open(const std::string& path, DWORD& error) {
    const Roots roots = Roots::FromEnvironment();
    const std::string node = path.substr(path.find_last_of('/') + 1);
    auto info = ReadNodeInfo(roots, node);
    if (!info) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    Fd device(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    if (device.get() < 0) {
        error = ErrorFromErrno(errno);
        return nullptr;
    }
    Fd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (wake.get() < 0) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    error = ERROR_SUCCESS;
    return std::make_unique<HidrawInterface>(std::move(device), std::move(wake), std::move(*info));
}

}  // namespace orv::hid::hidraw
