// CDeviceBase: one HID interface opened by product (and serial) string, its reader thread, and
// the report-writing operations the device classes build on. A device class overrides
// WriteChunk (framing of one chunk of caller data) and ParseInputReport (bytes one input report
// carries).
//
// Device objects are always owned by std::shared_ptr (use std::make_shared): the reader thread
// holds its device while it parses a report, so a reader still busy when Close gives up waiting
// for it never touches a freed object; dropping the last owner closes the device.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hidport/orvhid.h"
#include "platform/hid.h"

namespace orv::hidport {

class CDeviceBase : public std::enable_shared_from_this<CDeviceBase> {
public:
    static constexpr ULONG kChunkSize = 247;
    static constexpr DWORD kReaderStartMs = 1000;
    static constexpr DWORD kReaderStopMs = 1000;
    static constexpr DWORD kWriteTimeoutMs = 5000;

    CDeviceBase() = default;
    CDeviceBase(const CDeviceBase&) = delete;
    CDeviceBase& operator=(const CDeviceBase&) = delete;
    virtual ~CDeviceBase();

    // Frames and writes one chunk of at most kChunkSize bytes; true when it went out.
    virtual bool WriteChunk(const unsigned char* data, ULONG length);
    // Appends the bytes one input report (report ID first, `length` bytes) carries to out.
    virtual void ParseInputReport(const unsigned char* report, ULONG length,
                                  std::vector<unsigned char>& out);

    bool Open(const std::string& productName, const std::string& serialNumber,
              ReceiveCallback onReceive, ErrorCallback onError, ThreadStartCallback onThreadStart,
              void*& handle);
    void Close();
    bool FindAndOpen(const std::string& productName, const std::string& serialNumber);
    bool WriteRaw(const unsigned char* buffer, ULONG length);
    bool WriteData(const unsigned char* data, ULONG length);

    bool IsOpen() const { return DeviceHandle() != INVALID_HANDLE_VALUE; }
    HANDLE DeviceHandle() const { return device_.load(); }
    HIDP_CAPS Caps() const;

    // Product strings of every interface that opens, in bus order (orvhidEnumerateDevices).
    static std::vector<std::string> EnumerateProducts();
    // A HID string query narrowed as the device layer does it: low byte of each UTF-16 unit.
    static std::string ReadProductString(HANDLE device);
    static std::string ReadSerialNumberString(HANDLE device);

protected:
    // Writes a report the caller built, padded to OutputReportByteLength when shorter.
    bool SendReport(const unsigned char* data, ULONG length);
    // Writes preamble and data as one report padded to OutputReportByteLength; a chunk that does
    // not fit is refused.
    bool DoSendWithPreAmble(const unsigned char* data, ULONG length, const unsigned char* preamble,
                            ULONG preambleLength);
    // The error callback with this device's handle (nothing while none is set).
    void ReportError(int code, const std::string& message) const;

private:
    struct ReaderSession;

    bool FindAndOpenLocked(const std::string& productName, const std::string& serialNumber);
    void CloseLocked();
    void CloseFromReader(const std::shared_ptr<ReaderSession>& session);
    void ReapReader(bool stopped, const ReaderSession& session);
    static void WatchThread(const std::weak_ptr<CDeviceBase>& owner,
                            const std::shared_ptr<ReaderSession>& session);
    static void Watch(const std::weak_ptr<CDeviceBase>& owner,
                      const std::shared_ptr<ReaderSession>& session);

    std::atomic<ReceiveCallback> onReceive_{nullptr};
    std::atomic<ErrorCallback> onError_{nullptr};
    std::atomic<ThreadStartCallback> onThreadStart_{nullptr};
    std::atomic<HANDLE> device_{INVALID_HANDLE_VALUE};

    // Open and Close (also the reader's own close on unplug); recursive because an error
    // callback raised inside Open may close the device.
    mutable std::recursive_mutex lifecycle_;
    HIDP_CAPS caps_{};  // written only while closed, under lifecycle_
    std::shared_ptr<ReaderSession> session_;
    std::thread reader_;

    // The one write buffer (OutputReportByteLength + 1 bytes while open): writers and Close
    // take turns on it.
    std::mutex writeMutex_;
    std::vector<unsigned char> writeBuffer_;
};

}  // namespace orv::hidport
