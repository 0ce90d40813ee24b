// The process's one transport: the result code, the four device slots, the worker and its
// window, and the locks of the API. Created by the first open, destroyed by the last close;
// every open device holds one reference.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "device_record.h"
#include "worker.h"

namespace orv::rs485 {

constexpr int kDeviceSlots = 4;

class Transport {
public:
    static Transport& Get();

    void SetResult(int code) { result_.store(code); }
    int Result() const { return result_.load(); }

    // Takes a reference. The first one initialises the transport: the trace log, zeroed device
    // slots, the worker and its window. The worker window (null when it could not be created).
    HWND AddReference();
    // Drops a reference; the last one ends the worker, logs the destruction and closes the log.
    void DropReference();

    // Whether the POS start-up ran while this transport lives; set once it succeeded.
    bool StartupDone();
    void SetStartupDone();

    // The open device of an API handle (1 to 4), or null.
    DeviceRecord* DeviceForHandle(int handle);
    // The device whose descriptor a subsystem message names, with its handle; null when none.
    DeviceRecord* DeviceForDescriptor(WPARAM descriptor, int& handle);
    DeviceRecord& Slot(int index) { return devices_[index]; }
    HWND WorkerWindow();
    bool Initialised() const { return initialised_.load(); }

    // The locks of the API calls.
    std::mutex openLock;
    std::recursive_mutex readLock;  // a receive callback may read on the same thread
    std::mutex writeLock;
    std::mutex closeLock;

private:
    Transport() = default;

    std::atomic<int> result_{TR_SUCCESS};
    std::atomic<bool> initialised_{false};
    std::mutex objectLock_;  // what follows
    uint16_t references_ = 0;
    bool startupDone_ = false;
    Worker worker_;
    DeviceRecord devices_[kDeviceSlots];
};

}  // namespace orv::rs485
