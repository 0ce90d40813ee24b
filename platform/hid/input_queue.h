// The received-report queue of one open HID handle, with the overlapped-read rules of hid.h:
// a read takes a waiting report at once or arms an event that the next arrival (or the unplug)
// sets. Both backends feed one of these per handle.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/wintypes.h"

namespace orv::hid {

class InputQueue {
public:
    // reportLength: InputReportByteLength (reports are stored padded to it); capacity: reports
    // held before new ones are refused.
    InputQueue(size_t reportLength, size_t capacity);

    // Queues one report in Windows form (ID first); shorter ones are zero-padded. False when the
    // queue is full, closed, or the report is longer than the report length.
    bool Push(const BYTE* report, size_t length);
    // The device is gone: a waiting read completes; reads fail once the queue is empty.
    void MarkGone();
    // The handle is closing: the armed event is dropped unsignalled, later calls fail.
    void Close();

    // OrvHidReadReport / OrvHidGetReadResult; the result is a Win32 error code (0 = a report).
    DWORD Read(BYTE* buffer, size_t size, DWORD* bytesRead, HANDLE readyEvent);
    DWORD Result(BYTE* buffer, size_t size, DWORD* bytesRead);

    size_t ReportLength() const { return reportLength_; }

private:
    DWORD TakeLocked(BYTE* buffer, size_t size, DWORD* bytesRead);

    // Buffers of reports already taken, for the next ones to arrive: a steady stream of
    // reports allocates nothing.
    static constexpr size_t kSpareBuffers = 8;

    const size_t reportLength_;
    const size_t capacity_;
    std::mutex mutex_;
    std::deque<std::vector<BYTE>> reports_;
    std::array<std::vector<BYTE>, kSpareBuffers> spare_;
    size_t spareCount_ = 0;
    HANDLE armed_ = nullptr;
    bool gone_ = false;
    bool closed_ = false;
};

}  // namespace orv::hid
