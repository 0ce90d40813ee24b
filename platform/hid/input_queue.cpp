#include "input_queue.h"

#include <cstring>

#include "platform/win32.h"

namespace orv::hid {

InputQueue::InputQueue(size_t reportLength, size_t capacity)
    : reportLength_(reportLength), capacity_(capacity) {}

bool InputQueue::Push(const BYTE* report, size_t length) {
    if (length > reportLength_ || (length != 0 && report == nullptr)) return false;
    HANDLE wake = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (closed_ || gone_ || reports_.size() >= capacity_) return false;
        std::vector<BYTE> padded;
        if (spareCount_ != 0) {
            padded = std::move(spare_[--spareCount_]);
            std::fill(padded.begin(), padded.end(), BYTE(0));
        } else {
            padded.assign(reportLength_, 0);
        }
        if (length != 0) std::memcpy(padded.data(), report, length);
        reports_.push_back(std::move(padded));
        wake = armed_;
        armed_ = nullptr;
    }
    // The reader may be waiting on this event; set it outside our lock.
    if (wake != nullptr) SetEvent(wake);
    return true;
}

void InputQueue::MarkGone() {
    HANDLE wake = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (gone_) return;
        gone_ = true;
        wake = armed_;
        armed_ = nullptr;
    }
    if (wake != nullptr) SetEvent(wake);
}

void InputQueue::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    armed_ = nullptr;
    reports_.clear();
}

DWORD InputQueue::TakeLocked(BYTE* buffer, size_t size, DWORD* bytesRead) {
    if (closed_) return ERROR_INVALID_HANDLE;
    if (buffer == nullptr || bytesRead == nullptr || size < reportLength_)
        return ERROR_INVALID_PARAMETER;
    if (reports_.empty()) return gone_ ? ERROR_DEVICE_NOT_CONNECTED : ERROR_IO_INCOMPLETE;
    std::memcpy(buffer, reports_.front().data(), reportLength_);
    *bytesRead = DWORD(reportLength_);
    if (spareCount_ < spare_.size()) spare_[spareCount_++] = std::move(reports_.front());
    reports_.pop_front();
    return ERROR_SUCCESS;
}

DWORD InputQueue::Read(BYTE* buffer, size_t size, DWORD* bytesRead, HANDLE readyEvent) {
    bool signalNow = false;
    {
        std::lock_guard lock(mutex_);
        DWORD error = TakeLocked(buffer, size, bytesRead);
        if (error != ERROR_IO_INCOMPLETE && error != ERROR_DEVICE_NOT_CONNECTED) return error;
        // Nothing to take: the read is pending. An unplugged device completes it at once, so
        // that the reader always learns of the unplug from the read's result.
        if (error == ERROR_DEVICE_NOT_CONNECTED)
            signalNow = true;
        else
            armed_ = readyEvent;
    }
    if (signalNow && readyEvent != nullptr) SetEvent(readyEvent);
    return ERROR_IO_PENDING;
}

DWORD InputQueue::Result(BYTE* buffer, size_t size, DWORD* bytesRead) {
    std::lock_guard lock(mutex_);
    return TakeLocked(buffer, size, bytesRead);
}

}  // namespace orv::hid
