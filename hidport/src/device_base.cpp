#include "device_base.h"

#include <algorithm>
#include <cstring>

#include "system_message.h"
#include "win_handles.h"

namespace orv::hidport {

// One run of the reader: its events, its view of the device and callbacks, and its flags. A
// new Open starts a new session, so a reader that outlived its Close (stuck in a callback past
// the stop wait) only ever touches its own events and leaves at its next check.
// The reader sleeps on one auto-reset event, armed by each pending read and set by Close after
// it raised stopRequested: one wait per report, and no reset to make before the next read.
struct CDeviceBase::ReaderSession {
    UniqueEvent wakeEvent = MakeAutoResetEvent();
    UniqueEvent stoppedEvent = MakeManualResetEvent();
    UniqueEvent watchRunningEvent = MakeManualResetEvent();
    HANDLE device = INVALID_HANDLE_VALUE;
    ULONG inputLength = 0;
    ReceiveCallback onReceive = nullptr;
    ErrorCallback onError = nullptr;
    ThreadStartCallback onThreadStart = nullptr;
    std::atomic<bool> running{false};
    std::atomic<bool> cancelled{false};  // set by Close: report nothing more, leave
    std::atomic<bool> exited{false};
    std::atomic<bool> stopRequested{false};  // set by Close before it sets wakeEvent

    bool EventsCreated() const {
        return wakeEvent.valid() && stoppedEvent.valid() && watchRunningEvent.valid();
    }
};

namespace {

constexpr char kReaderTimeout[] = "Closing because timeout waiting for mhWatchRunningEvent";
constexpr ULONG kStringBufferBytes = 520;  // 260 UTF-16 units

std::string Narrow(const char16_t* units, size_t count) {
    std::string text;
    for (size_t i = 0; i < count && units[i] != u'\0'; ++i) text.push_back(char(units[i] & 0xFF));
    return text;
}

template <BOOL(WINAPI* Query)(HANDLE, LPVOID, ULONG)>
std::string ReadString(HANDLE device) {
    char16_t buffer[kStringBufferBytes / 2] = {};
    if (!Query(device, buffer, kStringBufferBytes)) return {};
    return Narrow(buffer, kStringBufferBytes / 2);
}

// Every interface path of a fresh snapshot, in bus order.
std::vector<std::string> InterfacePaths() {
    std::vector<std::string> paths;
    UniqueInterfaceList list(OrvHidGetInterfaceList());
    if (!list.valid()) return paths;
    std::vector<char> path(256);
    for (DWORD index = 0;; ++index) {
        DWORD required = 0;
        if (OrvHidGetInterfacePath(list.get(), index, path.data(), DWORD(path.size()), &required)) {
            paths.emplace_back(path.data());
            continue;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_INSUFFICIENT_BUFFER && required > path.size()) {
            path.resize(required);
            --index;  // the same index again with room for it
            continue;
        }
        if (error == ERROR_NO_MORE_ITEMS) break;
    }
    return paths;
}

}  // namespace

std::string CDeviceBase::ReadProductString(HANDLE device) {
    return ReadString<OrvHidGetProductString>(device);
}
std::string CDeviceBase::ReadSerialNumberString(HANDLE device) {
    return ReadString<OrvHidGetSerialNumberString>(device);
}

CDeviceBase::~CDeviceBase() {
    Close();
}

bool CDeviceBase::WriteChunk(const unsigned char*, ULONG) {
    return false;  // the plain device has no output framing
}

void CDeviceBase::ParseInputReport(const unsigned char*, ULONG, std::vector<unsigned char>&) {}

HIDP_CAPS CDeviceBase::Caps() const {
    std::lock_guard lock(lifecycle_);
    return caps_;
}

std::vector<std::string> CDeviceBase::EnumerateProducts() {
    std::vector<std::string> products;
    for (const auto& path : InterfacePaths()) {
        UniqueHid device(OrvHidOpen(path.c_str()));
        if (device.valid()) products.push_back(ReadProductString(device.get()));
    }
    return products;
}

bool CDeviceBase::FindAndOpen(const std::string& productName, const std::string& serialNumber) {
    std::lock_guard lock(lifecycle_);
    return FindAndOpenLocked(productName, serialNumber);
}

bool CDeviceBase::FindAndOpenLocked(const std::string& productName,
                                    const std::string& serialNumber) {
    for (const auto& path : InterfacePaths()) {
        UniqueHid device(OrvHidOpen(path.c_str()));
        if (!device.valid()) continue;
        HIDP_CAPS caps{};
        OrvHidGetCaps(device.get(), &caps);  // left zero when the descriptor cannot be read
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof attributes;
        if (!OrvHidGetAttributes(device.get(), &attributes)) continue;
        std::string product = ReadProductString(device.get());
        if (product.empty()) product = ReadProductString(device.get());  // some devices answer late
        if (product != productName) continue;
        if (!serialNumber.empty() && ReadSerialNumberString(device.get()) != serialNumber) continue;
        caps_ = caps;
        device_ = device.release();
        return true;
    }
    return false;
}

bool CDeviceBase::Open(const std::string& productName, const std::string& serialNumber,
                       ReceiveCallback onReceive, ErrorCallback onError,
                       ThreadStartCallback onThreadStart, void*& handle) {
    std::lock_guard lock(lifecycle_);
    CloseLocked();
    // Checked before the search so that a refused open leaves nothing open.
    if (onReceive == nullptr || onError == nullptr) return false;
    std::shared_ptr<CDeviceBase> self = weak_from_this().lock();
    if (!self) return false;  // readers need shared ownership (see the class comment)
    if (!FindAndOpenLocked(productName, serialNumber)) return false;

    onReceive_ = onReceive;
    onError_ = onError;
    onThreadStart_ = onThreadStart;
    {
        std::lock_guard write(writeMutex_);
        writeBuffer_.assign(size_t(caps_.OutputReportByteLength) + 1, 0);
    }
    auto session = std::make_shared<ReaderSession>();
    session->device = device_;
    session->inputLength = caps_.InputReportByteLength;
    session->onReceive = onReceive;
    session->onError = onError;
    session->onThreadStart = onThreadStart;
    if (!session->EventsCreated()) {
        CloseLocked();
        return false;
    }
    session_ = session;
    try {
        reader_ = std::thread(WatchThread, std::weak_ptr<CDeviceBase>(self), session);
    } catch (...) {
        CloseLocked();
        return false;
    }
    if (WaitForSingleObject(session->watchRunningEvent.get(), kReaderStartMs) == WAIT_OBJECT_0) {
        handle = device_;
        return true;
    }
    ReportError(0, kReaderTimeout);
    CloseLocked();
    return false;
}

void CDeviceBase::Close() {
    std::lock_guard lock(lifecycle_);
    CloseLocked();
}

void CDeviceBase::CloseLocked() {
    const HANDLE device = device_;
    // The session ends here whatever happens: a later Open starts a new one.
    const std::shared_ptr<ReaderSession> session = std::move(session_);
    bool stopped = false;
    if (device != INVALID_HANDLE_VALUE) {
        if (session) {
            ResetEvent(session->stoppedEvent.get());
            session->stopRequested = true;
            SetEvent(session->wakeEvent.get());
            // On the reader itself (closing on unplug) nobody answers: the wait runs its full
            // time. A reader that has already ended (read error, refused start) cannot answer.
            if (!session->exited)
                stopped = WaitForSingleObject(session->stoppedEvent.get(), kReaderStopMs) ==
                          WAIT_OBJECT_0;
            session->cancelled = true;
        }
        device_ = INVALID_HANDLE_VALUE;
        OrvHidClose(device);  // also ends a write stalled on it
        std::lock_guard write(writeMutex_);
        writeBuffer_.clear();
        writeBuffer_.shrink_to_fit();
    }
    if (session) ReapReader(stopped, *session);
}

// Joins a reader that has stopped or ended; one still busy in a callback (or the calling reader
// itself) is left to finish on its own: it keeps only its session and a weak reference.
void CDeviceBase::ReapReader(bool stopped, const ReaderSession& session) {
    if (!reader_.joinable()) return;
    const bool self = reader_.get_id() == std::this_thread::get_id();
    if (!self && (stopped || session.exited))
        reader_.join();
    else
        reader_.detach();
}

void CDeviceBase::CloseFromReader(const std::shared_ptr<ReaderSession>& session) {
    std::lock_guard lock(lifecycle_);
    if (session_ == session && !session->cancelled) CloseLocked();
}

void CDeviceBase::ReportError(int code, const std::string& message) const {
    if (ErrorCallback onError = onError_.load()) onError(code, message, DeviceHandle());
}

void CDeviceBase::WatchThread(const std::weak_ptr<CDeviceBase>& owner,
                              const std::shared_ptr<ReaderSession>& session) {
    try {
        Watch(owner, session);
    } catch (...) {
        // Nothing may leave a thread function; the reader simply ends.
    }
    session->running = false;
    session->exited = true;
    SetEvent(session->stoppedEvent.get());  // a Close waiting now need not wait any longer
}

// The reader holds its device only while it parses a report or closes it: a device whose last
// owner lets go closes (and stops its reader) as it is destroyed.
void CDeviceBase::Watch(const std::weak_ptr<CDeviceBase>& owner,
                        const std::shared_ptr<ReaderSession>& sessionRef) {
    ReaderSession& session = *sessionRef;
    std::vector<unsigned char> delivery(1000);
    std::vector<unsigned char> read(size_t(session.inputLength) + 1);
    std::vector<unsigned char> pending;
    session.running = true;
    if (session.onThreadStart != nullptr && !session.onThreadStart()) session.running = false;

    auto report = [&](DWORD code) {
        if (!session.cancelled && session.onError != nullptr)
            session.onError(int(code), SystemMessage(code), session.device);
    };

    bool announced = false;  // the reader's start, told once to the Open waiting for it
    while (session.running && !session.cancelled) {
        DWORD bytesRead = 0;
        if (!OrvHidReadReport(session.device, read.data(), session.inputLength + 1, &bytesRead,
                              session.wakeEvent.get())) {
            if (GetLastError() != ERROR_IO_PENDING) {
                // Whatever went wrong, the reader reports it as an internal error.
                session.running = false;
                report(ERROR_INTERNAL_ERROR);
                break;
            }
            if (!announced) SetEvent(session.watchRunningEvent.get());
            announced = true;
            if (WaitForSingleObject(session.wakeEvent.get(), INFINITE) != WAIT_OBJECT_0) {
                // Only a broken event fails a wait; retrying it would spin.
                session.running = false;
                report(ERROR_INTERNAL_ERROR);
                break;
            }
            // The stop request comes first, so it wins over a read completed at the same time.
            if (session.stopRequested) {
                SetEvent(session.stoppedEvent.get());
                session.running = false;
                break;
            }
            if (!OrvHidGetReadResult(session.device, read.data(), session.inputLength + 1,
                                     &bytesRead)) {
                const DWORD error = GetLastError();
                // A wake with nothing to take arms a new read.
                if (error == ERROR_IO_INCOMPLETE) continue;
                if (error != ERROR_SUCCESS) {
                    session.running = false;
                    report(error);
                    if (error == ERROR_DEVICE_NOT_CONNECTED) {
                        if (auto device = owner.lock()) device->CloseFromReader(sessionRef);
                    }
                    break;
                }
                bytesRead = 0;  // a failure without an error code counts as a completed read
            }
        }
        if (session.cancelled) break;
        {
            const std::shared_ptr<CDeviceBase> device = owner.lock();
            if (!device) break;
            device->ParseInputReport(read.data(), bytesRead, pending);
        }  // releasing the last reference here closes the device on this thread
        if (session.cancelled) break;
        if (!pending.empty() && session.onReceive != nullptr) {
            if (pending.size() > delivery.size()) delivery.resize(pending.size() + 1000);
            std::memcpy(delivery.data(), pending.data(), pending.size());
            session.onReceive(delivery.data(), ULONG(pending.size()), session.device);
        }
        pending.clear();
    }
}

bool CDeviceBase::WriteRaw(const unsigned char* buffer, ULONG length) {
    DWORD written = 0;
    if (!OrvHidWriteReport(DeviceHandle(), buffer, length, kWriteTimeoutMs, &written)) return false;
    return written == length;
}

bool CDeviceBase::WriteData(const unsigned char* data, ULONG length) {
    if (length == 0) return true;
    if (data == nullptr) return false;
    const std::vector<unsigned char> copy(data, data + length);
    ULONG accepted = 0;
    while (accepted < length) {
        const ULONG count = std::min(length - accepted, kChunkSize);
        unsigned char block[kChunkSize] = {};
        std::memcpy(block, copy.data() + accepted, count);
        if (!WriteChunk(block, count)) break;
        accepted += count;
    }
    return accepted == length;
}

bool CDeviceBase::SendReport(const unsigned char* data, ULONG length) {
    bool written = false;
    {
        std::lock_guard lock(writeMutex_);
        if (!IsOpen() || writeBuffer_.empty()) return false;
        const ULONG reportLength = ULONG(writeBuffer_.size() - 1);
        if (length < reportLength) {
            std::fill(writeBuffer_.begin(), writeBuffer_.end(), 0);
            if (length != 0) std::memcpy(writeBuffer_.data(), data, length);
            written = WriteRaw(writeBuffer_.data(), reportLength);
        } else {
            written = WriteRaw(data, length);
        }
    }
    if (!written) ReportError(0, "CDeviceBase::SendReport - Bad Write");
    return written;
}

bool CDeviceBase::DoSendWithPreAmble(const unsigned char* data, ULONG length,
                                     const unsigned char* preamble, ULONG preambleLength) {
    bool written = false;
    {
        std::lock_guard lock(writeMutex_);
        if (!IsOpen() || writeBuffer_.empty()) return false;
        const ULONG reportLength = ULONG(writeBuffer_.size() - 1);
        if (preambleLength <= reportLength && length <= reportLength - preambleLength) {
            std::fill(writeBuffer_.begin(), writeBuffer_.end(), 0);
            std::memcpy(writeBuffer_.data(), preamble, preambleLength);
            if (length != 0) std::memcpy(writeBuffer_.data() + preambleLength, data, length);
            written = WriteRaw(writeBuffer_.data(), reportLength);
        }
    }
    if (!written) ReportError(0, "CDeviceBase::DoSendWithPreAmble - Bad Write");
    return written;
}

}  // namespace orv::hidport
